#include "Clipboard_gtk.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "GObjectPtr_gtk.h"
#include "Text.h"

namespace {

struct TargetListUnref {
    void operator()(GtkTargetList* list) const { gtk_target_list_unref(list); }
};

struct MainLoopUnref {
    void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};

class TargetTable {
public:
    TargetTable() : list_(gtk_target_list_new(nullptr, 0)) {
        gtk_target_list_add_text_targets(list_.get(), 0);
        entries_ = gtk_target_table_new_from_list(list_.get(), &count_);
    }
    TargetTable(const TargetTable&) = delete;
    TargetTable& operator=(const TargetTable&) = delete;
    ~TargetTable() { gtk_target_table_free(entries_, count_); }

    [[nodiscard]] const GtkTargetEntry* Entries() const { return entries_; }
    [[nodiscard]] guint Count() const { return static_cast<guint>(count_); }

private:
    std::unique_ptr<GtkTargetList, TargetListUnref> list_;
    gint count_ = 0;
    GtkTargetEntry* entries_ = nullptr;
};

// The freedesktop.org clipboard manager's selection, on X11. GDK knows no
// such thing on other backends.
GdkAtom ManagerSelection() { return gdk_atom_intern_static_string("CLIPBOARD_MANAGER"); }

}  // namespace

ClipboardText::~ClipboardText() {
    if (Held()) {
        gtk_clipboard_clear(clipboard_);  // calls Released
    }
}

// What gtk_clipboard_set_text does, except that it tells whether the display
// made us the clipboard's owner, and keeps the text here.
bool ClipboardText::Place(GtkWidget* widget, const Text& text) {
    GtkClipboard* clipboard =
        gtk_clipboard_get_for_display(gtk_widget_get_display(widget), GDK_SELECTION_CLIPBOARD);
    std::string utf8 = ToUtf8(text);
    const TargetTable targets;
    // Releases any text we held before; Provide is not called until the main
    // loop runs again.
    if (!gtk_clipboard_set_with_data(clipboard, targets.Entries(), targets.Count(), Provide,
                                     Released, this)) {
        return false;
    }
    text_ = std::move(utf8);
    clipboard_ = clipboard;
    return true;
}

void ClipboardText::Provide(GtkClipboard* /*clipboard*/, GtkSelectionData* data, guint /*info*/,
                            gpointer self) {
    const std::string& text = static_cast<ClipboardText*>(self)->text_;
    gtk_selection_data_set_text(data, text.c_str(), static_cast<gint>(text.size()));
}

// Another program took the clipboard, or we gave it up.
void ClipboardText::Released(GtkClipboard* /*clipboard*/, gpointer self) {
    auto& owner = *static_cast<ClipboardText*>(self);
    owner.clipboard_ = nullptr;
    if (owner.keeping_ != nullptr) {
        g_main_loop_quit(owner.keeping_);
    }
}

// The manager answers our SAVE_TARGETS request: with the property we named
// once it has copied the text, with none when it refuses.
gboolean ClipboardText::ManagerAnswered(GtkWidget* /*requestor*/, GdkEventSelection* event,
                                        gpointer self) {
    auto& owner = *static_cast<ClipboardText*>(self);
    if (event->selection != ManagerSelection()) {
        return FALSE;
    }
    if (event->property != GDK_NONE && owner.keeping_ != nullptr) {
        // The manager takes the clipboard now or soon. GTK, not having seen
        // that yet, would clear it with the current time and so clear the
        // manager's text; ownership ends with our connection anyway.
        owner.clipboard_ = nullptr;
        g_main_loop_quit(owner.keeping_);
    }
    return TRUE;
}

void ClipboardText::KeepUntilTakenOver() {
    // An empty text needs no keeping: the clipboard is as empty without us.
    if (!Held() || text_.empty()) {
        return;
    }
    const std::unique_ptr<GMainLoop, MainLoopUnref> loop(g_main_loop_new(nullptr, FALSE));
    keeping_ = loop.get();

    // The freedesktop.org hand-over, as gtk_clipboard_store makes it, but
    // without a loop of its own and with the manager's answer seen: a manager
    // that refuses, or never answers, leaves us answering for the text.
    GdkDisplay* display = gtk_clipboard_get_display(clipboard_);
    std::unique_ptr<UniqueToplevel> requestor;
    if (gdk_display_supports_clipboard_persistence(display)) {
        requestor = std::make_unique<UniqueToplevel>(
            gtk_invisible_new_for_screen(gdk_display_get_default_screen(display)));
        gtk_widget_realize(requestor->get());
        g_signal_connect(requestor->get(), "selection-notify-event", G_CALLBACK(ManagerAnswered),
                         this);
        const TargetTable targets;
        std::vector<GdkAtom> atoms;
        atoms.reserve(targets.Count());
        for (guint i = 0; i < targets.Count(); ++i) {
            atoms.push_back(gdk_atom_intern(targets.Entries()[i].target, FALSE));
        }
        gdk_display_store_clipboard(display, gtk_widget_get_window(requestor->get()),
                                    GDK_CURRENT_TIME, atoms.data(),
                                    static_cast<gint>(atoms.size()));
    }
    g_main_loop_run(loop.get());
    keeping_ = nullptr;
}
