#pragma once

#include <windows.h>

// A device context for the whole screen, released when the object goes.
class ScreenDC {
public:
    ScreenDC() : dc_(GetDC(nullptr)) {}
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    ~ScreenDC() {
        if (dc_) {
            ReleaseDC(nullptr, dc_);
        }
    }
    // GetDeviceCaps, or 0 when no context could be had.
    [[nodiscard]] int Caps(int index) const { return dc_ ? GetDeviceCaps(dc_, index) : 0; }

private:
    HDC dc_;
};
