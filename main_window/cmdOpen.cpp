#include "cmdOpen.h"

#include <new>

#include "RuntimeError.h"
#include "basMD5.h"

namespace {

Text ToText(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

// Reads and hashes the whole file into txtMD5; file is closed on return.
void HashFile(frmMainServices& window, std::unique_ptr<ReadableFile>& file, std::int64_t size) {
    window.SetMousePointer(MousePointer::Hourglass);
    const auto length = static_cast<std::size_t>(size);
    // One byte more than the file, and not cleared: the read fills it.
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(length + 1);
    const std::size_t read = file->Read({buffer.get(), length});
    if (read == length) {
        window.SetText(ToText(
            basMD5::MD5BytesToHex({buffer.get(), length + 1}, static_cast<std::int32_t>(read))));
    }
    file.reset();
    window.SetMousePointer(MousePointer::Default);
}

}  // namespace

void cmdOpen_Click(frmMainServices& window) {
    Text directory = window.CurrentDirectory();
    const Text fileName = window.ShowOpen(directory, kOpenFilter, 2);
    if (fileName.empty()) {
        return;  // cancelled: nothing was chosen
    }
    const Text path = directory + fileName;
    window.Repaint();
    if (!window.FileExists(path)) {
        return;
    }
    window.SetText(u"");

    std::unique_ptr<ReadableFile> file;
    Text failure;
    try {
        const std::int64_t size = window.GetFileLength(path);
        if (size > kFileSizeLimit) {
            window.ShowMessage(u"File too large");
            return;
        }
        file = window.OpenForReading(path);
        if (!file) {
            return;
        }
        HashFile(window, file, size);
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
