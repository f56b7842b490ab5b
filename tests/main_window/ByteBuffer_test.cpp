#include "ByteBuffer.h"

#include <gtest/gtest.h>

#include <limits>
#include <new>

namespace {

TEST(ByteBuffer, EveryByteIsUsable) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095},
                                   std::size_t{2097153}, std::size_t{33554433}}) {
        const ByteBuffer buffer(size);
        const auto bytes = buffer.Bytes();
        ASSERT_EQ(bytes.size(), size);
        if (size > 0) {
            bytes.back() = 0x5A;
            bytes.front() = 0xA5;
            EXPECT_EQ(bytes.front(), 0xA5) << size << " bytes";
            EXPECT_EQ(bytes.back(), size == 1 ? 0xA5 : 0x5A);
        }
    }
}

TEST(ByteBuffer, ImpossibleSizeIsOutOfMemory) {
    EXPECT_THROW(ByteBuffer(std::numeric_limits<std::size_t>::max() / 2), std::bad_alloc);
}

}  // namespace
