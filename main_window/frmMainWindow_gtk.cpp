#include "frmMainWindow_gtk.h"

#include <gtk/gtk.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "Clipboard_gtk.h"
#include "FileHelpers.h"
#include "GObjectPtr_gtk.h"
#include "Path.h"
#include "ReadableFile.h"
#include "ShowOpen_gtk.h"
#include "Text.h"
#include "WindowIcon_gtk.h"
#include "cmdClose.h"
#include "cmdOpen.h"
#include "frmMainLayout.h"
#include "frmMainServices.h"

namespace {

struct GListFree {
    void operator()(GList* list) const { g_list_free(list); }
};

struct EventFree {
    void operator()(GdkEvent* event) const { gdk_event_free(event); }
};

// The theme's padding and minimum heights would make the controls larger than
// their places. Nine points, the size of Windows' message font, lets the
// captions fit; family and colours stay the theme's.
constexpr char kControlStyle[] =
    "button, entry { font-size: 9pt; min-height: 0; }"
    "button { min-width: 0; padding: 0 1px; }"
    "entry { padding-top: 0; padding-bottom: 0; }";

// Child windows with a pointer of their own, such as the text field's text
// area, with that pointer.
void CollectOwnCursors(GdkWindow* window,
                       std::vector<std::pair<GObjectPtr<GdkWindow>, GObjectPtr<GdkCursor>>>& own) {
    for (GList* item = gdk_window_peek_children(window); item != nullptr; item = item->next) {
        auto* child = GDK_WINDOW(item->data);
        if (GdkCursor* cursor = gdk_window_get_cursor(child)) {
            own.emplace_back(GDK_WINDOW(g_object_ref(child)), GDK_CURSOR(g_object_ref(cursor)));
        }
        CollectOwnCursors(child, own);
    }
}

// Twips are converted with the font resolution, as Windows does with
// LOGPIXELS; GDK reports a negative one when nobody set it.
int ScreenResolution(GdkScreen* screen) {
    const double resolution = gdk_screen_get_resolution(screen);
    return resolution > 0 ? static_cast<int>(std::lround(resolution)) : 96;
}

void OnOpenClicked(GtkButton* /*button*/, gpointer window) {
    cmdOpen_Click(*static_cast<frmMainGtk*>(window));
}

void OnCopyCloseClicked(GtkButton* /*button*/, gpointer window) {
    cmdClose_Click(*static_cast<frmMainGtk*>(window), 0);
}

void OnCloseClicked(GtkButton* /*button*/, gpointer window) {
    cmdClose_Click(*static_cast<frmMainGtk*>(window), 1);
}

// GTK 3 names the application to screen readers by the program name, which
// is the app id; its root accessible has no name of its own to set.
const char* ApplicationName(AtkObject* /*root*/) { return g_get_application_name(); }

// The program ends with its window, however it was closed.
void OnDestroy(GtkWidget* /*widget*/, gpointer /*data*/) {
    if (gtk_main_level() > 0) {
        gtk_main_quit();
    }
}

}  // namespace

void NameProgram(const char* appId) {
    g_set_prgname(appId);
    g_set_application_name(kWindowTitle);
    gdk_set_program_class(kWindowTitle);
    AtkObject* root = atk_get_root();
    if (g_type_is_a(G_OBJECT_TYPE(root), g_type_from_name("GtkToplevelAccessible"))) {
        ATK_OBJECT_GET_CLASS(root)->get_name = ApplicationName;
    }
}

frmMainGtk::frmMainGtk() : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
    GtkWindow* window = Window();
    gtk_window_set_title(window, kWindowTitle);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    SetWindowIcon(window);
    g_signal_connect(window, "destroy", G_CALLBACK(OnDestroy), nullptr);

    CreateControls(ScreenResolution(gtk_widget_get_screen(window_.get())));
    gtk_widget_show_all(window_.get());
    gtk_widget_grab_focus(Control(frmMainControl::cmdOpen));
}

frmMainGtk::~frmMainGtk() {
    for (const auto& control : controls_) {
        g_signal_handlers_disconnect_by_data(control.get(), this);
    }
}

void frmMainGtk::CreateControls(int dpi) {
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, TwipsToPixels(kClientWidthTwips, dpi),
                                TwipsToPixels(kClientHeightTwips, dpi));
    gtk_container_add(GTK_CONTAINER(window_.get()), fixed);

    controls_ = {
        AdoptRef(gtk_button_new_with_mnemonic("_Open File")),
        AdoptRef(gtk_entry_new()),
        AdoptRef(gtk_button_new_with_label("Copy+Close")),
        AdoptRef(gtk_button_new_with_label("Close")),
    };
    // Enter in the text field does nothing, as on Windows.
    gtk_entry_set_activates_default(Entry(), FALSE);
    // What screen readers call the field; the buttons go by their captions.
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(Entry())), "MD5 digest");

    const GObjectPtr<GtkCssProvider> style(gtk_css_provider_new());
    gtk_css_provider_load_from_data(style.get(), kControlStyle, -1, nullptr);

    std::unique_ptr<GList, GListFree> focusChain;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        GtkWidget* control = controls_[i].get();
        const TwipRect& r = kControlTwips[i];
        gtk_style_context_add_provider(gtk_widget_get_style_context(control),
                                       GTK_STYLE_PROVIDER(style.get()),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        gtk_widget_set_size_request(control, TwipsToPixels(r.width, dpi),
                                    TwipsToPixels(r.height, dpi));
        gtk_fixed_put(GTK_FIXED(fixed), control, TwipsToPixels(r.left, dpi),
                      TwipsToPixels(r.top, dpi));
        focusChain.reset(g_list_append(focusChain.release(), control));
    }
    // Deprecated for GTK 4's sake only; GTK 3 has no other way to fix the order.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed), focusChain.get());
    G_GNUC_END_IGNORE_DEPRECATIONS

    g_signal_connect(Control(frmMainControl::cmdOpen), "clicked", G_CALLBACK(OnOpenClicked), this);
    g_signal_connect(Control(frmMainControl::cmdCopyClose), "clicked",
                     G_CALLBACK(OnCopyCloseClicked), this);
    g_signal_connect(Control(frmMainControl::cmdClose), "clicked", G_CALLBACK(OnCloseClicked),
                     this);
}

