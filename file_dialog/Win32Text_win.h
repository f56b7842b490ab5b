#pragma once

// Text crosses into the wide (W) Win32 calls as it is: on Windows both
// wchar_t and char16_t are UTF-16 code units.

#include <windows.h>

#include "Text.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* Wide(const Text& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline wchar_t* Wide(Text& text) { return reinterpret_cast<wchar_t*>(text.data()); }

inline Text FromWide(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
