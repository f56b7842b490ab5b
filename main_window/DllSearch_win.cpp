#include "DllSearch_win.h"

#include <windows.h>

#include <bit>

bool RestrictDllSearch(HMODULE kernel32) {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    // Windows 8's flag, also in 7's KB2533623; XP's headers lack it.
    constexpr DWORD kSearchSystem32 = 0x00000800;
    const auto setDefaultDllDirectories =
        kernel32 ? std::bit_cast<SetDefaultDllDirectoriesFn>(
                       GetProcAddress(kernel32, "SetDefaultDllDirectories"))
                 : nullptr;
    if (setDefaultDllDirectories && setDefaultDllDirectories(kSearchSystem32)) {
        return true;
    }
    SetDllDirectoryW(L"");
    return false;
}
