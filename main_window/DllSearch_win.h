#pragma once

#include <windows.h>

// Library loads by bare name look in the system folder only, so a DLL placed
// beside the program (say, in a Downloads folder) is never picked up. Where
// kernel32 lacks SetDefaultDllDirectories (XP, Vista, and 7 without
// KB2533623), or kernel32 is null, the current folder at least is dropped
// from the search. Returns whether the search is the system folder's alone.
bool RestrictDllSearch(HMODULE kernel32);
