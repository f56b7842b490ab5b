#include "DpiMetrics_win.h"

#include <windows.h>

#include "ModuleExport_win.h"
#include "ScreenDC_win.h"
#include "UniqueHandle_win.h"

namespace {

constexpr int kDefaultDpi = 96;

int SystemDpi() {
    const int dpi = ScreenDC().Caps(LOGPIXELSY);
    return dpi > 0 ? dpi : kDefaultDpi;
}

}  // namespace

DpiMetrics::DpiMetrics(HMODULE user32)
    : getDpiForWindow_(ModuleExport<GetDpiForWindowFn>(user32, "GetDpiForWindow")),
      systemParametersInfoForDpi_(
          ModuleExport<SystemParametersInfoForDpiFn>(user32, "SystemParametersInfoForDpi")),
      adjustWindowRectExForDpi_(
          ModuleExport<AdjustWindowRectExForDpiFn>(user32, "AdjustWindowRectExForDpi")),
      getSystemMetricsForDpi_(
          ModuleExport<GetSystemMetricsForDpiFn>(user32, "GetSystemMetricsForDpi")) {}

int DpiMetrics::WindowDpi(HWND window) const {
    const UINT dpi = getDpiForWindow_ ? getDpiForWindow_(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

UniqueFont DpiMetrics::CreateMessageFont(int dpi) const {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (systemParametersInfoForDpi_) {
        if (!systemParametersInfoForDpi_(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                                         static_cast<UINT>(dpi))) {
            return {};
        }
    } else if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        // Windows 8.1 moves windows between monitors of different DPI but
        // describes the font at the system's DPI only.
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
    } else {
        return {};
    }
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

SIZE DpiMetrics::WindowSize(SIZE client, DWORD style, int dpi) const {
    RECT frame{0, 0, client.cx, client.cy};
    if (adjustWindowRectExForDpi_) {
        adjustWindowRectExForDpi_(&frame, style, FALSE, 0, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&frame, style, FALSE, 0);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

int DpiMetrics::SystemMetric(int index, int dpi) const {
    return getSystemMetricsForDpi_ ? getSystemMetricsForDpi_(index, static_cast<UINT>(dpi))
                                   : MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}
