#include "ChooserText_gtk.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "Path.h"
#include "Text.h"

namespace basComDlg {

namespace {

std::vector<TextView> Split(TextView text, char16_t separator) {
    std::vector<TextView> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == TextView::npos ? TextView::npos : end - start));
        if (end == TextView::npos) {
            return parts;
        }
        start = end + 1;
    }
}

TextView TrimSpaces(TextView text) {
    const std::size_t first = text.find_first_not_of(u' ');
    if (first == TextView::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

}  // namespace

std::vector<ChooserFilter> ParseFilter(TextView filter) {
    std::vector<ChooserFilter> filters;
    if (filter.empty()) {
        return filters;
    }
    const std::vector<TextView> fields = Split(filter, u'|');
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        ChooserFilter entry{ToUtf8(fields[i]), {}};
        for (const TextView pattern : Split(fields[i + 1], u';')) {
            const TextView trimmed = TrimSpaces(pattern);
            if (!trimmed.empty()) {
                entry.patterns.push_back(ChooserPattern(trimmed));
            }
        }
        filters.push_back(std::move(entry));
    }
    return filters;
}

std::string ChooserPattern(TextView pattern) {
    if (pattern == u"*.*") {
        return "*";  // on Windows it also matches names without a dot
    }
    Text glob;
    for (const char16_t c : pattern) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
            const auto lower = static_cast<char16_t>(c | 0x20);
            glob += {u'[', lower, static_cast<char16_t>(lower - 0x20), u']'};
        } else if (c == u'[') {
            glob += u"[[]";
        } else {
            glob += c;
        }
    }
    return ToUtf8(glob);
}

ChosenPath SplitChosenPath(PathView path) {
    const std::size_t slash = path.rfind('/');
    if (slash == PathView::npos) {
        return {Path{}, Path{path}};
    }
    return {Path{path.substr(0, slash + 1)}, Path{path.substr(slash + 1)}};
}

}  // namespace basComDlg
