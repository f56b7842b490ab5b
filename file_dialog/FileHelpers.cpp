#include "FileHelpers.h"

#include "Path.h"

namespace basComDlg {

bool FileExists(const Path& path, const Path& directory) {
    if (path.find_first_not_of(PATH_LITERAL(' ')) == Path::npos) {
        return false;
    }
    const bool alone = PathExists(path);
    Path joined = directory;
    AddBackslash(joined);
    joined += path;
    const bool inDirectory = PathExists(joined);
    return alone || inDirectory;
}

void AddBackslash(Path& path) {
    if (!path.empty() && path.back() != PATH_LITERAL('\\')) {
        path += PATH_LITERAL('\\');
    }
}

}  // namespace basComDlg
