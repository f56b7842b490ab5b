#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "Path.h"
#include "ReadableFile.h"
#include "UniqueHandle_win.h"
#include "Win32Text_win.h"

namespace {

class Win32File final : public ReadableFile {
public:
    explicit Win32File(UniqueHandle handle) : handle_(std::move(handle)) {}

    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
        DWORD read = 0;
        if (!ReadFile(handle_.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                      nullptr)) {
            return std::nullopt;
        }
        return read;
    }

private:
    UniqueHandle handle_;
};

}  // namespace

std::unique_ptr<ReadableFile> OpenForReading(const Path& path) {
    UniqueHandle handle(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle.Valid()) {
        return nullptr;
    }
    return std::make_unique<Win32File>(std::move(handle));
}
