#include "Clipboard_win.h"

#include <cstring>

namespace {

// Keeps the clipboard open for the length of one scope.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    ~ClipboardSession() {
        if (open_) {
            CloseClipboard();
        }
    }
    [[nodiscard]] bool Open() const { return open_; }

private:
    bool open_;
};

// Frees global memory unless the clipboard took it over.
class GlobalMemory {
public:
    explicit GlobalMemory(std::size_t bytes) : memory_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    ~GlobalMemory() {
        if (memory_) {
            GlobalFree(memory_);
        }
    }
    [[nodiscard]] HGLOBAL Get() const { return memory_; }
    void Release() { memory_ = nullptr; }

private:
    HGLOBAL memory_;
};

}  // namespace

bool PlaceTextOnClipboard(HWND owner, const Text& text) {
    const ClipboardSession session(owner);
    if (!session.Open() || !EmptyClipboard()) {
        return false;
    }
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    GlobalMemory memory(bytes);
    if (!memory.Get()) {
        return false;
    }
    void* target = GlobalLock(memory.Get());
    if (!target) {
        return false;
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory.Get());
    if (!SetClipboardData(CF_UNICODETEXT, memory.Get())) {
        return false;
    }
    memory.Release();
    return true;
}
