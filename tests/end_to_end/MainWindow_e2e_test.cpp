// The real program, driven from outside: window, file dialog, message box,
// clipboard and when the process ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <dlgs.h>
#include <oleacc.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <utility>

#include "Driver_win.h"
#include "TempDir.h"
#include "UniqueHandle_win.h"

namespace {

using namespace e2e;

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ") " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// The layout's twips in pixels at one DPI (twips * dpi / 1440, halves
// rounded up); the controls in tab order, as left, top, right, bottom.
struct LayoutAtDpi {
    DWORD dpi;
    SIZE client;
    RECT controls[4];
};

constexpr LayoutAtDpi kLayouts[] = {
    {96, {288, 96}, {{4, 4, 81, 29}, {4, 35, 281, 56}, {62, 64, 139, 89}, {148, 64, 225, 89}}},
    {144, {432, 144}, {{6, 6, 122, 44}, {6, 53, 422, 85}, {93, 96, 209, 134}, {222, 96, 338, 134}}},
    {192,
     {576, 192},
     {{8, 8, 162, 58}, {8, 70, 562, 112}, {124, 128, 278, 178}, {296, 128, 450, 178}}},
};

constexpr int kControlIds[] = {kOpenId, kTextId, kCopyCloseId, kCloseId};

// Windows 10 (1607) calls, newer than the Windows 7 headers the project
// builds with.
extern "C" {
__declspec(dllimport) BOOL WINAPI
    SystemParametersInfoForDpi(UINT action, UINT size, PVOID data, UINT update, UINT dpi);
__declspec(dllimport) int WINAPI GetSystemMetricsForDpi(int index, UINT dpi);
}

// As the probe describes a font: the system's message font at dpi.
std::wstring MessageFontAt(DWORD dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
        return L"(no metrics)";
    }
    return std::to_wstring(metrics.lfMessageFont.lfHeight) + L" " +
           metrics.lfMessageFont.lfFaceName;
}

// As the probe describes icons: the system's big and small icon widths at dpi.
std::wstring IconWidthsAt(DWORD dpi) {
    return std::to_wstring(GetSystemMetricsForDpi(SM_CXICON, dpi)) + L" " +
           std::to_wstring(GetSystemMetricsForDpi(SM_CXSMICON, dpi));
}

// Wine's ntdll tells its version; Windows' has no such call.
bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

LPARAM KeyData(WORD key) {
    return static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC) << 16 | 1);
}

// Negative checks give the program a moment to do the wrong thing.
bool DialogAppears(const Program& program, Milliseconds within = 300ms) {
    return WaitFor([&] { return program.AnyDialog() != nullptr; }, within);
}

std::filesystem::path FileOf(const TempDir& temp, const std::wstring& name, std::size_t size) {
    return temp.File(name, std::string(size, 'a'));
}

class MainWindow : public ::testing::Test {
protected:
    // The program starts on a screen of dpi.
    explicit MainWindow(DWORD dpi = 96) : dpi_(dpi) {}

    void SetUp() override { ASSERT_NE(program_.Window(), nullptr) << "no window appeared"; }

    [[nodiscard]] HWND Main() const { return program_.Window(); }
    [[nodiscard]] HWND Control(int id) const { return program_.Control(id); }

