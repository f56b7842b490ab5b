#pragma once

// What the button handlers need from the window and the platform. The Win32
// and GTK windows provide it; the tests provide a fake.

#include <cstdint>
#include <memory>

#include "Path.h"
#include "ReadableFile.h"
#include "Text.h"

enum class MousePointer { Default, Hourglass };

class frmMainServices {
public:
    frmMainServices() = default;
    frmMainServices(const frmMainServices&) = delete;
    frmMainServices& operator=(const frmMainServices&) = delete;
    virtual ~frmMainServices() = default;

    // The window.
    virtual Text GetText() = 0;  // txtMD5
    virtual void SetText(const Text& text) = 0;
    virtual void Repaint() = 0;                      // at once, before returning
    virtual void Unload() = 0;                       // closes the window and so ends the program
    virtual void ShowMessage(const Text& text) = 0;  // modal, titled "Varnholt", exclamation
    virtual void SetMousePointer(MousePointer pointer) = 0;

    // The file dialog and the file system.
    virtual Path CurrentDirectory() = 0;
    // The open dialog owned by the window; directory as ShowOpen treats it.
    virtual Path ShowOpen(Path& directory, const Text& filter, std::int32_t filterIndex) = 0;
    virtual bool FileExists(const Path& path) = 0;
    virtual std::int64_t GetFileLength(const Path& path) = 0;
    virtual std::unique_ptr<ReadableFile> OpenForReading(const Path& path) = 0;

    // One whole clipboard session: open, empty, place text, close. False when
    // any step failed.
    virtual bool PlaceOnClipboard(const Text& text) = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};
