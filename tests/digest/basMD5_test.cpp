#include "basMD5.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "RuntimeError.h"

namespace {

using basMD5::MD5BytesToHex;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string Digest(std::string_view text) {
    const auto bytes = Bytes(text);
    return MD5BytesToHex(bytes, static_cast<std::int32_t>(bytes.size()));
}

struct Golden {
    std::string input;
    const char* digest;
};

TEST(MD5BytesToHex, GoldenTable) {
    const std::vector<Golden> table = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"1234567890123456789012345678901234567890"
         "1234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
        // Lengths around the end of the last block, as runs of 'a'.
        {std::string(55, 'a'), "EF1772B6DFF9A122358552954AD0DF65"},
        {std::string(56, 'a'), "3B0C8AC703F828B04C6C197006D17218"},
        {std::string(63, 'a'), "B06521F39153D618550606BE297466D5"},
        {std::string(64, 'a'), "014842D480B571495A4A0363793F7367"},
        {std::string(1000, 'a'), "CABE45DCC9AE5B66BA86600CCA6B8BA8"},
    };
    for (const auto& [input, digest] : table) {
        EXPECT_EQ(Digest(input), digest) << "length " << input.size();
    }
}

TEST(MD5BytesToHex, BytesPastTheCountAreIgnored) {
    const auto abcd = Bytes("abcd");
    EXPECT_EQ(MD5BytesToHex(abcd, 3), "900150983CD24FB0D6963F7D28E17F72");

    // A count of 0 never looks at the buffer, whatever it holds.
    EXPECT_EQ(MD5BytesToHex(abcd, 0), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(MD5BytesToHex({}, 0), "D41D8CD98F00B204E9800998ECF8427E");

    // Garbage after a full block and after a partial one changes nothing.
    auto block = Bytes(std::string(64, 'a') + "garbage");
    EXPECT_EQ(MD5BytesToHex(block, 64), "014842D480B571495A4A0363793F7367");
    block = Bytes(std::string(56, 'a') + std::string(70, '\xFF'));
    EXPECT_EQ(MD5BytesToHex(block, 56), "3B0C8AC703F828B04C6C197006D17218");
}

TEST(MD5BytesToHex, UnalignedBuffers) {
    const std::string text(200, 'a');
    const std::string expected = Digest(text);
    for (std::size_t offset = 1; offset < 8; ++offset) {
        std::vector<std::uint8_t> storage(offset, 0x5A);
        storage.insert(storage.end(), text.begin(), text.end());
        const std::span<const std::uint8_t> unaligned(storage.data() + offset, text.size());
        EXPECT_EQ(MD5BytesToHex(unaligned, 200), expected) << "offset " << offset;
    }
}

TEST(MD5BytesToHex, TextIsThirtyTwoUppercaseHexDigits) {
    for (int length = 0; length < 130; ++length) {
        const std::string digest = Digest(std::string(static_cast<std::size_t>(length), 'q'));
        ASSERT_EQ(digest.size(), 32U);
        EXPECT_EQ(digest.find_first_not_of("0123456789ABCDEF"), std::string::npos) << digest;
    }
}

void ExpectFailure(std::span<const std::uint8_t> buffer, std::int32_t count, std::int32_t number,
                   const char* description) {
    try {
        MD5BytesToHex(buffer, count);
        ADD_FAILURE() << "count " << count << " was accepted";
    } catch (const RuntimeError& failure) {
        EXPECT_EQ(failure.Number(), number) << "count " << count;
        EXPECT_EQ(failure.Description(), description);
    }
}

TEST(MD5BytesToHex, RefusedCounts) {
    const auto four = Bytes("abcd");
    // Overflow is decided before the buffer is looked at, even an empty one.
    ExpectFailure({}, basMD5::kCountLimit, 6, "Overflow");
    ExpectFailure(four, basMD5::kCountLimit, 6, "Overflow");
    ExpectFailure(four, INT32_MAX, 6, "Overflow");
    // Counts the buffer cannot back are refused rather than read past its end.
    ExpectFailure(four, 5, 5, "Invalid procedure call or argument");
    ExpectFailure({}, 1, 5, "Invalid procedure call or argument");
    ExpectFailure(four, -1, 5, "Invalid procedure call or argument");
    ExpectFailure(four, INT32_MIN, 5, "Invalid procedure call or argument");
}

TEST(MD5BytesToHex, LargestAcceptedCount) {
    const std::vector<std::uint8_t> zeros(basMD5::kCountLimit - 1);
    EXPECT_EQ(MD5BytesToHex(zeros, basMD5::kCountLimit - 1), "C8F1DF4D95ADD71FCEDFB833405BEC20");
}

TEST(MD5BytesToHex, ThirtyTwoMebibytes) {
    const std::vector<std::uint8_t> buffer(33554432, 'a');
    EXPECT_EQ(MD5BytesToHex(buffer, 33554432), "BC3D7C2FF64219E33239F2E13C2D21DB");
}

}  // namespace
