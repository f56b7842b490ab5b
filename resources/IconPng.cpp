#include "IconPng.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "IconPicture.h"

namespace VarnholtIcon {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < table.size(); ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t c = 0xFFFFFFFFU;
    for (const std::uint8_t byte : bytes) {
        c = kCrcTable[(c ^ byte) & 0xFFU] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFU;
}

std::uint32_t Adler32(std::span<const std::uint8_t> bytes) {
    constexpr std::uint32_t kModulus = 65521;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const std::uint8_t byte : bytes) {
        a = (a + byte) % kModulus;
        b = (b + a) % kModulus;
    }
    return b << 16 | a;
}

void PutBigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void PutChunk(Bytes& out, std::string_view type, std::span<const std::uint8_t> data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(std::span(out).subspan(start)));
}

// A zlib stream of stored (uncompressed) deflate blocks: the images are
// small, and this needs no compressor.
Bytes StoredZlib(std::span<const std::uint8_t> data) {
    constexpr std::size_t kMaxBlock = 0xFFFF;
    Bytes out{0x78, 0x01};
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min(kMaxBlock, data.size() - offset);
        const bool last = offset + length == data.size();
        out.push_back(last ? 1 : 0);
        const auto word = static_cast<std::uint16_t>(length);
        const auto complement = static_cast<std::uint16_t>(~word);
        out.insert(
            out.end(),
            {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
             static_cast<std::uint8_t>(complement), static_cast<std::uint8_t>(complement >> 8)});
        const auto block = data.subspan(offset, length);
        out.insert(out.end(), block.begin(), block.end());
        offset += length;
    } while (offset < data.size());
    PutBigEndian(out, Adler32(data));
    return out;
}

}  // namespace

Bytes EncodePng(int size) {
    const auto side = static_cast<std::uint32_t>(size);
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

    Bytes header;
    PutBigEndian(header, side);
    PutBigEndian(header, side);
    // 8 bits per pixel, palette colour, then deflate, adaptive filters and no
    // interlace, the only methods PNG defines.
    header.insert(header.end(), {8, 3, 0, 0, 0});
    PutChunk(out, "IHDR", header);

    Bytes palette;
    // Indexed by Ink.
    for (const Ink ink : {Ink::Transparent, Ink::Black, Ink::White, Ink::Cyan, Ink::Grey}) {
        const Rgba colour = InkColour(ink);
        palette.push_back(colour.red);
        palette.push_back(colour.green);
        palette.push_back(colour.blue);
    }
    PutChunk(out, "PLTE", palette);
    // Alpha of the first entry only; the others stay opaque.
    PutChunk(out, "tRNS", Bytes{0});

    Bytes rows;
    for (int y = 0; y < size; ++y) {
        rows.push_back(0);  // filter: none
        for (int x = 0; x < size; ++x) {
            rows.push_back(static_cast<std::uint8_t>(PixelInk(x, y, size)));
        }
    }
    PutChunk(out, "IDAT", StoredZlib(rows));
    PutChunk(out, "IEND", {});
    return out;
}

}  // namespace VarnholtIcon
