#pragma once

// The program's icon as a picture: which ink each pixel gets. Knows nothing
// about how an icon is stored.

#include <cstdint>

namespace VarnholtIcon {

enum class Ink : std::uint8_t { Transparent, Black, White, Cyan, Grey };

// The ink of pixel (x, y), (0, 0) being top left, in a size x size image of
// any size from 1 to 1024; lines are one pixel wide at every size.
Ink PixelInk(int x, int y, int size);

// The same picture in black and white only, for two-colour images.
Ink MonochromeInk(int x, int y, int size);

struct Rgba {
    std::uint8_t red, green, blue, alpha;
    bool operator==(const Rgba&) const = default;
};

// The colour of the Windows palette entry that the icon's 16-colour images
// use for ink, so every rendering of the picture looks the same.
constexpr Rgba InkColour(Ink ink) {
    switch (ink) {
        case Ink::Black:
            return {0x00, 0x00, 0x00, 0xFF};
        case Ink::White:
            return {0xFF, 0xFF, 0xFF, 0xFF};
        case Ink::Cyan:
            return {0x00, 0xFF, 0xFF, 0xFF};
        case Ink::Grey:
            return {0x80, 0x80, 0x80, 0xFF};
        case Ink::Transparent:
            break;
    }
    return {0, 0, 0, 0};
}

}  // namespace VarnholtIcon
