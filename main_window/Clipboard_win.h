#pragma once

#include <windows.h>

#include "Text.h"

// One whole clipboard session for owner: open, empty, place text as
// CF_UNICODETEXT, close. False when any step failed, for instance because
// another program holds the clipboard open.
bool PlaceTextOnClipboard(HWND owner, const Text& text);
