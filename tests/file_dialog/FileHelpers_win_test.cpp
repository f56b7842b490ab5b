#include <gtest/gtest.h>

#include "FileHelpers.h"
#include "TempDir.h"
#include "UniqueHandle_win.h"
#include "Win32Text_win.h"

namespace {

using namespace basComDlg;

// Both probes: the path alone, then directory + backslash + path.
TEST(FileHelpersWin, SecondProbeUsesTheDirectory) {
    const TempDir temp;
    temp.File("a.txt", "x");
    const Text directory = temp.Path().u16string();
    EXPECT_TRUE(FileExists(u"a.txt", directory));
    EXPECT_TRUE(FileExists(u"a.txt", directory + u"\\"));
    EXPECT_FALSE(FileExists(u"b.txt", directory));
    EXPECT_EQ(directory, temp.Path().u16string()) << "the caller's directory was changed";
}

// Another process may hold the file open without sharing reads; measuring
// asks for no access and still works.
TEST(FileHelpersWin, FileOpenElsewhereIsMeasured) {
    const TempDir temp;
    const Text path = temp.File("held.bin", std::string(1000, 'h')).u16string();
    const UniqueHandle held(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.Valid());
    EXPECT_EQ(GetFileLength(path), 1000);
}

TEST(FileHelpersWin, UniqueHandleClosesOnce) {
    const TempDir temp;
    const Text path = temp.File("closed.bin", "x").u16string();
    HANDLE raw = nullptr;
    {
        const UniqueHandle file(
            CreateFileW(Wide(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file.Valid());
        raw = file.Get();
    }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "handle left open";
    // Without sharing, a second open succeeds only once the first is closed.
    const UniqueHandle again(
        CreateFileW(Wide(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(again.Valid());
}

}  // namespace
