// Runs natively and under Wine, on real files.
#include "FileHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TempDir.h"

namespace {

using namespace basComDlg;
namespace fs = std::filesystem;

class FileHelpers : public ::testing::Test {
protected:
    TempDir temp;
};

TEST_F(FileHelpers, FileExists) {
    const fs::path file = temp.File("present.bin", "x");
    EXPECT_TRUE(FileExists(ToPath(file)));
    EXPECT_TRUE(FileExists(ToPath(temp.Path())));
    EXPECT_FALSE(FileExists(ToPath(temp.Path() / "absent.bin")));
    // Blank paths are refused before the file system is asked, so even a
    // name made of spaces in the current directory does not count.
    EXPECT_FALSE(FileExists(PATH_LITERAL("")));
    EXPECT_FALSE(FileExists(PATH_LITERAL("   ")));
}

TEST_F(FileHelpers, GetFileLengthOfFiles) {
    EXPECT_EQ(GetFileLength(ToPath(temp.File("empty.bin", ""))), 0);
    EXPECT_EQ(GetFileLength(ToPath(temp.File("55.bin", std::string(55, 'a')))), 55);

    // Sparse files past 4 GiB: the low half is never taken as negative.
    for (const std::int64_t size : {4294967295LL, 4294967296LL, 4294967297LL}) {
        const fs::path big = temp.File("big" + std::to_string(size), "");
        fs::resize_file(big, static_cast<std::uintmax_t>(size));
        EXPECT_EQ(GetFileLength(ToPath(big)), size);
    }
}

TEST_F(FileHelpers, GetFileLengthOfWhatIsNoFile) {
    EXPECT_EQ(GetFileLength(ToPath(temp.Path())), kUnmeasurable);
    EXPECT_EQ(GetFileLength(ToPath(temp.Path() / "absent.bin")), kUnmeasurable);
    EXPECT_EQ(GetFileLength(PATH_LITERAL("")), kUnmeasurable);
}

TEST_F(FileHelpers, NamesOutsideAnyCodePage) {
    const fs::path file = temp.File(u8"\u00E9t\u00E9 \u4E2D\u6587 \u0416.txt", "abc");
    EXPECT_TRUE(FileExists(ToPath(file)));
    EXPECT_EQ(GetFileLength(ToPath(file)), 3);
}

}  // namespace
