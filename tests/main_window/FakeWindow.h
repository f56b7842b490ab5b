#pragma once

// A window and platform that record what the handlers do to them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "frmMainServices.h"

struct FakeFile {
    std::string content;
    std::int64_t measured = -1;       // what GetFileLength says; -1: content's size
    bool opens = true;                // false: the open for reading fails
    std::size_t delivers = SIZE_MAX;  // bytes one read hands over at most
    // A read that would go past this many bytes fails.
    std::size_t failsAfter = SIZE_MAX;
};

class FakeWindow : public frmMainServices {
public:
    // The world.
    Path currentDirectory = PATH_LITERAL("C:\\work\\");
    std::map<Path, FakeFile> files;
    // What the dialog answers: directory and name, or nothing for cancel.
    bool dialogChooses = true;
    Path chosenDirectory = PATH_LITERAL("C:\\data\\");
    Path chosenName = PATH_LITERAL("file.bin");
    int clipboardFailures = 0;       // attempts that fail before one succeeds
    std::function<void()> onRead;    // runs inside the read, e.g. to throw
    std::function<void()> onDialog;  // runs inside the dialog
    int getTextFailures = 0;         // reads of txtMD5 that fail

    // What happened, in order.
    std::vector<std::string> log;
    Text text = u"old text";
    Text clipboard = u"earlier clipboard";
    std::vector<Text> messages;
    MousePointer pointer = MousePointer::Default;
    int openFiles = 0;
    int clipboardAttempts = 0;
    std::vector<std::uint32_t> sleeps;
    bool unloaded = false;
    Path dialogDirectoryIn;
    Text dialogFilter;
    std::int32_t dialogFilterIndex = 0;
    std::size_t readBufferSize = 0;
    std::uint8_t readBufferSentinel = 0;

    Text GetText() override {
        log.push_back("GetText");
        if (getTextFailures-- > 0) {
            throw std::bad_alloc();
        }
        return text;
    }
    void SetText(const Text& value) override {
        log.push_back("SetText");
        text = value;
    }
    void Repaint() override { log.push_back("Repaint"); }
    void Unload() override {
        log.push_back("Unload");
        unloaded = true;
    }
    void ShowMessage(const Text& message) override {
        log.push_back("ShowMessage");
        messages.push_back(message);
    }
    void SetMousePointer(MousePointer value) override {
        log.push_back(value == MousePointer::Hourglass ? "Hourglass" : "DefaultPointer");
        pointer = value;
    }
    Path CurrentDirectory() override { return log.push_back("CurrentDirectory"), currentDirectory; }
    Path ShowOpen(Path& directory, const Text& filter, std::int32_t filterIndex) override {
        log.push_back("ShowOpen");
        dialogDirectoryIn = directory;
        dialogFilter = filter;
        dialogFilterIndex = filterIndex;
        if (onDialog) {
            onDialog();
        }
        if (!dialogChooses) {
            return {};
        }
        directory = chosenDirectory;
        return chosenName;
    }
    bool FileExists(const Path& path) override {
        log.push_back("FileExists");
        return files.contains(path);
    }
    std::int64_t GetFileLength(const Path& path) override {
        log.push_back("GetFileLength");
        const auto found = files.find(path);
        if (found == files.end()) {
            return 4294967295;
        }
        const FakeFile& file = found->second;
        return file.measured >= 0 ? file.measured : static_cast<std::int64_t>(file.content.size());
    }
    std::unique_ptr<ReadableFile> OpenForReading(const Path& path) override;
    bool PlaceOnClipboard(const Text& value) override {
        log.push_back("PlaceOnClipboard");
        if (clipboardAttempts++ < clipboardFailures) {
            return false;
        }
        clipboard = value;
        return true;
    }
    void Sleep(std::uint32_t milliseconds) override {
        log.push_back("Sleep");
        sleeps.push_back(milliseconds);
    }
};

class FakeReadable final : public ReadableFile {
public:
    FakeReadable(FakeWindow& window, const FakeFile& file) : window_(window), file_(file) {
        ++window_.openFiles;
    }
    ~FakeReadable() override {
        window_.log.push_back("CloseFile");
        --window_.openFiles;
    }
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
        window_.log.push_back("Read");
        window_.readBufferSize = buffer.size();
        if (window_.onRead) {
            window_.onRead();
        }
        const std::size_t n =
            std::min({buffer.size(), file_.content.size() - position_, file_.delivers});
        if (position_ + n > file_.failsAfter) {
            return std::nullopt;
        }
        file_.content.copy(reinterpret_cast<char*>(buffer.data()), n, position_);
        position_ += n;
        return n;
    }

private:
    FakeWindow& window_;
    FakeFile file_;
    std::size_t position_ = 0;
};

inline std::unique_ptr<ReadableFile> FakeWindow::OpenForReading(const Path& path) {
    log.push_back("OpenForReading");
    const auto found = files.find(path);
    if (found == files.end() || !found->second.opens) {
        return nullptr;
    }
    return std::make_unique<FakeReadable>(*this, found->second);
}
