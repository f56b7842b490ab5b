#include <sys/stat.h>

#include <cstdint>

#include "FileHelpers.h"
#include "Path.h"

namespace basComDlg {

bool PathExists(const Path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// stat() needs no access to the file and never opens it, so a FIFO or a
// device cannot block here.
std::int64_t GetFileLength(const Path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return kUnmeasurable;
    }
    return static_cast<std::int64_t>(info.st_size);
}

}  // namespace basComDlg
