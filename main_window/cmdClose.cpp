#include "cmdClose.h"

#include <cstdint>
#include <exception>

#include "frmMainServices.h"

namespace {

// One attempt; a failure to read the field counts as a failed attempt.
bool TryCopy(frmMainServices& window) {
    try {
        return window.PlaceOnClipboard(window.GetText());
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

void cmdClose_Click(frmMainServices& window, std::int16_t index) {
    if (index == 0) {
        // Another program may hold the clipboard for a moment.
        if (!TryCopy(window)) {
            window.Sleep(100);
            if (!TryCopy(window)) {
                return;
            }
        }
    }
    window.Unload();
}
