#pragma once

// Memory for one whole-file read: uncleared bytes straight from the system,
// released when the object goes. Throws std::bad_alloc when it cannot be had.

#include <cstddef>
#include <cstdint>
#include <span>

class ByteBuffer {
public:
    explicit ByteBuffer(std::size_t size);
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ~ByteBuffer();

    [[nodiscard]] std::span<std::uint8_t> Bytes() const { return {data_, size_}; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};