    // Cancels the file dialog and waits until the program is back in its loop.
    void Cancel(HWND dialog) const {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitFor([dialog] { return !IsWindow(dialog); })) << "the dialog stayed";
        ASSERT_TRUE(Sync(Main()));
    }

    // Client area, controls, font and icons as the layout says at its DPI.
    void ExpectLayout(const LayoutAtDpi& layout) const {
        const DWORD dpi = layout.dpi;
        RECT client{};
        ASSERT_TRUE(GetClientRect(Main(), &client));
        EXPECT_EQ(client.right, layout.client.cx) << dpi << " DPI";
        EXPECT_EQ(client.bottom, layout.client.cy) << dpi << " DPI";
        for (std::size_t i = 0; i < std::size(kControlIds); ++i) {
            const HWND control = Control(kControlIds[i]);
            EXPECT_EQ(Describe(ClientRectIn(control, Main())), Describe(layout.controls[i]))
                << "control " << kControlIds[i] << " at " << dpi << " DPI";
            EXPECT_EQ(ControlFont(program_, control), MessageFontAt(dpi))
                << "control " << kControlIds[i] << " at " << dpi << " DPI";
        }
        EXPECT_EQ(Ask(program_, Main(), ProbeRequest::Icons), IconWidthsAt(dpi)) << dpi << " DPI";
    }

    ScreenDpiSetting dpi_;
    Program program_;
    TempDir temp_;
};

// --- The window itself ---

class OnAScreenOf : public MainWindow, public ::testing::WithParamInterface<LayoutAtDpi> {
protected:
    OnAScreenOf() : MainWindow(GetParam().dpi) {}
};

TEST_P(OnAScreenOf, LayoutInPixels) {
    // With what a screen reader is told of each (see AccessibleDescription).
    struct Expected {
        const wchar_t* className;
        const wchar_t* caption;
        const wchar_t* name;
        long role;
        const wchar_t* shortcut;
    };
    // Wine's oleacc has no button class of its own: it calls a button a client.
    const long button = UnderWine() ? ROLE_SYSTEM_CLIENT : ROLE_SYSTEM_PUSHBUTTON;
    const Expected controls[] = {
        {L"Button", L"&Open File", L"Open File", button, L"Alt+O"},
        {L"Edit", L"", L"MD5 digest", ROLE_SYSTEM_TEXT, L"(none)"},
        {L"Button", L"Copy+Close", L"Copy+Close", button, L"(none)"},
        {L"Button", L"Close", L"Close", button, L"(none)"},
    };
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        const Expected& c = controls[i];
        const HWND control = Control(kControlIds[i]);
        ASSERT_NE(control, nullptr) << "no control " << kControlIds[i];
        EXPECT_EQ(ClassName(control), c.className) << "control " << kControlIds[i];
        EXPECT_EQ(ReadText(control), c.caption) << "control " << kControlIds[i];
        EXPECT_TRUE(IsWindowVisible(control) && IsWindowEnabled(control))
            << "control " << kControlIds[i];
        const std::wstring told = L"name: " + std::wstring(c.name) + L"; role: " +
                                  std::to_wstring(c.role) + L"; shortcut: " + c.shortcut;
        EXPECT_EQ(AccessibleDescription(control), told) << "control " << kControlIds[i];
    }
    // Nothing else shows: the text field's label is for screen readers only.
    int shown = 0;
    for (HWND child = GetWindow(Main(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        shown += IsWindowVisible(child) ? 1 : 0;
    }
    EXPECT_EQ(shown, std::ssize(controls));
    ExpectLayout(GetParam());
    EXPECT_TRUE(Centred(ScreenRect(Main()))) << Describe(ScreenRect(Main()));
}

INSTANTIATE_TEST_SUITE_P(Dpi, OnAScreenOf, ::testing::Values(kLayouts[0], kLayouts[1]),
                         [](const auto& info) { return std::to_string(info.param.dpi); });

TEST_F(MainWindow, FollowsTheDpiOfItsMonitor) {
    ASSERT_EQ(GetForegroundWindow(), Main()) << "keystrokes would go elsewhere";
    const std::wstring typed = L"typed by hand";
    ASSERT_TRUE(program_.SetText(typed));
    TapKey(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return program_.Focus() == Control(kTextId); }, 3000ms));
    const auto selection = [&] {
        DWORD_PTR range = 0;
        SendMessageTimeoutW(Control(kTextId), EM_GETSEL, 0, 0, SMTO_NORMAL, 3000, &range);
        return std::pair(LOWORD(range), HIWORD(range));
    };
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(
        SendMessageTimeoutW(Control(kTextId), EM_SETSEL, 6, 8, SMTO_NORMAL, 3000, &ignored));
    ASSERT_EQ(selection(), (std::pair<WORD, WORD>(6, 8)));

    for (const LayoutAtDpi& layout : {kLayouts[2], kLayouts[0]}) {
        // As when the window crosses to another monitor: moved, and the new
        // client area inside the present frame (Wine draws every frame at
        // the system's DPI).
        const RECT outer = ScreenRect(Main());
        RECT client{};
        ASSERT_TRUE(GetClientRect(Main(), &client));
        const LONG left = outer.left - 40;
        const LONG top = outer.top - 30;
        const RECT suggested{left, top,
                             left + outer.right - outer.left - client.right + layout.client.cx,
                             top + outer.bottom - outer.top - client.bottom + layout.client.cy};
        const std::wstring argument =
            std::to_wstring(layout.dpi) + L" " + std::to_wstring(suggested.left) + L" " +
            std::to_wstring(suggested.top) + L" " + std::to_wstring(suggested.right) + L" " +
            std::to_wstring(suggested.bottom);
        ASSERT_EQ(Ask(program_, Main(), ProbeRequest::DpiChanged, argument), L"0");
        EXPECT_EQ(Describe(ScreenRect(Main())), Describe(suggested)) << layout.dpi << " DPI";
        ExpectLayout(layout);
        EXPECT_EQ(program_.Text(), typed) << layout.dpi << " DPI";
        EXPECT_EQ(program_.Focus(), Control(kTextId)) << layout.dpi << " DPI";
        EXPECT_EQ(selection(), (std::pair<WORD, WORD>(6, 8))) << layout.dpi << " DPI";
    }
}

