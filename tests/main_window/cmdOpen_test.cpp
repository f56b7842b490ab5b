#include "cmdOpen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "FakeWindow.h"
#include "RuntimeError.h"

namespace {

using Log = std::vector<std::string>;
const Path kPath = PATH_LITERAL("C:\\data\\file.bin");

// Whatever the path, nothing stays open and the pointer is the default.
void ExpectReleased(const FakeWindow& window) {
    EXPECT_EQ(window.openFiles, 0) << "file left open";
    EXPECT_EQ(window.pointer, MousePointer::Default) << "pointer left as hourglass";
    EXPECT_FALSE(window.unloaded);
}

class cmdOpen : public ::testing::Test {
protected:
    void AddFile(FakeFile file) { AddFile(window, std::move(file)); }
    static void AddFile(FakeWindow& w, FakeFile file) { w.files[kPath] = std::move(file); }
    void TearDown() override { ExpectReleased(window); }
    FakeWindow window;
};

TEST_F(cmdOpen, ShowsTheDigestOfTheChosenFile) {
    AddFile({.content = "abc"});
    cmdOpen_Click(window);

    EXPECT_EQ(window.text, u"900150983CD24FB0D6963F7D28E17F72");
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.dialogDirectoryIn, PATH_LITERAL("C:\\work\\"));
    EXPECT_EQ(window.dialogFilter,
              u"Executable Files|*.exe;*.com;*.pif;*.bat;*.cmd;*.lnk|All Files(*.*)|*.*");
    EXPECT_EQ(window.dialogFilterIndex, 2);
    EXPECT_EQ(window.readBufferSize, 3U);
    EXPECT_EQ(window.log, (Log{"CurrentDirectory", "ShowOpen", "Repaint", "FileExists", "SetText",
                               "GetFileLength", "OpenForReading", "Hourglass", "Read", "SetText",
                               "CloseFile", "DefaultPointer"}));
}

TEST_F(cmdOpen, SizesAroundTheLimit) {
    struct Case {
        std::size_t size;
        const char16_t* digest;
    };
    for (const auto [size, digest] : {Case{0, u"D41D8CD98F00B204E9800998ECF8427E"},
                                      Case{33554432, u"BC3D7C2FF64219E33239F2E13C2D21DB"}}) {
        FakeWindow w;
        AddFile(w, {.content = std::string(size, 'a')});
        cmdOpen_Click(w);
        EXPECT_EQ(w.text, digest) << size << " bytes";
        EXPECT_TRUE(w.messages.empty());
        ExpectReleased(w);
    }
}

TEST_F(cmdOpen, RefusesFilesOverTheLimit) {
    // 4 GiB + 1 is 1 to a 32-bit size_t: the limit holds before any narrowing.
    for (const std::int64_t size : {33554433LL, 4294967295LL, 4294967297LL, 5000000000LL}) {
        FakeWindow w;
        AddFile(w, {.content = "x", .measured = size});
        cmdOpen_Click(w);
        EXPECT_EQ(w.text, u"") << size;
        EXPECT_EQ(w.messages, std::vector<Text>{u"File too large"}) << size;
        EXPECT_EQ(w.log.back(), "ShowMessage");
        EXPECT_EQ(std::count(w.log.begin(), w.log.end(), "OpenForReading"), 0);
        ExpectReleased(w);
    }
}

