#include "cmdClose.h"

void cmdClose_Click(frmMainServices& window, std::int16_t index) {
    if (index == 0) {
        // Another program may hold the clipboard for a moment.
        bool copied = window.PlaceOnClipboard(window.GetText());
        if (!copied) {
            window.Sleep(100);
            copied = window.PlaceOnClipboard(window.GetText());
        }
        if (!copied) {
            return;
        }
    }
    window.Unload();
}
