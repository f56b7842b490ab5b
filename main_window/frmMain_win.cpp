// The Win32 window: layout, message loop and the platform services that the
// button handlers use. The program starts here.
#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>

#include "CenterOffset.h"
#include "Clipboard_win.h"
#include "DllSearch_win.h"
#include "DpiMetrics_win.h"
#include "FileHelpers.h"
#include "Path.h"
#include "ReadableFile.h"
#include "ShowFileDialog_win.h"
#include "Text.h"
#include "UniqueHandle_win.h"
#include "Win32Text_win.h"
#include "cmdClose.h"
#include "cmdOpen.h"
#include "frmMainLayout.h"
#include "frmMainServices.h"
#include "resource.h"

namespace {

constexpr wchar_t kClassName[] = L"Varnholt.frmMain";
constexpr wchar_t kTitle[] = L"Varnholt";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Windows 8.1's message for a move to a monitor of another scale; XP's
// headers lack it, and older Windows never sends it.
constexpr UINT kWmDpiChanged = 0x02E0;

// The text field's label, never shown: screen readers name an edit control
// after the static control just before it in z-order. It lies on the free
// strip above the field rather than over it, since ChildWindowFromPoint finds
// hidden windows too.
constexpr wchar_t kDigestName[] = L"MD5 digest";
constexpr TwipRect kDigestLabelTwips = [] {
    const TwipRect& open = kControlTwips[0];
    const TwipRect& field = kControlTwips[1];
    const int top = open.top + open.height;
    return TwipRect{field.left, top, field.width, field.top - top};
}();

class frmMain final : public frmMainServices {
public:
    int Run(HINSTANCE instance, int show);

    // frmMainServices
    Text GetText() override;
    void SetText(const Text& text) override { SetWindowTextW(txtMD5_, Wide(text)); }
    void Repaint() override {
        RedrawWindow(window_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    void Unload() override { DestroyWindow(window_); }
    void ShowMessage(const Text& text) override {
        MessageBoxW(window_, Wide(text), kTitle, MB_OK | MB_ICONEXCLAMATION);
    }
    void SetMousePointer(MousePointer pointer) override {
        busy_ = pointer == MousePointer::Hourglass;
        SetCursor(LoadCursorW(nullptr, busy_ ? IDC_WAIT : IDC_ARROW));
    }
    Path CurrentDirectory() override;
    Path ShowOpen(Path& directory, const Text& filter, std::int32_t filterIndex) override {
        return basComDlg::ShowOpen(window_, std::nullopt, directory, u"", filter, filterIndex, u"");
    }
    bool FileExists(const Path& path) override { return basComDlg::FileExists(path); }
    std::int64_t GetFileLength(const Path& path) override { return basComDlg::GetFileLength(path); }
    std::unique_ptr<ReadableFile> OpenForReading(const Path& path) override {
        return ::OpenForReading(path);
    }
    bool PlaceOnClipboard(const Text& text) override { return PlaceTextOnClipboard(window_, text); }
    void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void ApplyDpi(int dpi);
    void RestoreFocus() const { SetFocus(lastFocus_ ? lastFocus_ : cmdOpen_); }

    const DpiMetrics metrics_;
    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    std::array<HWND, kControlTwips.size()> controls_{};  // in tab order
    HWND lblMD5_ = nullptr;
    HWND cmdOpen_ = nullptr;
    HWND txtMD5_ = nullptr;
    HWND lastFocus_ = nullptr;
    UniqueFont font_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    bool busy_ = false;
};

Text frmMain::GetText() {
    Text text(static_cast<std::size_t>(GetWindowTextLengthW(txtMD5_)) + 1, u'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(txtMD5_, Wide(text), static_cast<int>(text.size()))));
    return text;
}

Path frmMain::CurrentDirectory() {
    Path directory(GetCurrentDirectoryW(0, nullptr), u'\0');
    directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), Wide(directory)));
    return directory;
}

LRESULT CALLBACK frmMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<frmMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<frmMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    return self ? self->HandleMessage(message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT frmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                switch (LOWORD(wParam)) {
                    case IDC_CMDOPEN:
                        cmdOpen_Click(*this);
                        return 0;
                    case IDC_CMDCLOSE_0:
                        cmdClose_Click(*this, 0);
                        return 0;
                    case IDC_CMDCLOSE_1:
                        cmdClose_Click(*this, 1);
                        return 0;
                    default:
                        break;
                }
            }
            return 0;
        case WM_ACTIVATE:
            // Give the focus back to the control that had it when a dialog or
            // another program took it away; not while minimised, where a key
            // would press a button nobody sees.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                lastFocus_ = focus && IsChild(window_, focus) ? focus : lastFocus_;
            } else if (HIWORD(wParam) == 0) {
                RestoreFocus();
            }
            return 0;
        case WM_SETFOCUS:
            // The window itself gets the focus, as when it is restored.
            if (!IsIconic(window_)) {
                RestoreFocus();
            }
            return 0;
        case kWmDpiChanged: {
            // Moved to a monitor of another scale: the twips stay physical.
            ApplyDpi(HIWORD(wParam));
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_SETCURSOR:
            if (busy_) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            HWND window = std::exchange(window_, nullptr);
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            return DefWindowProcW(window, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void frmMain::CreateControls() {
    struct Control {
        const wchar_t* className;
        const wchar_t* caption;
        DWORD style;
        DWORD exStyle;
        int id;
    };
    // Created in tab order; the z-order is the tab order, with the field's
    // label just before the field. ApplyDpi places them.
    const Control controls[] = {
        {L"BUTTON", L"&Open File", BS_PUSHBUTTON, 0, IDC_CMDOPEN},
        {L"EDIT", L"", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IDC_TXTMD5},
        {L"BUTTON", L"Copy+Close", BS_PUSHBUTTON, 0, IDC_CMDCLOSE_0},
        {L"BUTTON", L"Close", BS_PUSHBUTTON, 0, IDC_CMDCLOSE_1},
    };
    static_assert(std::size(controls) == std::tuple_size_v<decltype(controls_)>);
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        const Control& c = controls[i];
        if (c.id == IDC_TXTMD5) {
            lblMD5_ = CreateWindowExW(0, L"STATIC", kDigestName, WS_CHILD, 0, 0, 0, 0, window_,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LBLMD5)),
                                      instance_, nullptr);
        }
        controls_[i] = CreateWindowExW(
            c.exStyle, c.className, c.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | c.style, 0, 0,
            0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
    }
    cmdOpen_ = controls_[0];
    txtMD5_ = controls_[1];
}

