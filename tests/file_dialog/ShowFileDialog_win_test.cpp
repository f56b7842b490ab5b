#include "ShowFileDialog_win.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <chrono>

#include "CenterOffset.h"
#include "RuntimeError.h"
#include "TempDir.h"
#include "Win32Text_win.h"

namespace {

using namespace basComDlg;
using namespace std::string_literals;

const Text kFilter = u"Executable Files|*.exe;*.com;*.pif;*.bat;*.cmd;*.lnk|All Files(*.*)|*.*";

// What a fake dialog call saw, and what it answers.
struct Seen {
    int calls = 0;
    bool save = false;
    OPENFILENAMEW record{};
    Text filter, initialDir, defExt, fileBuffer;
    bool hasTitle = false;
    Text answerPath;
    WORD answerOffset = 0;
    BOOL answer = TRUE;
};
Seen seen;

Text Multi(const wchar_t* text) {
    // Up to and including the first double NUL.
    const wchar_t* end = text;
    while (end[0] || end[1]) {
        ++end;
    }
    return Text(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(end - text + 2));
}

BOOL Fake(LPOPENFILENAMEW record) {
    ++seen.calls;
    seen.record = *record;
    seen.filter = Multi(record->lpstrFilter);
    seen.initialDir = FromWide(record->lpstrInitialDir);
    seen.defExt = FromWide(record->lpstrDefExt);
    seen.hasTitle = record->lpstrTitle != nullptr;
    seen.fileBuffer.assign(reinterpret_cast<const char16_t*>(record->lpstrFile), record->nMaxFile);
    if (seen.answer) {
        seen.answerPath.copy(reinterpret_cast<char16_t*>(record->lpstrFile),
                             seen.answerPath.size());
        record->lpstrFile[seen.answerPath.size()] = L'\0';
        record->nFileOffset = seen.answerOffset;
    }
    return seen.answer;
}
BOOL WINAPI FakeOpen(LPOPENFILENAMEW record) { return seen.save = false, Fake(record); }
BOOL WINAPI FakeSave(LPOPENFILENAMEW record) { return seen.save = true, Fake(record); }

constexpr DialogCalls kFakes{FakeOpen, FakeSave};

class DialogRecord : public ::testing::Test {
protected:
    void SetUp() override { seen = Seen{}; }
};

TEST_F(DialogRecord, OpenModeRecord) {
    seen.answerPath = u"D:\\x.bin";
    seen.answerOffset = 3;
    Text directory = u"C:\\start";
    const Text name = ShowOpen(nullptr, std::nullopt, directory, u"", kFilter, 2, u"", kFakes);

    EXPECT_EQ(seen.calls, 1);
    EXPECT_FALSE(seen.save);
    const OPENFILENAMEW& r = seen.record;
    EXPECT_EQ(r.lStructSize, OPENFILENAME_SIZE_VERSION_400W);
    EXPECT_EQ(r.Flags, 0x81824U);
    EXPECT_EQ(r.nFilterIndex, 2U);
    EXPECT_EQ(r.nMaxFile, kFileBufferLength);
    EXPECT_EQ(seen.filter,
              u"Executable Files\0*.exe;*.com;*.pif;*.bat;*.cmd;*.lnk\0All Files(*.*)\0*.*\0\0"s);
    EXPECT_EQ(seen.initialDir, u"C:\\start");
    EXPECT_FALSE(seen.hasTitle);
    EXPECT_EQ(seen.defExt, u"");
    EXPECT_EQ(r.lpfnHook, &CenterDialogHook);
    EXPECT_EQ(r.hInstance, nullptr);
    EXPECT_EQ(r.lpstrCustomFilter, nullptr);
    EXPECT_EQ(r.lpstrFileTitle, nullptr);
    EXPECT_EQ(r.lCustData, 0);
    EXPECT_EQ(r.lpTemplateName, nullptr);

    EXPECT_EQ(directory, u"D:\\");
    EXPECT_EQ(name, u"x.bin");
    EXPECT_EQ(directory + name, u"D:\\x.bin");
}

TEST_F(DialogRecord, SaveModeRecord) {
    seen.answerPath = u"C:\\Tools\\app.exe";
    seen.answerOffset = 9;
    Text directory = u"C:\\";
    const Text name = ShowFileDialog(nullptr, Text(u"Save as"), directory, u"app.exe", kFilter, 1,
                                     u"exe", 1, kFakes);
    EXPECT_TRUE(seen.save);
    EXPECT_EQ(seen.record.Flags, 0x80826U);
    EXPECT_TRUE(seen.hasTitle);
    EXPECT_EQ(FromWide(seen.record.lpstrTitle), u"Save as");
    EXPECT_EQ(seen.defExt, u"exe");
    EXPECT_EQ(directory, u"C:\\Tools\\");
    EXPECT_EQ(name, u"app.exe");
}

TEST_F(DialogRecord, InitialNameFillsTheBufferWithNuls) {
    seen.answer = FALSE;
    Text directory = u"C:\\";
    ShowOpen(nullptr, std::nullopt, directory, u"seed.txt", kFilter, 2, u"", kFakes);
    Text expected = u"seed.txt";
    expected.resize(kFileBufferLength, u'\0');
    EXPECT_EQ(seen.fileBuffer, expected);
}

TEST_F(DialogRecord, CancelLeavesTheDirectory) {
    seen.answer = FALSE;
    Text directory = u"C:\\start\\";
    EXPECT_EQ(ShowOpen(nullptr, std::nullopt, directory, u"", kFilter, 2, u"", kFakes), u"");
    EXPECT_EQ(directory, u"C:\\start\\");
}

TEST_F(DialogRecord, LongPathsComeBackWhole) {
    const Text folder = u"C:\\" + Text(300, u'd') + u"\\";
    seen.answerPath = folder + u"file.bin";
    seen.answerOffset = static_cast<WORD>(folder.size());
    Text directory = u"C:\\";
    EXPECT_EQ(ShowOpen(nullptr, std::nullopt, directory, u"", kFilter, 2, u"", kFakes),
              u"file.bin");
    EXPECT_EQ(directory, folder);
}

TEST_F(DialogRecord, OverlongInitialNameFailsBeforeAnyDialog) {
    Text directory = u"C:\\";
    try {
        ShowOpen(nullptr, std::nullopt, directory, Text(kFileBufferLength, u'n'), kFilter, 2, u"",
                 kFakes);
        ADD_FAILURE() << "no failure raised";
    } catch (const RuntimeError& failure) {
        EXPECT_EQ(failure.Number(), 5);
    }
    EXPECT_EQ(seen.calls, 0);
}

// A top-level window with a child, standing in for the dialog and the
// explorer child window that the hook receives.
class FakeDialog {
public:
    FakeDialog(int width, int height) {
        parent_ = CreateWindowExW(0, L"STATIC", L"dialog", WS_POPUP, 3, 5, width, height, nullptr,
                                  nullptr, nullptr, nullptr);
        child_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, parent_, nullptr,
                                 nullptr, nullptr);
    }
    ~FakeDialog() { DestroyWindow(parent_); }
    FakeDialog(const FakeDialog&) = delete;
    FakeDialog& operator=(const FakeDialog&) = delete;

