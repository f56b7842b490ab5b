#pragma once

// File-system paths in the platform's own form: UTF-16 on Windows, bytes on
// POSIX. A path goes to the file system exactly as the user chose it; only
// text for display is ever converted from it.

#include <string>
#include <string_view>

#if defined(_WIN32)
using PathChar = char16_t;
#define PATH_LITERAL(x) u##x
#else
using PathChar = char;
#define PATH_LITERAL(x) x
#endif

using Path = std::basic_string<PathChar>;
using PathView = std::basic_string_view<PathChar>;