TEST_F(MainWindow, LoadsLibrariesByBareNameFromTheSystemFolderOnly) {
    // A library planted beside the program, as in a Downloads folder.
    const std::filesystem::path source = ProbeLibraryPath();
    ASSERT_FALSE(source.empty());
    struct Planted {
        std::filesystem::path path;
        ~Planted() {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    } const planted{std::filesystem::path(ProgramPath()).parent_path() / L"Varnholt_planted.dll"};
    std::filesystem::copy_file(source, planted.path,
                               std::filesystem::copy_options::overwrite_existing);

    EXPECT_EQ(Ask(program_, Main(), ProbeRequest::Load, planted.path.filename().wstring()),
              std::to_wstring(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(Ask(program_, Main(), ProbeRequest::Load, planted.path.wstring()), L"0");
    EXPECT_EQ(Ask(program_, Main(), ProbeRequest::Load, L"msimg32.dll"), L"0")
        << "a system library by bare name";
}

TEST_F(MainWindow, CaptionFrameAndPlace) {
    EXPECT_EQ(ReadText(Main()), L"Varnholt");
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(Main(), GWL_STYLE));
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "has a maximise box";
    EXPECT_FALSE(style & WS_THICKFRAME) << "resizable";
    const RECT outer = ScreenRect(Main());
    EXPECT_TRUE(Centred(outer)) << Describe(outer) << " on a screen of "
                                << GetSystemMetrics(SM_CXSCREEN) << "x"
                                << GetSystemMetrics(SM_CYSCREEN);
}

TEST_F(MainWindow, FocusStartsOnOpenFileAndTabCycles) {
    EXPECT_EQ(program_.Focus(), Control(kOpenId)) << "initial focus";
    ASSERT_EQ(GetForegroundWindow(), Main()) << "keystrokes would go elsewhere";
    for (const int id : {kTextId, kCopyCloseId, kCloseId, kOpenId}) {
        TapKey(VK_TAB);
        ASSERT_TRUE(WaitFor([&] { return program_.Focus() == Control(id); }, 3000ms))
            << "Tab should reach control " << id;
    }
    EXPECT_TRUE(program_.Running());
}

TEST_F(MainWindow, ControlsUseAFontOfTheirOwn) {
    for (const int id : {kOpenId, kTextId, kCopyCloseId, kCloseId}) {
        const std::wstring font = ControlFont(program_, Control(id));
        EXPECT_FALSE(font.empty()) << "the probe got no answer from control " << id;
        EXPECT_NE(font, L"none") << "control " << id << " draws with the system font";
        EXPECT_FALSE(font.ends_with(L"(stock)")) << "control " << id;
    }
}

// --- "&Open File" ---

TEST_F(MainWindow, OpenFileShowsACentredDialogForAllFiles) {
    program_.Press(kOpenId);
    const HWND dialog = program_.WaitForFileDialog();
    ASSERT_NE(dialog, nullptr) << "no file dialog owned by the window";
    EXPECT_TRUE(WaitFor([dialog] { return Centred(ScreenRect(dialog)); }, 3000ms))
        << Describe(ScreenRect(dialog));
    EXPECT_EQ(ReadText(GetDlgItem(dialog, cmb1)), L"All Files(*.*)");
    Cancel(dialog);
}

TEST_F(MainWindow, CancellingTheDialogChangesNothing) {
    ASSERT_TRUE(program_.SetText(L"kept as it is"));
    program_.Press(kOpenId);
    const HWND dialog = program_.WaitForFileDialog();
    ASSERT_NE(dialog, nullptr);
    Cancel(dialog);
    EXPECT_FALSE(DialogAppears(program_));
    EXPECT_EQ(program_.Text(), L"kept as it is");
    EXPECT_TRUE(program_.Running());
    // The keyboard goes back to the button that opened the dialog.
    EXPECT_TRUE(WaitFor([&] { return program_.Focus() == Control(kOpenId); }, 3000ms));
}

TEST_F(MainWindow, TooLargeFileIsRefusedWithAMessage) {
    const auto file = temp_.File(L"too large.bin", "");
    std::filesystem::resize_file(file, 33554433);
    ASSERT_TRUE(program_.SetText(L"previous"));
    ASSERT_TRUE(program_.OpenFile(file.wstring()));

    const HWND box = program_.WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(ReadText(box), L"Varnholt");
    EXPECT_EQ(MessageBoxText(box), L"File too large");
    const HWND ok = GetDlgItem(box, IDOK);
    ASSERT_NE(ok, nullptr);
    PostMessageW(ok, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([box] { return !IsWindow(box); })) << "OK left the box up";
    ASSERT_TRUE(Sync(Main()));
    EXPECT_EQ(program_.Text(), L"");
    EXPECT_FALSE(DialogAppears(program_));
    EXPECT_TRUE(program_.Running());
}

TEST_F(MainWindow, FileThatCannotBeReadEmptiesTheFieldQuietly) {
    const auto file = FileOf(temp_, L"locked.bin", 100);
    // Others may write but not read, so it can be measured but not read.
    const UniqueHandle lock(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock.Valid());
    ASSERT_TRUE(program_.SetText(L"previous"));
    ASSERT_TRUE(program_.OpenFile(file.wstring()));
    EXPECT_TRUE(WaitFor([&] { return program_.Text() == L""; }, 3000ms)) << "field not emptied";
    EXPECT_FALSE(DialogAppears(program_));
    EXPECT_TRUE(program_.Running());
}

TEST_F(MainWindow, AltOOpensTheDialogFromAnywhere) {
    ASSERT_EQ(GetForegroundWindow(), Main()) << "keystrokes would go elsewhere";
    // Away from the button, so that only the mnemonic can press it.
    TapKey(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return program_.Focus() == Control(kTextId); }, 3000ms));
    TapWithAlt('O');
    const HWND dialog = program_.WaitForFileDialog();
    ASSERT_NE(dialog, nullptr) << "Alt+O opened no dialog";
    Cancel(dialog);
}

