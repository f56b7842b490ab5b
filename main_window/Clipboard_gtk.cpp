#include "Clipboard_gtk.h"

#include <memory>

#include "GObjectPtr_gtk.h"

namespace {

struct TargetListUnref {
    void operator()(GtkTargetList* list) const { gtk_target_list_unref(list); }
};

class TargetTable {
public:
    explicit TargetTable(GtkTargetList* list)
        : entries_(gtk_target_table_new_from_list(list, &count_)) {}
    TargetTable(const TargetTable&) = delete;
    TargetTable& operator=(const TargetTable&) = delete;
    ~TargetTable() { gtk_target_table_free(entries_, count_); }

    [[nodiscard]] const GtkTargetEntry* Entries() const { return entries_; }
    [[nodiscard]] guint Count() const { return static_cast<guint>(count_); }

private:
    gint count_ = 0;
    GtkTargetEntry* entries_;
};

void ProvideText(GtkClipboard*, GtkSelectionData* data, guint, gpointer text) {
    gtk_selection_data_set_text(data, static_cast<const gchar*>(text), -1);
}

void ReleaseText(GtkClipboard*, gpointer text) { g_free(text); }

}  // namespace

// What gtk_clipboard_set_text does, except that it tells whether the display
// made us the clipboard's owner.
bool PlaceTextOnClipboard(GtkWidget* widget, const Text& text) {
    GtkClipboard* clipboard =
        gtk_clipboard_get_for_display(gtk_widget_get_display(widget), GDK_SELECTION_CLIPBOARD);
    const std::unique_ptr<GtkTargetList, TargetListUnref> list(gtk_target_list_new(nullptr, 0));
    gtk_target_list_add_text_targets(list.get(), 0);
    const TargetTable targets(list.get());

    GCharPtr copy(g_strdup(ToUtf8(text).c_str()));
    if (!gtk_clipboard_set_with_data(clipboard, targets.Entries(), targets.Count(), ProvideText,
                                     ReleaseText, copy.get())) {
        return false;
    }
    copy.release();  // the clipboard frees it through ReleaseText
    gtk_clipboard_set_can_store(clipboard, nullptr, 0);
    gtk_clipboard_store(clipboard);
    return true;
}
