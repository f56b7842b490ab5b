#pragma once

// The questions the driver asks the probe library inside the program. The
// driver sends the registered message to one of the program's windows with
// its own answer window in wParam and the request in lParam; the request's
// argument is the answer window's text, and the probe writes the answer there.

#include <windows.h>

inline constexpr wchar_t kProbeMessage[] = L"Varnholt.Probe";

enum class ProbeRequest : LPARAM {
    Font,        // -> "<lfHeight> <face>", "none", or a face with " (stock)"
    Icons,       // -> "<big icon width> <small icon width>", 0 for none
    Load,        // "<path>" -> "0" when LoadLibraryW took it (freed again), else the error
    DpiChanged,  // "<dpi> <left> <top> <right> <bottom>": sends WM_DPICHANGED -> "0"
};