    [[nodiscard]] HWND Child() const { return child_; }
    [[nodiscard]] RECT Rect() const {
        RECT rect{};
        GetWindowRect(parent_, &rect);
        return rect;
    }

private:
    HWND parent_ = nullptr;
    HWND child_ = nullptr;
};

TEST(CenterDialogHook, CentresOnSizeAndOnInitDone) {
    const int screenWidth = GetScreenWidth();
    const int screenHeight = GetScreenHeight();
    ASSERT_GT(screenWidth, 0);
    ASSERT_GT(screenHeight, 0);
    EXPECT_EQ(screenWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(screenHeight, GetSystemMetrics(SM_CYSCREEN));

    NMHDR initDone{nullptr, 0, static_cast<UINT>(CDN_INITDONE)};
    NMHDR other{nullptr, 0, static_cast<UINT>(CDN_SELCHANGE)};
    struct Case {
        UINT message;
        NMHDR* notify;
        bool centres;
    };
    for (const auto [message, notify, centres] :
         {Case{WM_SIZE, nullptr, true}, Case{WM_NOTIFY, &initDone, true},
          Case{WM_NOTIFY, &other, false}, Case{WM_PAINT, nullptr, false},
          Case{WM_INITDIALOG, nullptr, false}}) {
        const FakeDialog dialog(563, 419);
        const LPARAM lParam = reinterpret_cast<LPARAM>(notify);
        EXPECT_EQ(CenterDialogHook(dialog.Child(), message, 0, lParam), 0U);
        const RECT rect = dialog.Rect();
        EXPECT_EQ(rect.right - rect.left, 563) << "size changed";
        EXPECT_EQ(rect.bottom - rect.top, 419) << "size changed";
        if (centres) {
            EXPECT_EQ(rect.left, CenterOffset(screenWidth, 563)) << "message " << message;
            EXPECT_EQ(rect.top, CenterOffset(screenHeight, 419)) << "message " << message;
        } else {
            EXPECT_EQ(rect.left, 3) << "message " << message << " moved the dialog";
            EXPECT_EQ(rect.top, 5) << "message " << message << " moved the dialog";
        }
    }
}

TEST(CenterDialogHook, LargerThanTheScreenGoesNegative) {
    const FakeDialog dialog(GetScreenWidth() + 101, GetScreenHeight() + 40);
    CenterDialogHook(dialog.Child(), WM_SIZE, 0, 0);
    EXPECT_EQ(dialog.Rect().left, -50);
    EXPECT_EQ(dialog.Rect().top, -20);
}

// The real dialog, answered from a timer that runs inside its modal loop.
struct Driver {
    enum class Action { Choose, Cancel } action = Action::Choose;
    HWND owner = nullptr;
    Text path;
    bool acted = false;
    RECT dialogRect{};
    int filterSelection = -1;
    std::chrono::steady_clock::time_point deadline;
};
Driver driver;

struct DialogSearch {
    HWND owner, found;
};

BOOL CALLBACK NextWindow(HWND window, LPARAM data) {
    auto& s = *reinterpret_cast<DialogSearch*>(data);
    wchar_t name[16]{};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && GetWindow(window, GW_OWNER) == s.owner &&
        IsWindowVisible(window)) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog() {
    DialogSearch search{driver.owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), NextWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    const HWND dialog = FindDialog();
    if (!dialog) {
        return;
    }
    if (std::chrono::steady_clock::now() > driver.deadline) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // never hang the suite
        return;
    }
    if (driver.acted) {
        return;
    }
    driver.acted = true;
    GetWindowRect(dialog, &driver.dialogRect);
    driver.filterSelection =
        static_cast<int>(SendDlgItemMessageW(dialog, cmb1, CB_GETCURSEL, 0, 0));
    if (driver.action == Driver::Action::Choose) {
        SendDlgItemMessageW(dialog, edt1, WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(Wide(driver.path)));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    } else {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

class RealDialog : public ::testing::Test {
protected:
    void SetUp() override {
        owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
        driver = Driver{};
        driver.owner = owner_;
        driver.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        timer_ = SetTimer(nullptr, 0, 50, OnTimer);
    }
    void TearDown() override {
        KillTimer(nullptr, timer_);
        DestroyWindow(owner_);
    }

    HWND owner_ = nullptr;
    UINT_PTR timer_ = 0;
    TempDir temp_;
};

TEST_F(RealDialog, ChosenFileComesBackSplitAndTheDialogIsCentred) {
    const auto file = temp_.File(u8"chosen \u00E9\u4E2D.bin", "data");
    driver.path = file.u16string();
    Text directory = temp_.Path().u16string();

    const Text name = ShowOpen(owner_, std::nullopt, directory, u"", kFilter, 2, u"");

    ASSERT_TRUE(driver.acted) << "the dialog never showed";
    EXPECT_EQ(name, file.filename().u16string());
    EXPECT_EQ(directory, temp_.Path().u16string() + u"\\");
    EXPECT_EQ(driver.filterSelection, 1) << "\"All Files(*.*)\" not preselected";
    const RECT& r = driver.dialogRect;
    EXPECT_EQ(r.left, CenterOffset(GetScreenWidth(), r.right - r.left));
    EXPECT_EQ(r.top, CenterOffset(GetScreenHeight(), r.bottom - r.top));
}

TEST_F(RealDialog, CancelReturnsNothing) {
    driver.action = Driver::Action::Cancel;
    const Text start = temp_.Path().u16string();
    Text directory = start;
    EXPECT_EQ(ShowOpen(owner_, std::nullopt, directory, u"", kFilter, 2, u""), u"");
    EXPECT_TRUE(driver.acted);
    EXPECT_EQ(directory, start);
}

}  // namespace
