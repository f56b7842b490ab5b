#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>

#include "FileHelpers.h"
#include "TempDir.h"

namespace {

using namespace basComDlg;
using namespace std::chrono_literals;

// Special files measure as unmeasurable and never block, even a FIFO that no
// one writes to.
TEST(FileHelpersPosix, SpecialFilesNeverBlock) {
    const TempDir temp;
    const auto fifo = temp.Path() / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    auto measured = std::async(std::launch::async, [&] {
        return std::pair{FileExists(fifo.string()), GetFileLength(fifo.string())};
    });
    ASSERT_EQ(measured.wait_for(5s), std::future_status::ready) << "measuring a FIFO blocked";
    EXPECT_EQ(measured.get(), std::pair(true, kUnmeasurable));

    EXPECT_EQ(GetFileLength("/dev/null"), kUnmeasurable);
    EXPECT_EQ(GetFileLength("/dev/zero"), kUnmeasurable);
}

// The second probe joins directory and path with a backslash, which here is
// part of the name.
TEST(FileHelpersPosix, SecondProbeUsesTheDirectory) {
    const TempDir temp;
    const auto joined = temp.File("data\\a.txt", "x");
    const Path directory = (temp.Path() / "data").string();
    EXPECT_TRUE(FileExists("a.txt", directory));
    EXPECT_TRUE(FileExists("a.txt", directory + "\\"));
    EXPECT_FALSE(FileExists("b.txt", directory));
}

// A file we may not read can still be measured, as stat() needs no access.
TEST(FileHelpersPosix, UnreadableFileIsMeasured) {
    const TempDir temp;
    const auto file = temp.File("secret", std::string(10, 's'));
    chmod(file.c_str(), 0);
    EXPECT_EQ(GetFileLength(file.string()), 10);
}

}  // namespace
