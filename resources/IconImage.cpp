#include "IconImage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "IconPicture.h"

namespace VarnholtIcon {

namespace {

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// The 16 system colours, so the images look the same in every display mode.
constexpr std::array<Rgb, 16> kSystemPalette{{
    {0x00, 0x00, 0x00},
    {0x80, 0x00, 0x00},
    {0x00, 0x80, 0x00},
    {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80},
    {0x80, 0x00, 0x80},
    {0x00, 0x80, 0x80},
    {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80},
    {0xFF, 0x00, 0x00},
    {0x00, 0xFF, 0x00},
    {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF},
    {0xFF, 0x00, 0xFF},
    {0x00, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF},
}};

constexpr std::array<Rgb, 2> kMonochromePalette{{{0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF}}};

constexpr std::size_t kInfoHeaderSize = 40;

void PutByte(Bytes& out, std::uint8_t value) { out.push_back(value); }

void PutWord(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutDword(Bytes& out, std::uint32_t value) {
    PutWord(out, static_cast<std::uint16_t>(value));
    PutWord(out, static_cast<std::uint16_t>(value >> 16));
}

std::span<const Rgb> PaletteOf(const ImageFormat& format) {
    if (format.bitCount == 1) {
        return kMonochromePalette;
    }
    return kSystemPalette;
}

// Transparent pixels get index 0 (black), so the XOR step leaves the screen as it is.
std::uint8_t PaletteIndex(const ImageFormat& format, int x, int y) {
    if (format.bitCount == 1) {
        return MonochromeInk(x, y, format.size) == Ink::White ? 1 : 0;
    }
    switch (PixelInk(x, y, format.size)) {
        case Ink::White:
            return 15;
        case Ink::Cyan:
            return 14;
        case Ink::Grey:
            return 8;
        case Ink::Black:
        case Ink::Transparent:
            break;
    }
    return 0;
}

bool IsTransparent(const ImageFormat& format, int x, int y) {
    const Ink ink =
        format.bitCount == 1 ? MonochromeInk(x, y, format.size) : PixelInk(x, y, format.size);
    return ink == Ink::Transparent;
}

// Bitmap rows are padded to whole DWORDs.
std::size_t RowSize(int width, int bitCount) {
    const std::size_t bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount);
    return (bits + 31) / 32 * 4;
}

std::size_t ImageSize(const ImageFormat& format) {
    return (RowSize(format.size, format.bitCount) + RowSize(format.size, 1)) * format.size;
}

// Rows bottom up, pixels packed from the high bits of each byte.
template <typename PixelValue>
void PutRows(Bytes& out, int size, int bitCount, PixelValue value) {
    const int pixelsPerByte = 8 / bitCount;
    for (int y = size - 1; y >= 0; --y) {
        Bytes row(RowSize(size, bitCount), 0);
        for (int x = 0; x < size; ++x) {
            const int shift = (pixelsPerByte - 1 - x % pixelsPerByte) * bitCount;
            row[static_cast<std::size_t>(x / pixelsPerByte)] |=
                static_cast<std::uint8_t>(value(x, y) << shift);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

std::uint8_t ColourCount(const ImageFormat& format) {
    return static_cast<std::uint8_t>(1U << format.bitCount);
}

// The fields GRPICONDIRENTRY and ICONDIRENTRY share, up to the image size.
void PutDirectoryEntryStart(Bytes& out, const ImageFormat& format, std::size_t imageSize) {
    PutByte(out, format.size);
    PutByte(out, format.size);
    PutByte(out, ColourCount(format));
    PutByte(out, 0);
    PutWord(out, 1);
    PutWord(out, format.bitCount);
    PutDword(out, static_cast<std::uint32_t>(imageSize));
}

void PutDirectoryHeader(Bytes& out) {
    PutWord(out, 0);
    PutWord(out, 1);
    PutWord(out, static_cast<std::uint16_t>(kImageFormats.size()));
}

Bytes EncodeGroup(std::span<const Bytes> images) {
    Bytes out;
    PutDirectoryHeader(out);
    for (std::size_t i = 0; i < kImageFormats.size(); ++i) {
        PutDirectoryEntryStart(out, kImageFormats[i], images[i].size());
        PutWord(out, kImageFormats[i].id);
    }
    return out;
}

Bytes EncodeIco(std::span<const Bytes> images) {
    constexpr std::size_t kHeaderSize = 6;
    constexpr std::size_t kEntrySize = 16;
    Bytes out;
    PutDirectoryHeader(out);
    std::size_t offset = kHeaderSize + kEntrySize * images.size();
    for (std::size_t i = 0; i < kImageFormats.size(); ++i) {
        PutDirectoryEntryStart(out, kImageFormats[i], images[i].size());
        PutDword(out, static_cast<std::uint32_t>(offset));
        offset += images[i].size();
    }
    for (const Bytes& image : images) {
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

}  // namespace

Bytes EncodeImage(const ImageFormat& format) {
    Bytes out;
    PutDword(out, kInfoHeaderSize);
    PutDword(out, format.size);
    // The height counts the colour rows and the mask rows together.
    PutDword(out, 2U * format.size);
    PutWord(out, 1);
    PutWord(out, format.bitCount);
    PutDword(out, 0);  // BI_RGB
    PutDword(out, static_cast<std::uint32_t>(ImageSize(format)));
    PutDword(out, 0);
    PutDword(out, 0);
    PutDword(out, 0);
    PutDword(out, 0);

    for (const Rgb& colour : PaletteOf(format)) {
        PutByte(out, colour.blue);
        PutByte(out, colour.green);
        PutByte(out, colour.red);
        PutByte(out, 0);
    }

    PutRows(out, format.size, format.bitCount,
            [&](int x, int y) { return PaletteIndex(format, x, y); });
    PutRows(out, format.size, 1, [&](int x, int y) { return IsTransparent(format, x, y) ? 1 : 0; });
    return out;
}

std::vector<IconFile> IconFiles() {
    std::vector<IconFile> files;
    std::vector<Bytes> images;
    for (const ImageFormat& format : kImageFormats) {
        images.push_back(EncodeImage(format));
        files.push_back({"icon_" + std::to_string(format.id) + ".bin", images.back()});
    }
    files.push_back({"icon_group.bin", EncodeGroup(images)});
    files.push_back({"Varnholt.ico", EncodeIco(images)});
    return files;
}

}  // namespace VarnholtIcon
