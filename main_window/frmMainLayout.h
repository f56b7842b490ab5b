#pragma once

// The window's layout in twips (1440 to the inch), converted to pixels with
// the display's resolution.

#include <array>
#include <cstdint>

struct TwipRect {
    int left, top, width, height;
};

inline constexpr int kClientWidthTwips = 4320;
inline constexpr int kClientHeightTwips = 1440;

// In tab order: cmdOpen, txtMD5, cmdClose(0) "Copy+Close", cmdClose(1) "Close".
inline constexpr std::array<TwipRect, 4> kControlTwips = {{
    {60, 60, 1155, 375},
    {60, 525, 4155, 315},
    {930, 960, 1155, 375},
    {2220, 960, 1155, 375},
}};

// Rounded to the nearest pixel, halves away from zero.
constexpr int TwipsToPixels(int twips, int dpi) {
    const std::int64_t scaled = std::int64_t{twips} * dpi;
    return static_cast<int>((scaled + (scaled >= 0 ? 720 : -720)) / 1440);
}
