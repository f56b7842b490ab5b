#include "Driver_win.h"

#include <dlgs.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

#include "Clipboard_win.h"
#include "GlobalMemory_win.h"

namespace e2e {

namespace {

constexpr wchar_t kTitle[] = L"Varnholt";
constexpr int kMessageBoxTextId = 0xFFFF;

UINT Timeout(Milliseconds timeout) { return static_cast<UINT>(timeout.count()); }

template <typename Visit>
struct TopLevelSearch {
    Visit& visit;
    HWND found;

    // A named CALLBACK: a lambda would convert to the default convention,
    // which on 32-bit Windows is not the one EnumWindows calls.
    static BOOL CALLBACK Next(HWND window, LPARAM data) {
        auto& s = *reinterpret_cast<TopLevelSearch*>(data);
        if (s.visit(window)) {
            s.found = window;
            return FALSE;
        }
        return TRUE;
    }
};

// Calls visit for every top-level window until it answers true; returns that window.
template <typename Visit>
HWND FindTopLevel(Visit visit) {
    TopLevelSearch<Visit> search{visit, nullptr};
    EnumWindows(&TopLevelSearch<Visit>::Next, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

std::wstring Caption(HWND window) {
    wchar_t caption[256]{};
    GetWindowTextW(window, caption, static_cast<int>(std::size(caption)));
    return caption;
}

// Makes the driver per-monitor aware, as the program is, so that it reads the
// program's windows in physical pixels: Wine 10, like Windows, scales them to
// 96 DPI for a process that is not. A Windows 10 (1703) call, looked up at run
// time; once it has been made, later calls change nothing.
void ReadPhysicalPixels() {
    using SetProcessDpiAwarenessContextFn = BOOL(WINAPI*)(HANDLE);
    const auto set = reinterpret_cast<SetProcessDpiAwarenessContextFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, else _PER_MONITOR_AWARE.
    if (set && !set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) {
        set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)));
    }
}

}  // namespace

void PumpMessages(Milliseconds timeout) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, Timeout(timeout), QS_ALLINPUT);
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

std::wstring ClassName(HWND window) {
    wchar_t name[64]{};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

std::optional<std::wstring> ReadText(HWND window) {
    DWORD_PTR length = 0;
    if (!window ||
        !SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 3000, &length)) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(length + 64);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL, 3000, &copied)) {
        return std::nullopt;
    }
    return std::wstring(buffer.data(), std::min<std::size_t>(copied, buffer.size() - 1));
}

bool WriteText(HWND window, const std::wstring& text) {
    DWORD_PTR result = 0;
    return window &&
           SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                               SMTO_NORMAL, 3000, &result) &&
           result == TRUE;
}

bool Sync(HWND window, Milliseconds timeout) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, Timeout(timeout), &result) != 0;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientRectIn(HWND child, HWND parent) {
    RECT rect = ScreenRect(child);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Centred(const RECT& outer) {
    const int spareX = GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left);
    const int spareY = GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top);
    return std::abs(2 * outer.left - spareX) <= 1 && std::abs(2 * outer.top - spareY) <= 1;
}

bool IsFileDialog(HWND dialog) {
    return GetDlgItem(dialog, edt1) != nullptr && GetDlgItem(dialog, cmb1) != nullptr;
}

bool IsMessageBox(HWND dialog) { return GetDlgItem(dialog, kMessageBoxTextId) != nullptr; }

std::optional<std::wstring> MessageBoxText(HWND box) {
    return ReadText(GetDlgItem(box, kMessageBoxTextId));
}

Program::Program() {
    ReadPhysicalPixels();
    const std::wstring path = ProgramPath();
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        return;
    }
    process_.Reset(started.hProcess);
    const UniqueHandle thread(started.hThread);
    processId_ = started.dwProcessId;

    WaitForInputIdle(process_.Get(), 5000);
    const auto findWindow = [this] {
        window_ = FindTopLevel([this](HWND window) {
            return ProcessOf(window) == processId_ && IsWindowVisible(window) &&
                   !GetWindow(window, GW_OWNER) && Caption(window) == kTitle;
        });
        return window_ != nullptr || !Running();
    };
    // Generous: the first start in a session, under an emulator on a busy
    // machine, has taken over 8 s. A program that ends stops the wait.
    if (WaitFor(findWindow, 20000ms) && window_) {
        threadId_ = GetWindowThreadProcessId(window_, nullptr);
    }
}

