#pragma once

// The system's open and save dialogs, centred on the screen, returning the
// chosen path split into directory and file name.

#include <windows.h>
// after windows.h
#include <commdlg.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "Text.h"

namespace basComDlg {

// Characters the dialog may write, terminator included: room for the longest
// path Windows hands back.
inline constexpr std::size_t kFileBufferLength = 32768;

// The record in the form that ends with lpTemplateName, which every version
// of the dialog accepts (OPENFILENAME_SIZE_VERSION_400W).
inline constexpr DWORD kRecordSize =
    offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(OPENFILENAMEW::lpTemplateName);
#ifdef _WIN64
static_assert(kRecordSize == 136);
#else
static_assert(kRecordSize == 76);
#endif

// The dialog calls, replaceable so that tests can see the record.
struct DialogCalls {
    BOOL(WINAPI* open)(LPOPENFILENAMEW) = GetOpenFileNameW;
    BOOL(WINAPI* save)(LPOPENFILENAMEW) = GetSaveFileNameW;
};

// Shows the open (mode 0) or save (mode 1) dialog, owned by owner and starting
// in directory. On a confirmed choice, directory becomes the chosen file's
// directory with its trailing separator and the file name is returned; on
// cancel or failure the result is empty and directory is left alone. No title
// gives the dialog's own caption. filter holds description|patterns pairs.
// Throws RuntimeError 5 when fileName does not fit the dialog's buffer.
Text ShowFileDialog(HWND owner, const std::optional<Text>& title, Text& directory,
                    const Text& fileName, const Text& filter, std::int32_t filterIndex,
                    const Text& defaultExtension, std::int16_t mode, const DialogCalls& calls = {});

// The open dialog of ShowFileDialog.
Text ShowOpen(HWND owner, const std::optional<Text>& title, Text& directory, const Text& fileName,
              const Text& filter, std::int32_t filterIndex, const Text& defaultExtension,
              const DialogCalls& calls = {});

// Hook of the dialog's explorer child: recentres the dialog on the screen on
// WM_SIZE and once when the dialog is ready. Always 0, so the dialog goes on
// with its own handling.
UINT_PTR CALLBACK CenterDialogHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Screen size in pixels, read afresh from a screen device context.
int GetScreenWidth();
int GetScreenHeight();

// The hook's address as the record wants it.
constexpr LPOFNHOOKPROC FnAddress(LPOFNHOOKPROC value) { return value; }

}  // namespace basComDlg