TEST_F(MainWindow, EnterAndEscapeDoNothing) {
    ASSERT_TRUE(program_.SetText(L"unchanged"));
    ASSERT_EQ(GetForegroundWindow(), Main()) << "keystrokes would go elsewhere";
    const auto quiet = [&](const char* step) {
        EXPECT_FALSE(DialogAppears(program_)) << step;
        EXPECT_TRUE(program_.Running() && IsWindowVisible(Main())) << step;
        EXPECT_EQ(program_.Text(), L"unchanged") << step;
    };
    const auto focusReaches = [&](int id) {
        return WaitFor([&] { return program_.Focus() == Control(id); }, 3000ms);
    };
    // Each Tab is handled only after the keys before it, so its arrival
    // shows that they were handled.
    TapKey(VK_TAB);
    ASSERT_TRUE(focusReaches(kTextId));
    TapKey(VK_RETURN);
    TapKey(VK_ESCAPE);
    quiet("in the text field");

    // Addressed to the window itself rather than to a control.
    for (const WORD key : {VK_RETURN, VK_ESCAPE}) {
        PostMessageW(Main(), WM_KEYDOWN, key, KeyData(key));
    }
    PostMessageW(Control(kTextId), WM_KEYDOWN, VK_TAB, KeyData(VK_TAB));
    ASSERT_TRUE(focusReaches(kCopyCloseId)) << "Enter or Escape took the focus";
    quiet("at the window");

    // Escape cancels nothing, whichever button has the focus.
    TapKey(VK_ESCAPE);
    TapKey(VK_TAB);
    ASSERT_TRUE(focusReaches(kCloseId));
    TapKey(VK_ESCAPE);
    TapKey(VK_TAB);
    ASSERT_TRUE(focusReaches(kOpenId));
    quiet("on the buttons");
}