Program::~Program() {
    if (Running()) {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), 5000);
    }
}

bool Program::Running() const {
    return process_.Valid() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(Milliseconds timeout) const {
    return process_.Valid() && WaitFor([this] { return !Running(); }, timeout);
}

std::optional<DWORD> Program::ExitCode() const {
    DWORD code = 0;
    if (Running() || !GetExitCodeProcess(process_.Get(), &code)) {
        return std::nullopt;
    }
    return code;
}

HWND Program::OwnedDialog() const {
    if (!window_) {
        return nullptr;
    }
    return FindTopLevel([this](HWND window) {
        return ProcessOf(window) == processId_ && IsWindowVisible(window) &&
               GetWindow(window, GW_OWNER) == window_ && ClassName(window) == L"#32770";
    });
}

HWND Program::AnyDialog() const {
    return FindTopLevel([this](HWND window) {
        return ProcessOf(window) == processId_ && IsWindowVisible(window) &&
               ClassName(window) == L"#32770";
    });
}

HWND Program::WaitForFileDialog(Milliseconds timeout) const {
    HWND dialog = nullptr;
    WaitFor(
        [&] {
            dialog = OwnedDialog();
            return dialog && IsFileDialog(dialog);
        },
        timeout);
    return dialog && IsFileDialog(dialog) ? dialog : nullptr;
}

HWND Program::WaitForMessageBox(Milliseconds timeout) const {
    HWND box = nullptr;
    WaitFor(
        [&] {
            box = OwnedDialog();
            return box && IsMessageBox(box);
        },
        timeout);
    return box && IsMessageBox(box) ? box : nullptr;
}

HWND Program::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
}

std::optional<std::wstring> Program::Text() const { return ReadText(Control(kTextId)); }

bool Program::SetText(const std::wstring& text) const { return WriteText(Control(kTextId), text); }

bool Program::OpenFile(const std::wstring& path) const {
    Press(kOpenId);
    const HWND dialog = WaitForFileDialog();
    return dialog && ChooseFile(dialog, path) && Sync(window_, 8000ms);
}

bool ChooseFile(HWND dialog, const std::wstring& path) {
    if (!WriteText(GetDlgItem(dialog, edt1), path)) {
        return false;
    }
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return WaitFor([dialog] { return !IsWindow(dialog); });
}

DriverWindow::DriverWindow()
    : window_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                              nullptr)) {}

DriverWindow::~DriverWindow() {
    if (window_) {
        DestroyWindow(window_);
    }
}

ClipboardSession::ClipboardSession(HWND owner, Milliseconds timeout) {
    WaitFor([&] { return open_ = OpenClipboard(owner) != FALSE; }, timeout);
}

ClipboardSession::~ClipboardSession() {
    if (open_) {
        CloseClipboard();
    }
}

bool PutOnClipboard(HWND owner, const std::wstring& text) {
    // The program's own placement, tried until the clipboard is free.
    return WaitFor([&] { return PlaceTextOnClipboard(owner, ::Text(text.begin(), text.end())); });
}

std::optional<std::wstring> ClipboardText(HWND owner) {
    const ClipboardSession session(owner);
    if (!session.Open() || !IsClipboardFormatAvailable(CF_UNICODETEXT)) {
        return std::nullopt;
    }
    const HGLOBAL memory = GetClipboardData(CF_UNICODETEXT);
    if (!memory) {
        return std::nullopt;
    }
    const GlobalLockScope lock(memory);
    if (!lock.Data()) {
        return std::nullopt;
    }
    // Up to the terminator, never past the block.
    const auto* text = static_cast<const wchar_t*>(lock.Data());
    return std::wstring(text, wcsnlen(text, GlobalSize(memory) / sizeof(wchar_t)));
}

