#pragma once

// Stores the picture from IconPicture.h the way Windows wants it: RT_ICON
// images, the RT_GROUP_ICON directory naming them, and an .ico file of the
// same images for viewing. Bytes only; writing files is the caller's job.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace VarnholtIcon {

using Bytes = std::vector<std::uint8_t>;

struct ImageFormat {
    std::uint16_t id;  // resource id of the RT_ICON image
    std::uint8_t size;
    std::uint16_t bitCount;  // 1 or 4
};

// Shell and window class pick among these by size and colour depth.
inline constexpr std::array<ImageFormat, 3> kImageFormats{{
    {30001, 32, 1},
    {30002, 32, 4},
    {30003, 16, 4},
}};

// The resource id of the RT_GROUP_ICON directory.
inline constexpr std::uint16_t kGroupId = 1;

// One RT_ICON image: BITMAPINFOHEADER, palette, colour rows, transparency mask.
Bytes EncodeImage(const ImageFormat& format);

struct IconFile {
    std::string name;
    Bytes bytes;
};

// icon_<id>.bin for each image, icon_group.bin, and Varnholt.ico.
std::vector<IconFile> IconFiles();

}  // namespace VarnholtIcon
