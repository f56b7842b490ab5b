#pragma once

// The GTK window: its four controls at their places, wired to the commands,
// and the platform services the commands use.

#include <gtk/gtk.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "Clipboard_gtk.h"
#include "GObjectPtr_gtk.h"
#include "Path.h"
#include "ReadableFile.h"
#include "Text.h"
#include "frmMainServices.h"

inline constexpr char kWindowTitle[] = "Varnholt";

// The controls in tab order, as in kControlTwips.
enum class frmMainControl : std::size_t { cmdOpen, txtMD5, cmdCopyClose, cmdClose };

// Names the program, once, after gtk_init and before the first window: appId
// where desktops match its windows to the desktop entry (the Wayland app id,
// the X11 instance name), kWindowTitle for people: the X11 class and the
// application that screen readers see.
void NameProgram(const char* appId);

class frmMainGtk final : public frmMainServices {
public:
    // Builds and shows the window. GTK must have been initialised.
    frmMainGtk();
    ~frmMainGtk() override;

    // Runs GTK's main loop until the window is closed; then, when Copy+Close
    // put text on the clipboard, keeps it there past the window's end.
    int Run();

    [[nodiscard]] GtkWindow* Window() const { return GTK_WINDOW(window_.get()); }
    [[nodiscard]] GtkWidget* Control(frmMainControl control) const {
        return controls_[static_cast<std::size_t>(control)].get();
    }
    [[nodiscard]] bool IsOpen() const { return !window_.Destroyed(); }

    // frmMainServices
    Text GetText() override;
    void SetText(const Text& text) override;
    void Repaint() override;
    void Unload() override;
    void ShowMessage(const Text& text) override;
    void SetMousePointer(MousePointer pointer) override;
    Path CurrentDirectory() override;
    Path ShowOpen(Path& directory, const Text& filter, std::int32_t filterIndex) override;
    bool FileExists(const Path& path) override;
    std::int64_t GetFileLength(const Path& path) override;
    std::unique_ptr<ReadableFile> OpenForReading(const Path& path) override;
    bool PlaceOnClipboard(const Text& text) override;
    void Sleep(std::uint32_t milliseconds) override;

private:
    void CreateControls(int dpi);
    [[nodiscard]] GtkEntry* Entry() const { return GTK_ENTRY(Control(frmMainControl::txtMD5)); }

    UniqueToplevel window_;
    std::array<GObjectPtr<GtkWidget>, 4> controls_;
    ClipboardText clipboard_;
    // Child windows' own pointers, covered by the hourglass while it shows.
    std::vector<std::pair<GObjectPtr<GdkWindow>, GObjectPtr<GdkCursor>>> ownCursors_;
};
