#include "cmdOpen.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <span>
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

// Files read to their end are read this much at a time: some pseudo-files take
// only reads of whole records (/proc/self/pagemap: 8 bytes).
constexpr std::size_t kPiece = 65536;

// Reads file until it ends or has delivered more than the limit; buffer has
// room for one piece past it. Nothing when a read fails.
std::optional<std::size_t> ReadToTheEnd(ReadableFile& file, std::span<std::uint8_t> buffer) {
    std::size_t total = 0;
    while (total <= static_cast<std::size_t>(kFileSizeLimit)) {
        const std::optional<std::size_t> read = file.Read(buffer.subspan(total, kPiece));
        if (!read) {
            return std::nullopt;
        }
        if (*read == 0) {
            break;
        }
        total += *read;
    }
    return total;
}

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
    // those are read to their end, past the limit to catch the ones that are
    // too large.
    const bool toTheEnd = size == 0;
    const std::size_t length = toTheEnd ? static_cast<std::size_t>(kFileSizeLimit) + kPiece
                                        : static_cast<std::size_t>(size);
    // One byte more than asked for, and not cleared: the read fills it.
    const ByteBuffer buffer(length + 1);
    const std::span<std::uint8_t> bytes = buffer.Bytes().first(length);
    const std::optional<std::size_t> read =
        toTheEnd ? ReadToTheEnd(*file, bytes) : file->Read(bytes);
    const bool tooLarge = toTheEnd && read && *read > static_cast<std::size_t>(kFileSizeLimit);
    if (read && (toTheEnd ? !tooLarge : *read == length)) {
        window.SetText(
            ToText(basMD5::MD5BytesToHex(buffer.Bytes(), static_cast<std::int32_t>(*read))));
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
