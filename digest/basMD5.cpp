#include "basMD5.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "RuntimeError.h"

namespace basMD5 {

namespace {

// The 64 steps over each whole block of bytes in turn. The state stays in
// locals from one block to the next instead of going through memory.
void TransformBlocks(State& state, std::span<const std::uint8_t> bytes) {
    Word a = state[0];
    Word b = state[1];
    Word c = state[2];
    Word d = state[3];
    for (std::size_t offset = 0; offset + 64 <= bytes.size(); offset += 64) {
        // Message word k, read least significant byte first where it lies, so
        // that each step loads its word straight from the block.
        const std::uint8_t* p = bytes.data() + offset;
        const auto x = [p](std::size_t k) {
            return BytesToWord(p[4 * k + 3], p[4 * k + 2], p[4 * k + 1], p[4 * k]);
        };
        const Word a0 = a;
        const Word b0 = b;
        const Word c0 = c;
        const Word d0 = d;

        // clang-format off
        a = MD5StepF(a, b, c, d, x( 0),  7, 0xD76AA478);
        d = MD5StepF(d, a, b, c, x( 1), 12, 0xE8C7B756);
        c = MD5StepF(c, d, a, b, x( 2), 17, 0x242070DB);
        b = MD5StepF(b, c, d, a, x( 3), 22, 0xC1BDCEEE);
        a = MD5StepF(a, b, c, d, x( 4),  7, 0xF57C0FAF);
        d = MD5StepF(d, a, b, c, x( 5), 12, 0x4787C62A);
        c = MD5StepF(c, d, a, b, x( 6), 17, 0xA8304613);
        b = MD5StepF(b, c, d, a, x( 7), 22, 0xFD469501);
        a = MD5StepF(a, b, c, d, x( 8),  7, 0x698098D8);
        d = MD5StepF(d, a, b, c, x( 9), 12, 0x8B44F7AF);
        c = MD5StepF(c, d, a, b, x(10), 17, 0xFFFF5BB1);
        b = MD5StepF(b, c, d, a, x(11), 22, 0x895CD7BE);
        a = MD5StepF(a, b, c, d, x(12),  7, 0x6B901122);
        d = MD5StepF(d, a, b, c, x(13), 12, 0xFD987193);
        c = MD5StepF(c, d, a, b, x(14), 17, 0xA679438E);
        b = MD5StepF(b, c, d, a, x(15), 22, 0x49B40821);

        a = MD5StepG(a, b, c, d, x( 1),  5, 0xF61E2562);
        d = MD5StepG(d, a, b, c, x( 6),  9, 0xC040B340);
        c = MD5StepG(c, d, a, b, x(11), 14, 0x265E5A51);
        b = MD5StepG(b, c, d, a, x( 0), 20, 0xE9B6C7AA);
        a = MD5StepG(a, b, c, d, x( 5),  5, 0xD62F105D);
        d = MD5StepG(d, a, b, c, x(10),  9, 0x02441453);
        c = MD5StepG(c, d, a, b, x(15), 14, 0xD8A1E681);
        b = MD5StepG(b, c, d, a, x( 4), 20, 0xE7D3FBC8);
        a = MD5StepG(a, b, c, d, x( 9),  5, 0x21E1CDE6);
        d = MD5StepG(d, a, b, c, x(14),  9, 0xC33707D6);
        c = MD5StepG(c, d, a, b, x( 3), 14, 0xF4D50D87);
        b = MD5StepG(b, c, d, a, x( 8), 20, 0x455A14ED);
        a = MD5StepG(a, b, c, d, x(13),  5, 0xA9E3E905);
        d = MD5StepG(d, a, b, c, x( 2),  9, 0xFCEFA3F8);
        c = MD5StepG(c, d, a, b, x( 7), 14, 0x676F02D9);
        b = MD5StepG(b, c, d, a, x(12), 20, 0x8D2A4C8A);

        a = MD5StepH(a, b, c, d, x( 5),  4, 0xFFFA3942);
        d = MD5StepH(d, a, b, c, x( 8), 11, 0x8771F681);
        c = MD5StepH(c, d, a, b, x(11), 16, 0x6D9D6122);
        b = MD5StepH(b, c, d, a, x(14), 23, 0xFDE5380C);
        a = MD5StepH(a, b, c, d, x( 1),  4, 0xA4BEEA44);
        d = MD5StepH(d, a, b, c, x( 4), 11, 0x4BDECFA9);
        c = MD5StepH(c, d, a, b, x( 7), 16, 0xF6BB4B60);
        b = MD5StepH(b, c, d, a, x(10), 23, 0xBEBFBC70);
        a = MD5StepH(a, b, c, d, x(13),  4, 0x289B7EC6);
        d = MD5StepH(d, a, b, c, x( 0), 11, 0xEAA127FA);
        c = MD5StepH(c, d, a, b, x( 3), 16, 0xD4EF3085);
        b = MD5StepH(b, c, d, a, x( 6), 23, 0x04881D05);
        a = MD5StepH(a, b, c, d, x( 9),  4, 0xD9D4D039);
        d = MD5StepH(d, a, b, c, x(12), 11, 0xE6DB99E5);
        c = MD5StepH(c, d, a, b, x(15), 16, 0x1FA27CF8);
        b = MD5StepH(b, c, d, a, x( 2), 23, 0xC4AC5665);

        a = MD5StepI(a, b, c, d, x( 0),  6, 0xF4292244);
        d = MD5StepI(d, a, b, c, x( 7), 10, 0x432AFF97);
        c = MD5StepI(c, d, a, b, x(14), 15, 0xAB9423A7);
        b = MD5StepI(b, c, d, a, x( 5), 21, 0xFC93A039);
        a = MD5StepI(a, b, c, d, x(12),  6, 0x655B59C3);
        d = MD5StepI(d, a, b, c, x( 3), 10, 0x8F0CCC92);
        c = MD5StepI(c, d, a, b, x(10), 15, 0xFFEFF47D);
        b = MD5StepI(b, c, d, a, x( 1), 21, 0x85845DD1);
        a = MD5StepI(a, b, c, d, x( 8),  6, 0x6FA87E4F);
        d = MD5StepI(d, a, b, c, x(15), 10, 0xFE2CE6E0);
        c = MD5StepI(c, d, a, b, x( 6), 15, 0xA3014314);
        b = MD5StepI(b, c, d, a, x(13), 21, 0x4E0811A1);
        a = MD5StepI(a, b, c, d, x( 4),  6, 0xF7537E82);
        d = MD5StepI(d, a, b, c, x(11), 10, 0xBD3AF235);
        c = MD5StepI(c, d, a, b, x( 2), 15, 0x2AD7D2BB);
        b = MD5StepI(b, c, d, a, x( 9), 21, 0xEB86D391);
        // clang-format on

        a = AddUnsigned(a0, a);
        b = AddUnsigned(b0, b);
        c = AddUnsigned(c0, c);
        d = AddUnsigned(d0, d);
    }
    state = {a, b, c, d};
}

}  // namespace

void MD5Transform(State& state, std::span<const std::uint8_t> bytes, std::int32_t offset) {
    TransformBlocks(state, bytes.subspan(static_cast<std::size_t>(offset), 64));
}

std::string MD5BytesToHex(std::span<const std::uint8_t> buffer, std::int32_t count) {
    if (count >= kCountLimit) {
        throw RuntimeError::Overflow();
    }
    if (count < 0 || static_cast<std::size_t>(count) > buffer.size()) {
        throw RuntimeError::InvalidArgument();
    }

    State state{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};

    const std::int32_t full = count / 64 * 64;
    TransformBlocks(state, buffer.first(static_cast<std::size_t>(full)));

    // The tail, the 0x80 marker and the bit length; a second block when the
    // length no longer fits behind the marker.
    std::array<std::uint8_t, 64> last{};
    const auto tail =
        buffer.subspan(static_cast<std::size_t>(full), static_cast<std::size_t>(count - full));
    std::ranges::copy(tail, last.begin());
    last[tail.size()] = 0x80;
    if (tail.size() > 55) {
        MD5Transform(state, last, 0);
        last.fill(0);
    }
    const auto bits = static_cast<std::uint32_t>(count) * 8U;
    WordToBytes(bits, last[59], last[58], last[57], last[56]);
    MD5Transform(state, last, 0);

    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(32);
    for (const Word word : state) {
        std::array<std::uint8_t, 4> bytes{};
        WordToBytes(word, bytes[3], bytes[2], bytes[1], bytes[0]);
        for (const std::uint8_t byte : bytes) {
            text += kHex[byte >> 4];
            text += kHex[byte & 0x0F];
        }
    }
    return text;
}

}  // namespace basMD5
