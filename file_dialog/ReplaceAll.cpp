#include "ReplaceAll.h"

#include <cstddef>
#include <utility>

#include "Text.h"

namespace basComDlg {

void ReplaceAll(Text& text, TextView find, TextView replacement) {
    if (find.empty()) {
        return;
    }
    std::size_t count = 0;
    for (auto p = text.find(find); p != Text::npos; p = text.find(find, p + find.size())) {
        ++count;
    }
    if (count == 0) {
        return;
    }

    Text result;
    result.reserve(text.size() - count * find.size() + count * replacement.size());
    std::size_t start = 0;
    for (auto p = text.find(find); p != Text::npos; p = text.find(find, start)) {
        result.append(text, start, p - start).append(replacement);
        start = p + find.size();
    }
    result.append(text, start);
    text = std::move(result);
}

}  // namespace basComDlg
