// The Linux program: the GTK window until it is closed.
#include <gtk/gtk.h>

#include "frmMainWindow_gtk.h"

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);  // leaves with a message when there is no display
    NameProgram(VARNHOLT_APP_ID);
    frmMainGtk window;
    return window.Run();
}
