#pragma once

// Stores the picture from IconPicture.h as a PNG file for the Linux desktop's
// icon theme: 8-bit palette image, one palette entry per ink, the first one
// transparent.

#include <cstdint>
#include <vector>

namespace VarnholtIcon {

// A size x size PNG file; size from 1 to 1024.
std::vector<std::uint8_t> EncodePng(int size);

}  // namespace VarnholtIcon
