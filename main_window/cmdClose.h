#pragma once

#include <cstdint>

#include "frmMainServices.h"

// The two closing buttons: index 0 "Copy+Close" puts txtMD5's text on the
// clipboard (a second try after 100 ms) and closes only when that worked;
// any other index, "Close", closes at once. Never shows a message.
void cmdClose_Click(frmMainServices& window, std::int16_t index);
