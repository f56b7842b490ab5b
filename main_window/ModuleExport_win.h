#pragma once

#include <windows.h>

#include <bit>

// The named export of module as Function, or null where this Windows lacks it
// or module is null: how functions newer than XP are called. FARPROC stands
// for any signature; the pointer is taken over bit for bit.
template <typename Function>
Function ModuleExport(HMODULE module, const char* name) {
    return module ? std::bit_cast<Function>(GetProcAddress(module, name)) : nullptr;
}
