// What Windows without the newer calls gets: XP to 7 have no per-monitor DPI
// calls, XP and Vista no SetDefaultDllDirectories. The lookups fail here on
// purpose, whatever Windows runs the test.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>

#include "DllSearch_win.h"
#include "DpiMetrics_win.h"

namespace {

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

TEST(OlderWindows, DpiFollowsTheSystemWithoutTheNewerCalls) {
    const DpiMetrics metrics(nullptr);
    const int dpi = SystemDpi();
    ASSERT_GT(dpi, 0);
    EXPECT_EQ(metrics.WindowDpi(GetDesktopWindow()), dpi);

    // The frame is the system's, whatever DPI is asked for.
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, 288, 96};
    ASSERT_TRUE(AdjustWindowRectEx(&frame, kStyle, FALSE, 0));
    const SIZE size = metrics.WindowSize({288, 96}, kStyle, 2 * dpi);
    EXPECT_EQ(size.cx, frame.right - frame.left);
    EXPECT_EQ(size.cy, frame.bottom - frame.top);

    // Metrics and the message font are scaled from the system's.
    for (const int index : std::array{SM_CXICON, SM_CYICON, SM_CXSMICON, SM_CYSMICON}) {
        EXPECT_EQ(metrics.SystemMetric(index, 2 * dpi), 2 * GetSystemMetrics(index)) << index;
    }
    NONCLIENTMETRICSW system{};
    system.cbSize = sizeof(system);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(system), &system, 0));
    const UniqueFont font = metrics.CreateMessageFont(2 * dpi);
    ASSERT_TRUE(font.Valid());
    LOGFONTW drawn{};
    ASSERT_EQ(GetObjectW(font.Get(), sizeof(drawn), &drawn), static_cast<int>(sizeof(drawn)));
    EXPECT_EQ(drawn.lfHeight, 2 * system.lfMessageFont.lfHeight);
    EXPECT_STREQ(drawn.lfFaceName, system.lfMessageFont.lfFaceName);
}

TEST(OlderWindows, DllSearchDropsTheCurrentFolderWithoutSetDefaultDllDirectories) {
    // No module at all, and one that lacks the function.
    for (const HMODULE kernel32 : {HMODULE{}, GetModuleHandleW(L"user32.dll")}) {
        ASSERT_TRUE(SetDllDirectoryW(L"C:\\"));
        EXPECT_FALSE(RestrictDllSearch(kernel32));
        wchar_t directory[MAX_PATH] = L"unchanged";
        EXPECT_EQ(GetDllDirectoryW(MAX_PATH, directory), 0U);
        EXPECT_STREQ(directory, L"");
    }
    SetDllDirectoryW(nullptr);
}

}  // namespace
