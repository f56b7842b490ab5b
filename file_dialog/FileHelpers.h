#pragma once

// Existence and size of files, without reading them. The probes never raise:
// failure shows only in the result.

#include <cstdint>

#include "Path.h"

namespace basComDlg {

// Length reported for anything that cannot be opened as a file.
inline constexpr std::int64_t kUnmeasurable = 4294967295;

// True when path names something that exists, file or directory, on its own
// or after directory (given a trailing backslash). Both probes are made. A
// blank path gives false without asking the file system.
bool FileExists(const Path& path, const Path& directory = {});

// Size of the file in bytes, measured without read access; kUnmeasurable for
// a missing path, a directory, or anything else that is not a plain file.
std::int64_t GetFileLength(const Path& path);

// Appends a backslash to a non-empty path that does not already end with one.
void AddBackslash(Path& path);

// Whether the file system knows path at all (one probe of FileExists).
bool PathExists(const Path& path);

}  // namespace basComDlg