// Pseudo-files measure 0 bytes: they are read to their end in pieces, up to
// the limit. A read that fails is no end: the field stays empty.
TEST_F(cmdOpen, FileMeasuredEmptyIsReadToItsEnd) {
    struct Case {
        std::size_t size;
        const char16_t* digest;  // null: refused as too large
        std::size_t failsAfter = SIZE_MAX;
    };
    for (const auto [size, digest, failsAfter] :
         {Case{3, u"47BCE5C74F589F4867DBD57E9CA9F808"},
          Case{33554432, u"BC3D7C2FF64219E33239F2E13C2D21DB"}, Case{33554433, nullptr},
          Case{3, u"", 0}, Case{100000, u"", 70000}}) {
        FakeWindow w;
        AddFile(w, {.content = std::string(size, 'a'), .measured = 0, .failsAfter = failsAfter});
        cmdOpen_Click(w);
        EXPECT_EQ(w.readBufferSize, 65536U) << size;
        if (digest != nullptr) {
            EXPECT_EQ(w.text, digest) << size;
            EXPECT_TRUE(w.messages.empty()) << size;
        } else {
            EXPECT_EQ(w.text, u"");
            EXPECT_EQ(w.messages, std::vector<Text>{u"File too large"});
            const Log tail(w.log.end() - 3, w.log.end());
            EXPECT_EQ(tail, (Log{"CloseFile", "DefaultPointer", "ShowMessage"}));
        }
        ExpectReleased(w);
    }
}

TEST_F(cmdOpen, CancelChangesNothing) {
    window.dialogChooses = false;
    // The start directory exists; a cancel must not go on to measure it.
    window.files[PATH_LITERAL("C:\\work\\")] = {};
    cmdOpen_Click(window);
    EXPECT_EQ(window.text, u"old text");
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.log, (Log{"CurrentDirectory", "ShowOpen"}));
}

TEST_F(cmdOpen, MissingFileKeepsTheText) {
    cmdOpen_Click(window);
    EXPECT_EQ(window.text, u"old text");
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.log.back(), "FileExists");
}

TEST_F(cmdOpen, UnopenableFileEmptiesQuietly) {
    AddFile({.content = "abc", .opens = false});
    cmdOpen_Click(window);
    EXPECT_EQ(window.text, u"");
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "Hourglass"), 0);
}

TEST_F(cmdOpen, ShortReadEmptiesQuietly) {
    AddFile({.content = "abcdef", .delivers = 4});
    cmdOpen_Click(window);
    EXPECT_EQ(window.text, u"");
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(cmdOpen, GrownFileHashesTheMeasuredBytes) {
    AddFile({.content = "abcdef", .measured = 3});
    cmdOpen_Click(window);
    EXPECT_EQ(window.text, u"900150983CD24FB0D6963F7D28E17F72");
}

TEST_F(cmdOpen, SecondPressClearsTheOldDigestFirst) {
    AddFile({.content = "abc"});
    cmdOpen_Click(window);
    window.files[kPath].opens = false;
    window.log.clear();
    cmdOpen_Click(window);
    EXPECT_EQ(window.text, u"");
}

TEST_F(cmdOpen, FailuresAreReportedWithTheirDescription) {
    struct Case {
        std::function<void()> fail;
        const char16_t* message;
    };
    const std::vector<Case> cases = {
        {[] { throw RuntimeError::Overflow(); }, u"Error: Overflow"},
        {[] { throw RuntimeError::InvalidArgument(); },
         u"Error: Invalid procedure call or argument"},
        {[] { throw std::bad_alloc(); }, u"Error: Out of memory"},
    };
    for (const auto& [fail, message] : cases) {
        FakeWindow w;
        AddFile(w, {.content = "abc"});
        w.onRead = fail;
        cmdOpen_Click(w);
        EXPECT_EQ(w.messages, std::vector<Text>{message});
        EXPECT_EQ(w.text, u"");
        // The file is closed and the pointer restored before the message shows.
        const Log tail(w.log.end() - 3, w.log.end());
        EXPECT_EQ(tail, (Log{"CloseFile", "DefaultPointer", "ShowMessage"}));
        ExpectReleased(w);
    }
}

TEST_F(cmdOpen, FailureWhileChoosingIsReported) {
    window.onDialog = [] { throw std::bad_alloc(); };
    cmdOpen_Click(window);
    EXPECT_EQ(window.messages, std::vector<Text>{u"Error: Out of memory"});
    EXPECT_EQ(window.text, u"old text");
}

}  // namespace
