#pragma once

// Drives the real Varnholt.exe from another process, the way a user would:
// its windows are found by process, buttons pressed with posted messages and
// text read with sent ones. Every wait has a deadline, so a misbehaving
// program fails a test instead of hanging the suite.

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "Probe_win.h"
#include "UniqueHandle_win.h"

namespace e2e {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;

inline constexpr Milliseconds kPollInterval = 20ms;

// The main window's controls.
inline constexpr int kOpenId = 101;       // "&Open File"
inline constexpr int kTextId = 102;       // the digest
inline constexpr int kCopyCloseId = 103;  // "Copy+Close"
inline constexpr int kCloseId = 104;      // "Close"

// Handles what the driver's own windows were sent, for up to timeout: the
// program's EmptyClipboard waits for our clipboard window's answer.
void PumpMessages(Milliseconds timeout = 0ms);

// Polls condition until it holds or timeout passes; the last answer counts.
template <typename Condition>
bool WaitFor(Condition condition, Milliseconds timeout = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        PumpMessages(kPollInterval);
    }
    return true;
}

// Waits, answering messages meanwhile.
inline void Pause(Milliseconds duration) {
    WaitFor([] { return false; }, duration);
}

std::wstring ClassName(HWND window);
// WM_GETTEXT, sent: another process's edit keeps its text to itself.
std::optional<std::wstring> ReadText(HWND window);
bool WriteText(HWND window, const std::wstring& text);
// Returns once the window's thread takes sent messages again, i.e. is back in
// a message loop; false when it did not within the timeout.
bool Sync(HWND window, Milliseconds timeout = 5000ms);
RECT ScreenRect(HWND window);
// The window's rectangle in its parent's client coordinates.
RECT ClientRectIn(HWND child, HWND parent);
// Within half a pixel of the middle of the screen.
bool Centred(const RECT& outer);

// A dialog box belonging to the program: the file dialog or a message box.
bool IsFileDialog(HWND dialog);
bool IsMessageBox(HWND dialog);
std::optional<std::wstring> MessageBoxText(HWND box);

// One run of the program, ended by force when a test leaves it running.
class Program {
public:
    Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();

    // The main window, or null when the program never showed it.
    [[nodiscard]] HWND Window() const { return window_; }
    [[nodiscard]] HWND Control(int id) const { return GetDlgItem(window_, id); }
    [[nodiscard]] DWORD ThreadId() const { return threadId_; }
    [[nodiscard]] bool Running() const;
    bool WaitForExit(Milliseconds timeout = 5000ms) const;
    [[nodiscard]] std::optional<DWORD> ExitCode() const;

    // The visible #32770 window that the main window owns, if any.
    [[nodiscard]] HWND OwnedDialog() const;
    // Any visible #32770 window of the program, owned or not.
    [[nodiscard]] HWND AnyDialog() const;
    HWND WaitForFileDialog(Milliseconds timeout = 5000ms) const;
    HWND WaitForMessageBox(Milliseconds timeout = 5000ms) const;
    // The control with the keyboard focus in the program's GUI thread.
    [[nodiscard]] HWND Focus() const;

    void Press(int id) const { PostMessageW(Control(id), BM_CLICK, 0, 0); }
    [[nodiscard]] std::optional<std::wstring> Text() const;
    bool SetText(const std::wstring& text) const;

    // Presses "&Open File", picks path in the dialog and waits until the
    // program is back in its message loop. False when some step failed.
    bool OpenFile(const std::wstring& path) const;

private:
    UniqueHandle process_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};

// Answers the dialog with path and waits until it has gone.
bool ChooseFile(HWND dialog, const std::wstring& path);

// A hidden window of the driver's own, for holding the clipboard.
class DriverWindow {
public:
    DriverWindow();
    DriverWindow(const DriverWindow&) = delete;
    DriverWindow& operator=(const DriverWindow&) = delete;
    ~DriverWindow();
    [[nodiscard]] HWND Get() const { return window_; }

private:
    HWND window_;
};

// The clipboard open for the driver for the length of one scope. Opening
// retries for a while, since the program may hold it for a moment.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner, Milliseconds timeout = 3000ms);
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    ~ClipboardSession();
    [[nodiscard]] bool Open() const { return open_; }

private:
    bool open_ = false;
};

bool PutOnClipboard(HWND owner, const std::wstring& text);
// The CF_UNICODETEXT on the clipboard, or nothing when there is none.
std::optional<std::wstring> ClipboardText(HWND owner);

// Real keystrokes, to whatever has the focus in the foreground window.
void TapKey(WORD key);
void TapWithAlt(WORD key);

// What oleacc tells a screen reader of window, asked as one asks: from this
// process, of the window's client object, about itself. "name: <name>; role:
// <role number>; shortcut: <shortcut>", with "(none)" for a missing text and
// "failed 0x<HRESULT>" for a failed call.
std::wstring AccessibleDescription(HWND window);

// Asks the probe library inside the program about window, through a hook: a
// control's font, a window's icons, a library load, a DPI change (see
// Probe_win.h). Empty when the message could not be sent; the argument itself
// when the probe did not answer.
std::wstring Ask(const Program& program, HWND window, ProbeRequest request,
                 const std::wstring& argument = {});

// "<lfHeight> <face>" of a control's font; "none" when the control has no font
// of its own, "<face> (stock)" for the stock system font.
inline std::wstring ControlFont(const Program& program, HWND control) {
    return Ask(program, control, ProbeRequest::Font);
}

// Where the probe library is: beside the driver.
std::wstring ProbeLibraryPath();

// LogPixels, the screen's DPI, for the programs that start while this lives
// (Wine 8 reads it as a process starts); the earlier setting comes back after.
// Wine 10 reads it only as its session starts: there the test command starts
// a session at the DPI for the cases that need another than 96.
class ScreenDpiSetting {
public:
    explicit ScreenDpiSetting(DWORD dpi);
    ScreenDpiSetting(const ScreenDpiSetting&) = delete;
    ScreenDpiSetting& operator=(const ScreenDpiSetting&) = delete;
    ~ScreenDpiSetting();

private:
    std::optional<DWORD> previous_;
};

// Where the build put the program, as a Windows path.
std::wstring ProgramPath();

}  // namespace e2e
