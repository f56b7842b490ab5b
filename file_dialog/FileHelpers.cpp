#include "FileHelpers.h"

namespace basComDlg {

bool FileExists(const Text& path, const Text& directory) {
    if (path.find_first_not_of(u' ') == Text::npos) {
        return false;
    }
    const bool alone = PathExists(path);
    Text joined = directory;
    AddBackslash(joined);
    joined += path;
    const bool inDirectory = PathExists(joined);
    return alone || inDirectory;
}

void AddBackslash(Text& text) {
    if (!text.empty() && text.back() != u'\\') {
        text += u'\\';
    }
}

}  // namespace basComDlg