// Places the controls from their twips at dpi and gives them the message font
// and the window the icons drawn for dpi. Text, focus and selection stay.
void frmMain::ApplyDpi(int dpi) {
    const auto place = [dpi](HWND control, const TwipRect& r) {
        SetWindowPos(control, nullptr, TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi),
                     TwipsToPixels(r.width, dpi), TwipsToPixels(r.height, dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(lblMD5_, kDigestLabelTwips);
    UniqueFont font = metrics_.CreateMessageFont(dpi);
    for (std::size_t i = 0; i < kControlTwips.size(); ++i) {
        HWND control = controls_[i];
        place(control, kControlTwips[i]);
        if (font.Valid()) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
        }
    }
    // The old font and icons go only once nothing uses them any more.
    if (font.Valid()) {
        font_ = std::move(font);
    }
    const auto load = [&](int width, int height) {
        return UniqueIcon(static_cast<HICON>(
            LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VARNHOLT), IMAGE_ICON, width, height, 0)));
    };
    UniqueIcon bigIcon =
        load(metrics_.SystemMetric(SM_CXICON, dpi), metrics_.SystemMetric(SM_CYICON, dpi));
    UniqueIcon smallIcon =
        load(metrics_.SystemMetric(SM_CXSMICON, dpi), metrics_.SystemMetric(SM_CYSMICON, dpi));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.Get()));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    bigIcon_ = std::move(bigIcon);
    smallIcon_ = std::move(smallIcon);
}

int frmMain::Run(HINSTANCE instance, int show) {
    instance_ = instance;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) {
        return 1;
    }

    // Made empty in the middle of the primary screen, so that it stands on
    // the monitor it will open on and can be asked for that monitor's DPI.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (!CreateWindowExW(0, kClassName, kTitle, kStyle, screenWidth / 2, screenHeight / 2, 0, 0,
                         nullptr, nullptr, instance, this)) {
        return 1;
    }
    const int dpi = metrics_.WindowDpi(window_);
    CreateControls();
    ApplyDpi(dpi);
    const SIZE outer = metrics_.WindowSize(
        {TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)}, kStyle,
        dpi);
    SetWindowPos(window_, nullptr, basComDlg::CenterOffset(screenWidth, outer.cx),
                 basComDlg::CenterOffset(screenHeight, outer.cy), outer.cx, outer.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window_, show);
    SetFocus(cmdOpen_);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!window_ || !IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, PWSTR /*lpCmdLine*/,
                    int nShowCmd) {
    RestrictDllSearch(GetModuleHandleW(L"kernel32.dll"));
    frmMain window;
    return window.Run(hInstance, nShowCmd);
}