namespace {

void SendKeys(std::initializer_list<std::pair<WORD, bool>> strokes) {
    std::vector<INPUT> inputs;
    for (const auto& [key, up] : strokes) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

using UniqueHook = UniqueAny<HHOOK, UnhookWindowsHookEx>;

void ReleaseAccessible(IAccessible* object) { object->Release(); }
using UniqueAccessible = UniqueAny<IAccessible*, ReleaseAccessible>;
using UniqueBstr = UniqueAny<BSTR, SysFreeString>;

std::wstring Failure(HRESULT result) {
    wchar_t text[32]{};
    std::swprintf(text, std::size(text), L"failed 0x%08lX", static_cast<unsigned long>(result));
    return text;
}

// One text property of an accessible object, got through get.
template <typename Get>
std::wstring AccessibleText(Get get) {
    BSTR raw = nullptr;
    const HRESULT result = get(&raw);
    const UniqueBstr text(raw);
    if (FAILED(result)) {
        return Failure(result);
    }
    return text.Valid() ? std::wstring(text.Get(), SysStringLen(text.Get())) : L"(none)";
}

// The probe library, found beside the driver.
UniqueModule LoadProbeLibrary() { return UniqueModule(LoadLibraryW(L"Varnholt_font_probe.dll")); }

}  // namespace

void TapKey(WORD key) { SendKeys({{key, false}, {key, true}}); }

void TapWithAlt(WORD key) {
    SendKeys({{VK_MENU, false}, {key, false}, {key, true}, {VK_MENU, true}});
}

std::wstring AccessibleDescription(HWND window) {
    void* object = nullptr;
    const HRESULT found = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                                     IID_IAccessible, &object);
    const UniqueAccessible accessible(static_cast<IAccessible*>(object));
    if (FAILED(found) || !accessible.Valid()) {
        return L"AccessibleObjectFromWindow " + Failure(found);
    }
    VARIANT self{};
    V_VT(&self) = VT_I4;
    V_I4(&self) = CHILDID_SELF;
    VARIANT role{};
    const HRESULT roleResult = accessible.Get()->get_accRole(self, &role);
    const std::wstring roleText = FAILED(roleResult)     ? Failure(roleResult)
                                  : V_VT(&role) == VT_I4 ? std::to_wstring(V_I4(&role))
                                                         : L"(not a number)";
    VariantClear(&role);
    return L"name: " +
           AccessibleText([&](BSTR* name) { return accessible.Get()->get_accName(self, name); }) +
           L"; role: " + roleText + L"; shortcut: " + AccessibleText([&](BSTR* shortcut) {
               return accessible.Get()->get_accKeyboardShortcut(self, shortcut);
           });
}

std::wstring Ask(const Program& program, HWND window, ProbeRequest request,
                 const std::wstring& argument) {
    const UniqueModule library = LoadProbeLibrary();
    const auto procedure = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(library.Get(), "ProbeHook")));
    if (!procedure) {
        return {};
    }
    const UniqueHook hook(
        SetWindowsHookExW(WH_CALLWNDPROC, procedure, library.Get(), program.ThreadId()));
    const DriverWindow answer;
    DWORD_PTR ignored = 0;
    // The hook answers with WM_SETTEXT to our window, taken while we wait here.
    if (!hook.Valid() || !SetWindowTextW(answer.Get(), argument.c_str()) ||
        !SendMessageTimeoutW(window, RegisterWindowMessageW(kProbeMessage),
                             reinterpret_cast<WPARAM>(answer.Get()), static_cast<LPARAM>(request),
                             SMTO_NORMAL, 5000, &ignored)) {
        return {};
    }
    return Caption(answer.Get());
}

std::wstring ProbeLibraryPath() {
    const UniqueModule library = LoadProbeLibrary();
    wchar_t path[MAX_PATH]{};
    const DWORD length =
        GetModuleFileNameW(library.Get(), path, static_cast<DWORD>(std::size(path)));
    return library.Valid() && length < std::size(path) ? std::wstring(path, length)
                                                       : std::wstring();
}

namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";

}  // namespace

ScreenDpiSetting::ScreenDpiSetting(DWORD dpi) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) == ERROR_SUCCESS) {
        previous_ = value;
    }
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof(dpi));
}

ScreenDpiSetting::~ScreenDpiSetting() {
    if (previous_) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &*previous_,
                        sizeof(*previous_));
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    }
}

std::wstring ProgramPath() {
    std::string built = VARNHOLT_EXE;
    // A Unix path from a cross build: Wine maps Z: to /.
    if (built.starts_with('/')) {
        built = "Z:" + built;
    }
    std::wstring path(built.size(), L'\0');
    path.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, built.c_str(), static_cast<int>(built.size()), path.data(),
                            static_cast<int>(path.size()))));
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

}  // namespace e2e
