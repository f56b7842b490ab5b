#include "ShowFileDialog_win.h"

#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "CenterOffset.h"
#include "ReplaceAll.h"
#include "RuntimeError.h"
#include "ScreenDC_win.h"
#include "Text.h"
#include "Win32Text_win.h"

namespace basComDlg {

namespace {

constexpr DWORD kCommonFlags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST | OFN_EXPLORER;

void CenterOnScreen(HWND dialog) {
    RECT rect{};
    if (!dialog || !GetWindowRect(dialog, &rect)) {
        return;
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int y = CenterOffset(GetScreenHeight(), height);
    const int x = CenterOffset(GetScreenWidth(), width);
    MoveWindow(dialog, x, y, width, height, FALSE);
}

}  // namespace

int GetScreenWidth() { return ScreenDC().Caps(HORZRES); }

int GetScreenHeight() { return ScreenDC().Caps(VERTRES); }

UINT_PTR CALLBACK CenterDialogHook(HWND window, UINT message, WPARAM /*wParam*/, LPARAM lParam) {
    // Wine sends the explorer child no WM_SIZE, hence also CDN_INITDONE.
    const bool initDone =
        message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE;
    if (message == WM_SIZE || initDone) {
        CenterOnScreen(GetParent(window));
    }
    return 0;
}

Text ShowFileDialog(HWND owner, const std::optional<Text>& title, Text& directory,
                    const Text& fileName, const Text& filter, std::int32_t filterIndex,
                    const Text& defaultExtension, std::int16_t mode, const DialogCalls& calls) {
    if (fileName.size() >= kFileBufferLength) {
        throw RuntimeError::InvalidArgument();
    }
    Text file = fileName;
    file.resize(kFileBufferLength, u'\0');

    Text filters = filter + u"||";
    ReplaceAll(filters, u"|", Text(1, u'\0'));

    const Text initialDir = directory;
    OPENFILENAMEW record{};
    record.lStructSize = kRecordSize;
    record.hwndOwner = owner;
    record.lpstrFilter = Wide(filters);
    record.nFilterIndex = static_cast<DWORD>(filterIndex);
    record.lpstrFile = Wide(file);
    record.nMaxFile = static_cast<DWORD>(kFileBufferLength);
    record.lpstrInitialDir = Wide(initialDir);
    record.lpstrTitle = title ? Wide(*title) : nullptr;
    record.Flags = kCommonFlags | (mode == 0 ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
    record.lpstrDefExt = Wide(defaultExtension);
    record.lpfnHook = FnAddress(CenterDialogHook);

    const BOOL chosen = mode == 0 ? calls.open(&record) : calls.save(&record);
    if (!chosen) {
        return {};
    }
    const Text path = file.substr(0, file.find(u'\0'));
    const std::size_t split = std::min<std::size_t>(record.nFileOffset, path.size());
    directory = path.substr(0, split);
    return path.substr(split);
}

Text ShowOpen(HWND owner, const std::optional<Text>& title, Text& directory, const Text& fileName,
              const Text& filter, std::int32_t filterIndex, const Text& defaultExtension,
              const DialogCalls& calls) {
    return ShowFileDialog(owner, title, directory, fileName, filter, filterIndex, defaultExtension,
                          0, calls);
}

}  // namespace basComDlg
