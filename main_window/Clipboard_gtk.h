#pragma once

#include <gtk/gtk.h>

#include "Text.h"

// One attempt to make text the clipboard's content on widget's display, then
// hands it to the desktop's clipboard manager, if there is one, so that it
// outlives the program. False when the display would not give us the
// clipboard.
bool PlaceTextOnClipboard(GtkWidget* widget, const Text& text);