// --- Files of several sizes ---

struct SizeCase {
    const char* label;
    const wchar_t* name;
    std::size_t size;
    const wchar_t* digest;
};

class FileSizes : public MainWindow, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(FileSizes, ShowTheirDigest) {
    const SizeCase& c = GetParam();
    const auto file = FileOf(temp_, c.name, c.size);
    ASSERT_TRUE(program_.SetText(L"previous"));
    ASSERT_TRUE(program_.OpenFile(file.wstring())) << "the dialog did not take the file";
    EXPECT_TRUE(WaitFor([&] { return program_.Text() == c.digest; }))
        << "shows " << testing::PrintToString(program_.Text().value_or(L"(nothing)"));
    EXPECT_FALSE(DialogAppears(program_));
}

// Each size sits at or next to a boundary of MD5's 64-byte blocks or of the
// size limit; the names cover spaces, no extension and non-Latin-1 text.
INSTANTIATE_TEST_SUITE_P(
    Boundaries, FileSizes,
    ::testing::Values(SizeCase{"Empty", L"empty.bin", 0, L"D41D8CD98F00B204E9800998ECF8427E"},
                      SizeCase{"Bytes55", L"f\u00FCnfundf\u00FCnfzig \u4E2D.bin", 55,
                               L"EF1772B6DFF9A122358552954AD0DF65"},
                      SizeCase{"Bytes56", L"56 bytes.txt", 56, L"3B0C8AC703F828B04C6C197006D17218"},
                      SizeCase{"Bytes63", L"sixty-three", 63, L"B06521F39153D618550606BE297466D5"},
                      SizeCase{"Bytes64", L"64.bin", 64, L"014842D480B571495A4A0363793F7367"},
                      SizeCase{"AtTheLimit", L"limit.bin", 33554432,
                               L"BC3D7C2FF64219E33239F2E13C2D21DB"}),
    [](const auto& info) { return std::string(info.param.label); });

// --- Closing ---

