// Loaded into the program by a hook: answers the driver's questions from
// inside the program, where fonts, icons and pointers in messages are at hand
// (none of them crosses processes under Wine).
#include <windows.h>

#include <cwchar>
#include <iterator>
#include <string>

#include "Probe_win.h"

namespace {

std::wstring DescribeFont(HWND window) {
    auto* const font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    if (!font || GetObjectW(font, sizeof(description), &description) != sizeof(description)) {
        return L"none";
    }
    if (font == GetStockObject(SYSTEM_FONT)) {
        return std::wstring(description.lfFaceName) + L" (stock)";
    }
    return std::to_wstring(description.lfHeight) + L" " + description.lfFaceName;
}

int IconWidth(HWND window, WPARAM kind) {
    auto* const icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, kind, 0));
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) {
        return 0;
    }
    BITMAP bitmap{};
    GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) {
        DeleteObject(info.hbmColor);
    }
    return bitmap.bmWidth;
}

std::wstring Load(const std::wstring& path) {
    const HMODULE module = LoadLibraryW(path.c_str());
    if (!module) {
        return std::to_wstring(GetLastError());
    }
    FreeLibrary(module);
    return L"0";
}

std::wstring SendDpiChanged(HWND window, const std::wstring& argument) {
    unsigned dpi = 0;
    RECT suggested{};
    if (std::swscanf(argument.c_str(), L"%u %ld %ld %ld %ld", &dpi, &suggested.left, &suggested.top,
                     &suggested.right, &suggested.bottom) != 5) {
        return L"bad argument";
    }
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    return L"0";
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == RegisterWindowMessageW(kProbeMessage)) {
        auto* const answerWindow = reinterpret_cast<HWND>(call->wParam);
        wchar_t argument[MAX_PATH + 64]{};
        GetWindowTextW(answerWindow, argument, static_cast<int>(std::size(argument)));
        std::wstring answer;
        switch (static_cast<ProbeRequest>(call->lParam)) {
            case ProbeRequest::Font:
                answer = DescribeFont(call->hwnd);
                break;
            case ProbeRequest::Icons:
                answer = std::to_wstring(IconWidth(call->hwnd, ICON_BIG)) + L" " +
                         std::to_wstring(IconWidth(call->hwnd, ICON_SMALL));
                break;
            case ProbeRequest::Load:
                answer = Load(argument);
                break;
            case ProbeRequest::DpiChanged:
                answer = SendDpiChanged(call->hwnd, argument);
                break;
        }
        SetWindowTextW(answerWindow, answer.c_str());
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
