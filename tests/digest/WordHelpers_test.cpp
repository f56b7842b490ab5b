#include <gtest/gtest.h>

#include <random>

#include "basMD5.h"

namespace {

using namespace basMD5;

TEST(WordHelpers, AddUnsignedWraps) {
    struct Case {
        Word x, y, sum;
    };
    for (const auto [x, y, sum] :
         {Case{0xFFFFFFFF, 1, 0}, Case{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFE},
          Case{0x7FFFFFFF, 1, 0x80000000}, Case{0, 0, 0}, Case{0x80000000, 0x80000000, 0}}) {
        EXPECT_EQ(AddUnsigned(x, y), sum) << std::hex << x << " + " << y;
    }
}

TEST(WordHelpers, UnsignedConversions) {
    EXPECT_EQ(WordToUnsigned(0xFFFFFFFF), 4294967295U);
    EXPECT_EQ(WordToUnsigned(0x80000000), 2147483648U);
    EXPECT_EQ(UnsignedToWord(4294967295U), 0xFFFFFFFFU);
    EXPECT_EQ(UnsignedToWord(2147483648U), 0x80000000U);
}

TEST(WordHelpers, RotateLeft) {
    struct Case {
        Word w;
        std::int16_t n;
        Word result;
    };
    for (const auto [w, n, result] :
         {Case{0x80000001, 1, 0x00000003}, Case{0x80000001, 0, 0x80000001},
          Case{0x80000001, -3, 0x80000001}, Case{0x12345678, 4, 0x23456781},
          Case{0x12345678, 32, 0x12345678}, Case{0x12345678, 36, 0x23456781},
          Case{0x00000001, 31, 0x80000000}}) {
        EXPECT_EQ(RotateLeft(w, n), result) << std::hex << w << " <<< " << std::dec << n;
    }
}

TEST(WordHelpers, BytesToWordAndBack) {
    EXPECT_EQ(BytesToWord(0x67, 0x45, 0x23, 0x01), 0x67452301U);
    EXPECT_EQ(BytesToWord(0xFF, 0, 0, 0), 0xFF000000U);

    std::uint8_t b3 = 0, b2 = 0, b1 = 0, b0 = 0;
    WordToBytes(0x67452301, b3, b2, b1, b0);
    EXPECT_EQ(b0, 0x01);
    EXPECT_EQ(b1, 0x23);
    EXPECT_EQ(b2, 0x45);
    EXPECT_EQ(b3, 0x67);
}

// The step procedures are written for speed; check them against the
// textbook definitions of F, G, H and I on random words.
TEST(WordHelpers, StepsMatchTheirDefinitions) {
    std::mt19937 random(1321);
    for (int i = 0; i < 10000; ++i) {
        const Word a = random(), b = random(), c = random(), d = random(), x = random(),
                   t = random();
        const auto s = static_cast<std::int16_t>(1 + random() % 31);
        const auto step = [&](Word f) { return b + std::rotl(a + f + x + t, s); };
        ASSERT_EQ(MD5StepF(a, b, c, d, x, s, t), step((b & c) | (~b & d)));
        ASSERT_EQ(MD5StepG(a, b, c, d, x, s, t), step((b & d) | (c & ~d)));
        ASSERT_EQ(MD5StepH(a, b, c, d, x, s, t), step(b ^ c ^ d));
        ASSERT_EQ(MD5StepI(a, b, c, d, x, s, t), step(c ^ (b | ~d)));
    }
}

}  // namespace
