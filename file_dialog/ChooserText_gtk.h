#pragma once

// The text side of the GTK open dialog: the filter list it is given and the
// path it hands back. Free of GTK, so that it tests without a display.

#include <string>
#include <vector>

#include "Path.h"
#include "Text.h"

namespace basComDlg {

struct ChooserFilter {
    std::string name;                   // UTF-8, as the dialog shows it
    std::vector<std::string> patterns;  // globs in the dialog's syntax
};

// "description|patterns|description|patterns": one filter per pair, patterns
// separated by ';'. A description without patterns is dropped.
std::vector<ChooserFilter> ParseFilter(TextView filter);

// A Windows pattern as a glob that matches the same names: "*.*" is every
// name, letters match either case, and '[' is an ordinary character.
std::string ChooserPattern(TextView pattern);

struct ChosenPath {
    Path directory;  // up to and including the last '/'
    Path name;
};

ChosenPath SplitChosenPath(PathView path);

}  // namespace basComDlg
