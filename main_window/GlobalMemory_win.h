#pragma once

// Moveable global memory, the currency of the clipboard.

#include <windows.h>

#include <cstddef>

// Frees the block unless the clipboard took it over (Release).
class GlobalMemory {
public:
    explicit GlobalMemory(std::size_t bytes) : memory_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    ~GlobalMemory() {
        if (memory_) {
            GlobalFree(memory_);
        }
    }
    [[nodiscard]] HGLOBAL Get() const { return memory_; }
    void Release() { memory_ = nullptr; }

private:
    HGLOBAL memory_;
};

// Keeps a block locked for one scope; Data() is null when the lock failed.
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    ~GlobalLockScope() {
        if (data_) {
            GlobalUnlock(memory_);
        }
    }
    [[nodiscard]] void* Data() const { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};
