#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <new>

#include "ByteBuffer.h"

// Committed pages straight from the system: never cleared by us, faulted in
// by the read.
ByteBuffer::ByteBuffer(std::size_t size) : size_(size) {
    data_ = static_cast<std::uint8_t*>(
        VirtualAlloc(nullptr, size_ == 0 ? 1 : size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!data_) {
        throw std::bad_alloc();
    }
}

ByteBuffer::~ByteBuffer() { VirtualFree(data_, 0, MEM_RELEASE); }
