// The Win32 window: layout, message loop and the platform services that the
// button handlers use. The program starts here.
#include <windows.h>

#include <optional>

#include "CenterOffset.h"
#include "Clipboard_win.h"
#include "FileHelpers.h"
#include "ScreenDC_win.h"
#include "ShowFileDialog_win.h"
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

class UniqueFont {
public:
    explicit UniqueFont(HFONT font = nullptr) : font_(font) {}
    UniqueFont(const UniqueFont&) = delete;
    UniqueFont& operator=(const UniqueFont&) = delete;
    ~UniqueFont() {
        if (font_) {
            DeleteObject(font_);
        }
    }
    [[nodiscard]] HFONT Get() const { return font_; }

private:
    HFONT font_;
};

// The system's message font, which bare child windows do not get by themselves.
HFONT CreateMessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        return nullptr;
    }
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

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
    Text CurrentDirectory() override;
    Text ShowOpen(Text& directory, const Text& filter, std::int32_t filterIndex) override {
        return basComDlg::ShowOpen(window_, std::nullopt, directory, u"", filter, filterIndex, u"");
    }
    bool FileExists(const Text& path) override { return basComDlg::FileExists(path); }
    std::int64_t GetFileLength(const Text& path) override { return basComDlg::GetFileLength(path); }
    std::unique_ptr<ReadableFile> OpenForReading(const Text& path) override {
        return ::OpenForReading(path);
    }
    bool PlaceOnClipboard(const Text& text) override { return PlaceTextOnClipboard(window_, text); }
    void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls(HINSTANCE instance, int dpiX, int dpiY);

    HWND window_ = nullptr;
    HWND cmdOpen_ = nullptr;
    HWND txtMD5_ = nullptr;
    HWND lastFocus_ = nullptr;
    UniqueFont font_{CreateMessageFont()};
    bool busy_ = false;
};

Text frmMain::GetText() {
    Text text(static_cast<std::size_t>(GetWindowTextLengthW(txtMD5_)) + 1, u'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(txtMD5_, Wide(text), static_cast<int>(text.size()))));
    return text;
}

Text frmMain::CurrentDirectory() {
    Text directory(GetCurrentDirectoryW(0, nullptr), u'\0');
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
            // another program took it away.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                lastFocus_ = focus && IsChild(window_, focus) ? focus : lastFocus_;
            } else {
                SetFocus(lastFocus_ ? lastFocus_ : cmdOpen_);
            }
            return 0;
        case WM_SETCURSOR:
            if (busy_) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            window_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void frmMain::CreateControls(HINSTANCE instance, int dpiX, int dpiY) {
    struct Control {
        const wchar_t* className;
        const wchar_t* caption;
        DWORD style;
        DWORD exStyle;
        int id;
    };
    // Created in tab order; the z-order is the tab order.
    const Control controls[] = {
        {L"BUTTON", L"&Open File", BS_PUSHBUTTON, 0, IDC_CMDOPEN},
        {L"EDIT", L"", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IDC_TXTMD5},
        {L"BUTTON", L"Copy+Close", BS_PUSHBUTTON, 0, IDC_CMDCLOSE_0},
        {L"BUTTON", L"Close", BS_PUSHBUTTON, 0, IDC_CMDCLOSE_1},
    };
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        const Control& c = controls[i];
        const TwipRect& r = kControlTwips[i];
        const HWND control = CreateWindowExW(
            c.exStyle, c.className, c.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | c.style,
            TwipsToPixels(r.left, dpiX), TwipsToPixels(r.top, dpiY), TwipsToPixels(r.width, dpiX),
            TwipsToPixels(r.height, dpiY), window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        if (font_.Get()) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        }
        if (c.id == IDC_CMDOPEN) {
            cmdOpen_ = control;
        } else if (c.id == IDC_TXTMD5) {
            txtMD5_ = control;
        }
    }
}

int frmMain::Run(HINSTANCE instance, int show) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VARNHOLT));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VARNHOLT),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) {
        return 1;
    }

    const ScreenDC screen;
    const int dpiX = screen.Caps(LOGPIXELSX) > 0 ? screen.Caps(LOGPIXELSX) : 96;
    const int dpiY = screen.Caps(LOGPIXELSY) > 0 ? screen.Caps(LOGPIXELSY) : 96;
    RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpiX),
               TwipsToPixels(kClientHeightTwips, dpiY)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = basComDlg::CenterOffset(GetSystemMetrics(SM_CXSCREEN), width);
    const int y = basComDlg::CenterOffset(GetSystemMetrics(SM_CYSCREEN), height);

    if (!CreateWindowExW(0, kClassName, kTitle, kStyle, x, y, width, height, nullptr, nullptr,
                         instance, this)) {
        return 1;
    }
    CreateControls(instance, dpiX, dpiY);
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    frmMain window;
    return window.Run(instance, show);
}
