#pragma once

#include "Text.h"

namespace basComDlg {

// Replaces every occurrence of find in text, left to right and without
// overlaps, by replacement. The result is sized once. An empty find leaves
// text unchanged.
void ReplaceAll(Text& text, TextView find, TextView replacement);

}  // namespace basComDlg