int frmMainGtk::Run() {
    if (IsOpen()) {
        gtk_main();
    }
    clipboard_.KeepUntilTakenOver();
    return 0;
}

Text frmMainGtk::GetText() { return FromUtf8(gtk_entry_get_text(Entry())); }

void frmMainGtk::SetText(const Text& text) { gtk_entry_set_text(Entry(), ToUtf8(text).c_str()); }

// Paints what is out of date now, without running the main loop, so no click
// can be handled in the middle of a command. Reading the event queue applies
// the exposures the server has sent; the events themselves go back, in order,
// for the main loop to dispatch later.
void frmMainGtk::Repaint() {
    GdkWindow* gdkWindow = gtk_widget_get_window(window_.get());
    if (!IsOpen() || gdkWindow == nullptr) {
        return;
    }
    GdkDisplay* display = gdk_window_get_display(gdkWindow);
    gdk_display_sync(display);
    std::vector<std::unique_ptr<GdkEvent, EventFree>> pending;
    while (GdkEvent* event = gdk_display_get_event(display)) {
        pending.emplace_back(event);
    }
    for (const auto& event : pending) {
        gdk_display_put_event(display, event.get());
    }
    // The one call that paints at once; its replacement paints on the next frame.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gdk_window_process_updates(gdkWindow, TRUE);
    G_GNUC_END_IGNORE_DEPRECATIONS
    gdk_display_flush(display);
}

void frmMainGtk::Unload() {
    if (IsOpen()) {
        gtk_widget_destroy(window_.get());
    }
}

void frmMainGtk::ShowMessage(const Text& text) {
    const UniqueToplevel dialog(gtk_message_dialog_new(Window(), GTK_DIALOG_MODAL,
                                                       GTK_MESSAGE_WARNING, GTK_BUTTONS_OK, "%s",
                                                       ToUtf8(text).c_str()));
    gtk_window_set_title(GTK_WINDOW(dialog.get()), kWindowTitle);
    gtk_dialog_run(GTK_DIALOG(dialog.get()));
}

void frmMainGtk::SetMousePointer(MousePointer pointer) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window_.get());
    if (!IsOpen() || gdkWindow == nullptr) {
        return;
    }
    GdkDisplay* display = gdk_window_get_display(gdkWindow);
    for (const auto& [window, own] : ownCursors_) {
        gdk_window_set_cursor(window.get(), own.get());
    }
    ownCursors_.clear();
    if (pointer == MousePointer::Hourglass) {
        GObjectPtr<GdkCursor> cursor(gdk_cursor_new_from_name(display, "wait"));
        if (!cursor) {
            cursor.reset(gdk_cursor_new_for_display(display, GDK_WATCH));
        }
        // The whole window, the text field included.
        CollectOwnCursors(gdkWindow, ownCursors_);
        for (const auto& [window, own] : ownCursors_) {
            gdk_window_set_cursor(window.get(), cursor.get());
        }
        gdk_window_set_cursor(gdkWindow, cursor.get());
    } else {
        gdk_window_set_cursor(gdkWindow, nullptr);
    }
    // The command reads the file without returning to the main loop.
    gdk_display_flush(display);
}

Path frmMainGtk::CurrentDirectory() {
    const GCharPtr directory(g_get_current_dir());
    return directory.get();
}

Path frmMainGtk::ShowOpen(Path& directory, const Text& filter, std::int32_t filterIndex) {
    return basComDlg::ShowOpen(Window(), directory, filter, filterIndex);
}

bool frmMainGtk::FileExists(const Path& path) { return basComDlg::FileExists(path); }

std::int64_t frmMainGtk::GetFileLength(const Path& path) { return basComDlg::GetFileLength(path); }

std::unique_ptr<ReadableFile> frmMainGtk::OpenForReading(const Path& path) {
    return ::OpenForReading(path);
}

bool frmMainGtk::PlaceOnClipboard(const Text& text) {
    return clipboard_.Place(window_.get(), text);
}

void frmMainGtk::Sleep(std::uint32_t milliseconds) {
    g_usleep(static_cast<gulong>(milliseconds) * 1000);
}
