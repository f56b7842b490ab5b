#pragma once

#include <windows.h>

#include <utility>

// Owns one handle of a kind and lets it go once, through Close. Null and
// INVALID_HANDLE_VALUE both mean "none", since the Windows calls that produce
// handles report failure with one or the other.
template <typename Handle, auto Close>
class UniqueAny {
public:
    UniqueAny() = default;
    explicit UniqueAny(Handle handle) : handle_(handle) {}
    UniqueAny(UniqueAny&& other) noexcept : handle_(other.Release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    ~UniqueAny() { Reset(); }

    [[nodiscard]] bool Valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    [[nodiscard]] Handle Get() const { return handle_; }
    Handle Release() { return std::exchange(handle_, Handle{}); }
    void Reset(Handle handle = Handle{}) {
        if (Valid()) {
            Close(handle_);
        }
        handle_ = handle;
    }

private:
    Handle handle_{};
};

using UniqueHandle = UniqueAny<HANDLE, CloseHandle>;
using UniqueFont = UniqueAny<HFONT, DeleteObject>;
using UniqueIcon = UniqueAny<HICON, DestroyIcon>;
using UniqueModule = UniqueAny<HMODULE, FreeLibrary>;
