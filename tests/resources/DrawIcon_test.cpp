// The committed icon files must be well-formed and exactly what the generator
// makes now, so a change to the picture cannot be forgotten in resources/icon.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "IconImage.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Expected {
    std::uint16_t id;
    int size;
    int bitCount;
    std::size_t bytes;
};

// Written out here rather than taken from the generator, so both must agree.
constexpr std::array<Expected, 3> kExpected{{
    {30001, 32, 1, 304},
    {30002, 32, 4, 744},
    {30003, 16, 4, 296},
}};

constexpr std::array<std::uint32_t, 16> kSystemColours{
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

Bytes ReadCommitted(const std::string& name) {
    std::ifstream in(std::filesystem::path(VARNHOLT_ICON_DIR) / name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ImageName(std::uint16_t id) { return "icon_" + std::to_string(id) + ".bin"; }

unsigned Word(const Bytes& bytes, std::size_t offset) {
    return bytes.at(offset) | bytes.at(offset + 1) << 8;
}

std::uint32_t Dword(const Bytes& bytes, std::size_t offset) {
    return Word(bytes, offset) | static_cast<std::uint32_t>(Word(bytes, offset + 2)) << 16;
}

std::size_t RowSize(int width, int bitCount) {
    return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
}

// Reads a pixel back from an RT_ICON image: its palette index and mask bit.
struct Pixel {
    unsigned index;
    bool transparent;
};

Pixel ReadPixel(const Bytes& image, const Expected& format, int x, int y) {
    const auto bitsAt = [&](std::size_t start, int bitCount) {
        const std::size_t row = static_cast<std::size_t>(format.size - 1 - y);
        const std::size_t bit = static_cast<std::size_t>(x * bitCount);
        const unsigned byte = image.at(start + row * RowSize(format.size, bitCount) + bit / 8);
        const unsigned shift = 8 - static_cast<unsigned>(bitCount) - bit % 8;
        return (byte >> shift) & ((1U << bitCount) - 1);
    };
    const std::size_t colours = std::size_t{1} << format.bitCount;
    const std::size_t xorStart = 40 + 4 * colours;
    const std::size_t andStart =
        xorStart + RowSize(format.size, format.bitCount) * static_cast<std::size_t>(format.size);
    return {bitsAt(xorStart, format.bitCount), bitsAt(andStart, 1) == 1};
}

TEST(IconResources, FileSizes) {
    for (const auto& format : kExpected) {
        EXPECT_EQ(ReadCommitted(ImageName(format.id)).size(), format.bytes) << format.id;
    }
    EXPECT_EQ(ReadCommitted("icon_group.bin").size(), 6U + 3 * 14);
    EXPECT_EQ(ReadCommitted("Varnholt.ico").size(), 6U + 3 * 16 + 304 + 744 + 296);
}

TEST(IconResources, GroupDirectory) {
    const Bytes group = ReadCommitted("icon_group.bin");
    ASSERT_EQ(group.size(), 48U);
    EXPECT_EQ(Word(group, 0), 0U);
    EXPECT_EQ(Word(group, 2), 1U);
    EXPECT_EQ(Word(group, 4), 3U);
    for (std::size_t i = 0; i < kExpected.size(); ++i) {
        const Expected& format = kExpected[i];
        const std::size_t entry = 6 + 14 * i;
        SCOPED_TRACE(format.id);
        EXPECT_EQ(group[entry], format.size);
        EXPECT_EQ(group[entry + 1], format.size);
        EXPECT_EQ(group[entry + 2], 1U << format.bitCount);
        EXPECT_EQ(group[entry + 3], 0U);
        EXPECT_EQ(Word(group, entry + 4), 1U);
        EXPECT_EQ(Word(group, entry + 6), static_cast<unsigned>(format.bitCount));
        EXPECT_EQ(Dword(group, entry + 8), format.bytes);
        EXPECT_EQ(Word(group, entry + 12), format.id);
    }
}

TEST(IconResources, ImageHeaders) {
    for (const auto& format : kExpected) {
        SCOPED_TRACE(format.id);
        const Bytes image = ReadCommitted(ImageName(format.id));
        ASSERT_EQ(image.size(), format.bytes);
        const std::size_t colours = std::size_t{1} << format.bitCount;
        const auto size = static_cast<std::size_t>(format.size);
        EXPECT_EQ(Dword(image, 0), 40U);
        EXPECT_EQ(Dword(image, 4), size);
        EXPECT_EQ(Dword(image, 8), 2 * size);
        EXPECT_EQ(Word(image, 12), 1U);
        EXPECT_EQ(Word(image, 14), static_cast<unsigned>(format.bitCount));
        EXPECT_EQ(Dword(image, 16), 0U);
        EXPECT_EQ(Dword(image, 20), format.bytes - 40 - 4 * colours);
        EXPECT_EQ(Dword(image, 20),
                  (RowSize(format.size, format.bitCount) + RowSize(format.size, 1)) * size);
        for (std::size_t field = 24; field < 40; field += 4) {
            EXPECT_EQ(Dword(image, field), 0U) << "offset " << field;
        }
    }
}

TEST(IconResources, Palettes) {
    for (const auto& format : kExpected) {
        SCOPED_TRACE(format.id);
        const Bytes image = ReadCommitted(ImageName(format.id));
        ASSERT_EQ(image.size(), format.bytes);
        const std::vector<std::uint32_t> expected =
            format.bitCount == 1
                ? std::vector<std::uint32_t>{0x000000, 0xFFFFFF}
                : std::vector<std::uint32_t>(kSystemColours.begin(), kSystemColours.end());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            // RGBQUAD: blue, green, red, reserved.
            EXPECT_EQ(Dword(image, 40 + 4 * i), expected[i]) << "colour " << i;
        }
    }
}

TEST(IconResources, IcoFileHoldsTheSameImages) {
    const Bytes ico = ReadCommitted("Varnholt.ico");
    const Bytes group = ReadCommitted("icon_group.bin");
    ASSERT_EQ(ico.size(), 1398U);
    ASSERT_EQ(group.size(), 48U);
    EXPECT_EQ(Word(ico, 0), 0U);
    EXPECT_EQ(Word(ico, 2), 1U);
    EXPECT_EQ(Word(ico, 4), 3U);
    std::size_t offset = 6 + 3 * 16;
    for (std::size_t i = 0; i < kExpected.size(); ++i) {
        SCOPED_TRACE(kExpected[i].id);
        const std::size_t entry = 6 + 16 * i;
        // The same fields as the group entry, apart from where the image is.
        EXPECT_TRUE(std::equal(ico.begin() + static_cast<std::ptrdiff_t>(entry),
                               ico.begin() + static_cast<std::ptrdiff_t>(entry + 12),
                               group.begin() + static_cast<std::ptrdiff_t>(6 + 14 * i)));
        EXPECT_EQ(Dword(ico, entry + 12), offset);
        const Bytes image = ReadCommitted(ImageName(kExpected[i].id));
        ASSERT_LE(offset + image.size(), ico.size());
        EXPECT_TRUE(std::equal(image.begin(), image.end(),
                               ico.begin() + static_cast<std::ptrdiff_t>(offset)));
        offset += image.size();
    }
    EXPECT_EQ(offset, ico.size());
}

TEST(IconResources, CommittedFilesMatchTheGenerator) {
    std::map<std::string, Bytes> generated;
    for (auto& file : VarnholtIcon::IconFiles()) {
        generated.emplace(file.name, std::move(file.bytes));
    }
    std::map<std::string, Bytes> committed;
    for (const auto& entry : std::filesystem::directory_iterator(VARNHOLT_ICON_DIR)) {
        const std::string name = entry.path().filename().string();
        committed.emplace(name, ReadCommitted(name));
    }
    ASSERT_EQ(generated.size(), 5U);
    for (const auto& [name, bytes] : generated) {
        ASSERT_TRUE(committed.contains(name)) << name << " is not in resources/icon";
        EXPECT_TRUE(committed.at(name) == bytes)
            << name << " is out of date: run scripts/pictures/draw-icon.sh";
    }
    EXPECT_EQ(committed.size(), generated.size()) << "resources/icon holds other files";
}

TEST(IconResources, PictureHasEveryPart) {
    for (const auto& format : kExpected) {
        SCOPED_TRACE(format.id);
        const Bytes image = ReadCommitted(ImageName(format.id));
        ASSERT_EQ(image.size(), format.bytes);
        std::map<unsigned, int> opaque;
        int transparent = 0;
        for (int y = 0; y < format.size; ++y) {
            for (int x = 0; x < format.size; ++x) {
                const Pixel pixel = ReadPixel(image, format, x, y);
                if (pixel.transparent) {
                    // Black under a set mask bit leaves the background alone.
                    EXPECT_EQ(pixel.index, 0U) << x << "," << y;
                    ++transparent;
                } else {
                    ++opaque[pixel.index];
                }
            }
        }
        EXPECT_GT(transparent, 0);
        EXPECT_GT(opaque[0], 0) << "black";
        if (format.bitCount == 1) {
            EXPECT_GT(opaque[1], 0) << "white";
        } else {
            EXPECT_GT(opaque[15], 0) << "white";
            EXPECT_GT(opaque[14], 0) << "cyan";
            EXPECT_GT(opaque[8], 0) << "grey";
            EXPECT_EQ(opaque.size(), 4U) << "only black, white, cyan and grey";
        }
        // The window, not the background, should fill most of the picture.
        EXPECT_GT(format.size * format.size - transparent, format.size * format.size / 3);
    }
}

TEST(IconResources, TransparentCornersAndWhiteMiddle) {
    const Expected& format = kExpected[1];
    const Bytes image = ReadCommitted(ImageName(format.id));
    ASSERT_EQ(image.size(), format.bytes);
    for (const auto& [x, y] :
         {std::pair{0, 0}, std::pair{31, 0}, std::pair{0, 31}, std::pair{31, 31}}) {
        EXPECT_TRUE(ReadPixel(image, format, x, y).transparent) << x << "," << y;
    }
    const Pixel middle = ReadPixel(image, format, 16, 16);
    EXPECT_FALSE(middle.transparent);
    EXPECT_EQ(middle.index, 15U);
}

}  // namespace
