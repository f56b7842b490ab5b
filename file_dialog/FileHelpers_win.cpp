#include <windows.h>

#include <cstdint>

#include "FileHelpers.h"
#include "Path.h"
#include "UniqueHandle_win.h"
#include "Win32Text_win.h"

namespace basComDlg {

bool PathExists(const Path& path) {
    return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

// No access is asked for: the handle only serves the size query, so files
// that others hold open or that we may not read can still be measured.
std::int64_t GetFileLength(const Path& path) {
    const UniqueHandle file(CreateFileW(Wide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!file.Valid()) {
        return kUnmeasurable;
    }
    DWORD high = 0;
    const DWORD low = GetFileSize(file.Get(), &high);
    return static_cast<std::int64_t>(high) * 4294967296 + static_cast<std::int64_t>(low);
}

}  // namespace basComDlg
