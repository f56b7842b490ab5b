#pragma once

#include <gtk/gtk.h>

// Gives window the program's icon, drawn from the same picture as the Windows
// icon resource, at the two sizes that has.
void SetWindowIcon(GtkWindow* window);
