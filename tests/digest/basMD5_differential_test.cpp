// Compares the engine with OpenSSL's MD5, which shares no code with it.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <random>
#include <vector>

#include "basMD5.h"

namespace {

std::string Reference(std::span<const std::uint8_t> bytes) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> md{};
    unsigned int length = 0;
    EXPECT_EQ(EVP_Digest(bytes.data(), bytes.size(), md.data(), &length, EVP_md5(), nullptr), 1);
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        std::array<char, 3> hex{};
        std::snprintf(hex.data(), hex.size(), "%02X", md[i]);
        text += hex.data();
    }
    return text;
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

TEST(MD5Differential, EveryLengthUpTo1100) {
    const auto bytes = RandomBytes(1100, 7);
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        const std::span<const std::uint8_t> prefix(bytes.data(), length);
        ASSERT_EQ(basMD5::MD5BytesToHex(bytes, static_cast<std::int32_t>(length)),
                  Reference(prefix))
            << "length " << length;
    }
}

TEST(MD5Differential, MultiMegabyteBuffers) {
    for (const std::size_t size : {1048576UL, 3145728UL + 37, 8388608UL - 1}) {
        const auto bytes = RandomBytes(size, static_cast<std::uint32_t>(size));
        EXPECT_EQ(basMD5::MD5BytesToHex(bytes, static_cast<std::int32_t>(size)), Reference(bytes))
            << "size " << size;
    }
}

}  // namespace
