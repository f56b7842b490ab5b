#include "ReadableFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "TempDir.h"

namespace {

TEST(ReadableFilePosix, ReadsWholeFilesAndClosesThem) {
    const TempDir temp;
    const auto path = temp.File("data.bin", std::string(100000, 'r'));
    std::vector<std::uint8_t> buffer(100001, 0);
    {
        const auto file = OpenForReading(path.string());
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->Read(buffer), 100000U);
        EXPECT_EQ(buffer[99999], 'r');
    }
    // Every descriptor we opened is closed again.
    const auto before = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    for (int i = 0; i < 50; ++i) {
        OpenForReading(path.string())->Read(buffer);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}), before);
}

TEST(ReadableFilePosix, RefusesWhatCannotBeReadAsAFile) {
    const TempDir temp;
    const auto fifo = temp.Path() / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(OpenForReading(fifo.string()), nullptr);  // and does not block
    EXPECT_EQ(OpenForReading(temp.Path().string()), nullptr);
    EXPECT_EQ(OpenForReading((temp.Path() / "absent").string()), nullptr);
}

}  // namespace
