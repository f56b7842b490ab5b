#include "DllSearch_win.h"

#include <windows.h>

#include "ModuleExport_win.h"

bool RestrictDllSearch(HMODULE kernel32) {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    // Windows 8's flag, also in 7's KB2533623; XP's headers lack it.
    constexpr DWORD kSearchSystem32 = 0x00000800;
    const auto setDefaultDllDirectories =
        ModuleExport<SetDefaultDllDirectoriesFn>(kernel32, "SetDefaultDllDirectories");
    if (setDefaultDllDirectories && setDefaultDllDirectories(kSearchSystem32)) {
        return true;
    }
    SetDllDirectoryW(L"");
    return false;
}
