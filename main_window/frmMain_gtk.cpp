// The Linux program: the GTK window until it is closed.
#include <gtk/gtk.h>

#include "frmMainWindow_gtk.h"

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);  // leaves with a message when there is no display
    // Desktops find the window's desktop entry by this name: the Wayland app
    // id and the X11 instance name; the X11 class stays the window's title.
    g_set_prgname(VARNHOLT_APP_ID);
    gdk_set_program_class("Varnholt");
    frmMainGtk window;
    return window.Run();
}
