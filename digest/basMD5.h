#pragma once

// MD5 (RFC 1321) over the first count bytes of a buffer held whole in memory,
// with the 32-bit word arithmetic it is built from. No state survives a call.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace basMD5 {

// A 32-bit pattern; additions wrap modulo 2^32.
using Word = std::uint32_t;
// A word's value as a number, wide enough to hold the sum of two words.
using Unsigned = std::uint64_t;
using State = std::array<Word, 4>;

// Counts from this value up are refused with failure 6 ("Overflow").
inline constexpr std::int32_t kCountLimit = 268435455;

// The 32 uppercase hex digits of the MD5 of buffer[0 .. count-1]; bytes past
// count are never read. Throws RuntimeError 6 when count >= kCountLimit, and
// RuntimeError 5 when count is negative or larger than the buffer; in both
// cases before any byte is read.
std::string MD5BytesToHex(std::span<const std::uint8_t> buffer, std::int32_t count);

// Advances state over bytes[offset .. offset+63]; the caller guarantees that
// the block lies inside bytes.
void MD5Transform(State& state, std::span<const std::uint8_t> bytes, std::int32_t offset);

constexpr Unsigned WordToUnsigned(Word w) { return w; }

// v is at most 4294967295.
constexpr Word UnsignedToWord(Unsigned v) { return static_cast<Word>(v); }

// The sum of two words is below 2^33: reducing it modulo 2^32 takes 2^32 off
// at most once, and the result fits a word again.
constexpr Word AddUnsigned(Word x, Word y) {
    return UnsignedToWord((WordToUnsigned(x) + WordToUnsigned(y)) % 0x100000000U);
}

// A count below 1 leaves the word as it is; 32 and more wrap around.
constexpr Word RotateLeft(Word w, std::int16_t n) {
    if (n < 1) {
        return w;
    }
    const int s = n % 32;
    return s == 0 ? w : (w << s) | (w >> (32 - s));
}

constexpr Word BytesToWord(std::uint8_t b3, std::uint8_t b2, std::uint8_t b1, std::uint8_t b0) {
    return (Word{b3} << 24) | (Word{b2} << 16) | (Word{b1} << 8) | Word{b0};
}

constexpr void WordToBytes(Word w, std::uint8_t& b3, std::uint8_t& b2, std::uint8_t& b1,
                           std::uint8_t& b0) {
    b3 = static_cast<std::uint8_t>(w >> 24);
    b2 = static_cast<std::uint8_t>(w >> 16);
    b1 = static_cast<std::uint8_t>(w >> 8);
    b0 = static_cast<std::uint8_t>(w);
}

// b + ((a + f + x + t) <<< s). The sum is formed as a + x + t first because
// those three do not depend on the step before, which keeps them off the
// chain of dependent steps; the result is the same modulo 2^32.
constexpr Word MD5Step(Word f, Word a, Word b, Word x, std::int16_t s, Word t) {
    return AddUnsigned(b, RotateLeft(AddUnsigned(AddUnsigned(AddUnsigned(a, x), t), f), s));
}

// F = (b & c) | (~b & d), written as d ^ (b & (c ^ d)).
constexpr Word MD5StepF(Word a, Word b, Word c, Word d, Word x, std::int16_t s, Word t) {
    return MD5Step(d ^ (b & (c ^ d)), a, b, x, s, t);
}

// G = (b & d) | (c & ~d). The two terms share no bits, so the OR is a sum, and
// the half that does not involve b is added into a ahead of the chain.
constexpr Word MD5StepG(Word a, Word b, Word c, Word d, Word x, std::int16_t s, Word t) {
    return MD5Step(b & d, AddUnsigned(a, c & ~d), b, x, s, t);
}

constexpr Word MD5StepH(Word a, Word b, Word c, Word d, Word x, std::int16_t s, Word t) {
    return MD5Step(b ^ (c ^ d), a, b, x, s, t);
}

constexpr Word MD5StepI(Word a, Word b, Word c, Word d, Word x, std::int16_t s, Word t) {
    return MD5Step(c ^ (b | ~d), a, b, x, s, t);
}

}  // namespace basMD5
