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

}  // namespace VarnholtIcon
