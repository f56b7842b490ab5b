#include "ShowOpen_gtk.h"

#include <gtk/gtk.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ChooserText_gtk.h"
#include "GObjectPtr_gtk.h"
#include "Path.h"
#include "Text.h"

namespace basComDlg {

namespace {

bool IsExistingFile(const gchar* path) {
    return path != nullptr && g_file_test(path, G_FILE_TEST_EXISTS) &&
           !g_file_test(path, G_FILE_TEST_IS_DIR);
}

void AddFilters(GtkFileChooser* chooser, const Text& filter, std::int32_t filterIndex) {
    std::vector<GtkFileFilter*> added;  // held by the chooser
    for (const ChooserFilter& entry : ParseFilter(filter)) {
        const GObjectPtr<GtkFileFilter> fileFilter = AdoptRef(gtk_file_filter_new());
        gtk_file_filter_set_name(fileFilter.get(), entry.name.c_str());
        for (const std::string& pattern : entry.patterns) {
            gtk_file_filter_add_pattern(fileFilter.get(), pattern.c_str());
        }
        gtk_file_chooser_add_filter(chooser, fileFilter.get());
        added.push_back(fileFilter.get());
    }
    if (added.empty()) {
        return;
    }
    const bool inRange = filterIndex >= 1 && static_cast<std::size_t>(filterIndex) <= added.size();
    gtk_file_chooser_set_filter(chooser,
                                added[inRange ? static_cast<std::size_t>(filterIndex) - 1 : 0]);
}

}  // namespace

Path ShowOpen(GtkWindow* owner, Path& directory, const Text& filter, std::int32_t filterIndex) {
    const UniqueToplevel dialog(
        gtk_file_chooser_dialog_new(kOpenTitle, owner, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
                                    GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr));
    GtkWindow* window = GTK_WINDOW(dialog.get());
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.get());
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_dialog_set_default_response(GTK_DIALOG(window), GTK_RESPONSE_ACCEPT);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    if (!directory.empty()) {
        gtk_file_chooser_set_current_folder(chooser, directory.c_str());
    }
    AddFilters(chooser, filter, filterIndex);

    if (gtk_dialog_run(GTK_DIALOG(window)) != GTK_RESPONSE_ACCEPT) {
        return {};
    }
    // The chooser itself turns folders and missing names away; this catches a
    // file that went while the dialog was open.
    const GCharPtr path(gtk_file_chooser_get_filename(chooser));
    if (!IsExistingFile(path.get())) {
        return {};
    }
    ChosenPath chosen = SplitChosenPath(path.get());
    directory = std::move(chosen.directory);
    return std::move(chosen.name);
}

}  // namespace basComDlg