class Closing : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        ASSERT_NE(driver_.Get(), nullptr);
    }

    void ExpectEnded() const {
        EXPECT_TRUE(program_.WaitForExit()) << "the program is still running";
        EXPECT_EQ(program_.ExitCode(), 0U);
    }

    DriverWindow driver_;
};

enum class CloseBy { CloseButton, WmClose, ScClose };

class ClosingWithoutCopy : public Closing, public ::testing::WithParamInterface<CloseBy> {};

TEST_P(ClosingWithoutCopy, EndsAndLeavesTheClipboard) {
    ASSERT_TRUE(PutOnClipboard(driver_.Get(), L"there before"));
    ASSERT_TRUE(program_.SetText(L"not for the clipboard"));
    switch (GetParam()) {
        case CloseBy::CloseButton:
            program_.Press(kCloseId);
            break;
        case CloseBy::WmClose:
            PostMessageW(Main(), WM_CLOSE, 0, 0);
            break;
        case CloseBy::ScClose:
            PostMessageW(Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
    }
    ExpectEnded();
    EXPECT_EQ(ClipboardText(driver_.Get()), L"there before");
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosingWithoutCopy,
                         ::testing::Values(CloseBy::CloseButton, CloseBy::WmClose,
                                           CloseBy::ScClose),
                         [](const auto& info) {
                             switch (info.param) {
                                 case CloseBy::CloseButton:
                                     return "CloseButton";
                                 case CloseBy::WmClose:
                                     return "WmClose";
                                 case CloseBy::ScClose:
                                     return "ScClose";
                             }
                             return "Unknown";
                         });

TEST_F(Closing, CopyCloseCopiesADigest) {
    ASSERT_TRUE(PutOnClipboard(driver_.Get(), L"stale"));
    const auto file = temp_.File(L"abc.txt", "abc");
    const std::wstring digest = L"900150983CD24FB0D6963F7D28E17F72";
    ASSERT_TRUE(program_.OpenFile(file.wstring()));
    ASSERT_TRUE(WaitFor([&] { return program_.Text() == digest; }));
    program_.Press(kCopyCloseId);
    ExpectEnded();
    EXPECT_EQ(ClipboardText(driver_.Get()), digest);
}

TEST_F(Closing, CopyCloseCopiesEditedText) {
    ASSERT_TRUE(PutOnClipboard(driver_.Get(), L"stale"));
    const std::wstring edited = L"edited \u4E2D\u6587 caf\u00E9 text";
    ASSERT_TRUE(program_.SetText(edited));
    ASSERT_EQ(program_.Text(), edited);
    program_.Press(kCopyCloseId);
    ExpectEnded();
    EXPECT_EQ(ClipboardText(driver_.Get()), edited);
}

TEST_F(Closing, CopyCloseStaysOpenWhileTheClipboardIsHeld) {
    ASSERT_TRUE(PutOnClipboard(driver_.Get(), L"held by the driver"));
    ASSERT_TRUE(program_.SetText(L"0123456789ABCDEF0123456789ABCDEF"));
    {
        const ClipboardSession held(driver_.Get());
        ASSERT_TRUE(held.Open());
        program_.Press(kCopyCloseId);
        // Longer than the program's retry, then it must be back in its loop.
        Pause(400ms);
        EXPECT_TRUE(Sync(Main(), 3000ms)) << "the program hangs while the clipboard is held";
        EXPECT_TRUE(program_.Running());
        EXPECT_FALSE(DialogAppears(program_));
    }
    ASSERT_TRUE(Sync(Main()));
    EXPECT_FALSE(program_.WaitForExit(300ms)) << "closed after the clipboard came free";
    EXPECT_TRUE(IsWindow(Main()) && IsWindowVisible(Main()));
    EXPECT_FALSE(DialogAppears(program_, 0ms));
    EXPECT_EQ(ClipboardText(driver_.Get()), L"held by the driver");
}

}  // namespace
