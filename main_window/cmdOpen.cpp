#include "cmdOpen.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "ByteBuffer.h"
#include "Path.h"
#include "ReadableFile.h"
#include "RuntimeError.h"
#include "Text.h"
#include "basMD5.h"
#include "frmMainServices.h"

namespace {

Text ToText(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

// Measures, reads and hashes path into txtMD5. file is the caller's, so that
// the failure handler can close it.
void HashFile(frmMainServices& window, const Path& path, std::unique_ptr<ReadableFile>& file) {
    const std::int64_t size = window.GetFileLength(path);
    if (size > kFileSizeLimit) {
        window.ShowMessage(u"File too large");
        return;
    }
    file = window.OpenForReading(path);
    if (!file) {
        return;
    }
    window.SetMousePointer(MousePointer::Hourglass);
    // Pseudo-files (procfs, sysfs) measure 0 bytes and still have content:
    // those are read to their end, one byte past the limit to catch the ones
    // that are too large.
    const bool toTheEnd = size == 0;
    const auto length = static_cast<std::size_t>(toTheEnd ? kFileSizeLimit + 1 : size);
    // One byte more than asked for, and not cleared: the read fills it.
    const ByteBuffer buffer(length + 1);
    const std::size_t read = file->Read(buffer.Bytes().first(length));
    const bool tooLarge = toTheEnd && read > static_cast<std::size_t>(kFileSizeLimit);
    if (toTheEnd ? !tooLarge : read == length) {
        window.SetText(
            ToText(basMD5::MD5BytesToHex(buffer.Bytes(), static_cast<std::int32_t>(read))));
    }
    file.reset();
    window.SetMousePointer(MousePointer::Default);
    if (tooLarge) {
        window.ShowMessage(u"File too large");
    }
}

// Up to the cleared text field; false when the command ends here.
bool ChooseFile(frmMainServices& window, Path& path) {
    Path directory = window.CurrentDirectory();
    const Path fileName = window.ShowOpen(directory, kOpenFilter, 2);
    if (fileName.empty()) {
        return false;  // cancelled: nothing was chosen
    }
    path = directory + fileName;
    window.Repaint();
    if (!window.FileExists(path)) {
        return false;
    }
    window.SetText(u"");
    return true;
}

}  // namespace

void cmdOpen_Click(frmMainServices& window) {
    std::unique_ptr<ReadableFile> file;
    Text failure;
    // Failures while choosing are reported like the others rather than left
    // to escape into the window system.
    try {
        Path path;
        if (ChooseFile(window, path)) {
            HashFile(window, path, file);
        }
        return;
    } catch (const RuntimeError& error) {
        failure = ToText(error.Description());
    } catch (const std::bad_alloc&) {
        failure = ToText(RuntimeError::OutOfMemory().Description());
    }
    file.reset();
    window.SetMousePointer(MousePointer::Default);
    window.ShowMessage(u"Error: " + failure);
}
