#include "Clipboard_win.h"

#include <windows.h>

#include <cstring>

#include "GlobalMemory_win.h"
#include "Text.h"

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
    {
        const GlobalLockScope lock(memory.Get());
        if (!lock.Data()) {
            return false;
        }
        std::memcpy(lock.Data(), text.c_str(), bytes);
    }
    if (!SetClipboardData(CF_UNICODETEXT, memory.Get())) {
        return false;
    }
    memory.Release();
    return true;
}
