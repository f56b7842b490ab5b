#pragma once

#include <gtk/gtk.h>

#include <string>

#include "Text.h"

// Text that this process has put on the clipboard, answered for as long as
// the clipboard is ours. Gives the clipboard up when it goes, unless the
// clipboard manager has taken the text over.
class ClipboardText {
public:
    ClipboardText() = default;
    ClipboardText(const ClipboardText&) = delete;
    ClipboardText& operator=(const ClipboardText&) = delete;
    ~ClipboardText();

    // One attempt to make text the clipboard's content on widget's display.
    // False when the display would not give us the clipboard.
    bool Place(GtkWidget* widget, const Text& text);

    // Whether the clipboard still holds the text placed last, as ours.
    [[nodiscard]] bool Held() const { return clipboard_ != nullptr; }

    // Makes the text outlive the program; for when no window is left, so that
    // nothing else can happen meanwhile. Offers the text to the desktop's
    // clipboard manager, if there is one, and answers requests for it until
    // the manager has taken it or another program has taken the clipboard.
    // Returns at once when the text is not held or is empty. A display that
    // goes away ends the process (GDK's doing). Once the manager has the text
    // the clipboard is left to go with the process's connection, not cleared:
    // the process must end with this object.
    void KeepUntilTakenOver();

private:
    static void Provide(GtkClipboard* /*clipboard*/, GtkSelectionData* data, guint /*info*/,
                        gpointer self);
    static void Released(GtkClipboard* /*clipboard*/, gpointer self);
    static gboolean ManagerAnswered(GtkWidget* /*requestor*/, GdkEventSelection* event,
                                    gpointer self);

    GtkClipboard* clipboard_ = nullptr;  // while the text is the clipboard's
    std::string text_;                   // UTF-8
    GMainLoop* keeping_ = nullptr;       // while KeepUntilTakenOver waits
};
