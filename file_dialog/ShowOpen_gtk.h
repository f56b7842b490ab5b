#pragma once

// The open dialog on GTK, answering as the Windows one does: the chosen path
// split into its folder and the file name.

#include <gtk/gtk.h>

#include <cstdint>

#include "Path.h"
#include "Text.h"

namespace basComDlg {

// Title of the dialog, as Windows gives it when asked for none.
inline constexpr char kOpenTitle[] = "Open";

// Shows a modal open dialog for owner, centred on the screen and starting in
// directory. filter holds description|patterns pairs; filterIndex counts them
// from 1 and picks the one shown first. Only an existing file, not a folder,
// is accepted. On a choice, directory becomes the file's folder with its
// trailing '/' and the file name is returned; on cancel the result is empty
// and directory is left alone.
Path ShowOpen(GtkWindow* owner, Path& directory, const Text& filter, std::int32_t filterIndex);

}  // namespace basComDlg
