#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <new>

#include "ByteBuffer.h"

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t MappedLength(std::size_t size) {
    return (size + kHugePage - 1) / kHugePage * kHugePage + (size == 0 ? kHugePage : 0);
}

}  // namespace

// Mapped rather than taken from the heap, on huge-page boundaries, so that the
// read faults in 2 MiB at a time: with 4 KiB pages the faults while filling
// 32 MiB cost more than reading and hashing it.
ByteBuffer::ByteBuffer(std::size_t size) : size_(size) {
    const std::size_t length = MappedLength(size_);
    void* memory = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    // Keep the aligned part, give back the slack on both sides.
    auto* const raw = static_cast<std::uint8_t*>(memory);
    const std::size_t lead =
        (kHugePage - reinterpret_cast<std::uintptr_t>(raw) % kHugePage) % kHugePage;
    if (lead > 0) {
        ::munmap(raw, lead);
    }
    if (kHugePage - lead > 0) {
        ::munmap(raw + lead + length, kHugePage - lead);
    }
    data_ = raw + lead;
    ::madvise(data_, length, MADV_HUGEPAGE);  // only a hint; fine if refused
}

ByteBuffer::~ByteBuffer() { ::munmap(data_, MappedLength(size_)); }
