#pragma once

// Sizes that depend on the display's resolution, for any DPI the window meets.
// Windows 10 (1607) added calls that answer for a given DPI; they are looked
// up at run time, so the program still starts on XP, Vista and 7, where each
// answer falls back to the system-wide one (one DPI for the whole session).

#include <windows.h>

#include "UniqueHandle_win.h"

class DpiMetrics {
public:
    // Looks the newer calls up in user32; null stands for a Windows without them.
    explicit DpiMetrics(HMODULE user32 = GetModuleHandleW(L"user32.dll"));

    // The DPI of the monitor the window stands on; the system's DPI without
    // the newer calls.
    [[nodiscard]] int WindowDpi(HWND window) const;
    // The system's message font as it is drawn at dpi; none on failure.
    [[nodiscard]] UniqueFont CreateMessageFont(int dpi) const;
    // The outer size of a window whose client area is client, at dpi.
    [[nodiscard]] SIZE WindowSize(SIZE client, DWORD style, int dpi) const;
    // GetSystemMetrics(index) at dpi.
    [[nodiscard]] int SystemMetric(int index, int dpi) const;

private:
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

    GetDpiForWindowFn getDpiForWindow_;
    SystemParametersInfoForDpiFn systemParametersInfoForDpi_;
    AdjustWindowRectExForDpiFn adjustWindowRectExForDpi_;
    GetSystemMetricsForDpiFn getSystemMetricsForDpi_;
};
