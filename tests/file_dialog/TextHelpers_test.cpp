#include <gtest/gtest.h>

#include "CenterOffset.h"
#include "FileHelpers.h"
#include "ReplaceAll.h"
#include "Text.h"

namespace {

using namespace basComDlg;
using namespace std::string_literals;

TEST(ReplaceAll, Table) {
    struct Case {
        Text text, find, replacement, expected;
    };
    const Text nul(1, u'\0');
    const std::vector<Case> cases = {
        {u"a|b||c", u"|", nul, u"a\0b\0\0c"s},
        {u"||", u"|", nul, u"\0\0"s},
        {u"abc", u"|", nul, u"abc"},
        {u"", u"|", nul, u""},
        {u"|||", u"||", u"x", u"x|"},
        {u"aaaa", u"aa", u"b", u"bb"},
        {u"a.b.c", u".", u"--", u"a--b--c"},
        {u"xyz", u"y", u"", u"xz"},
        {u"Executable Files|*.exe;*.com;*.pif;*.bat;*.cmd;*.lnk|All Files(*.*)|*.*||", u"|", nul,
         u"Executable Files\0*.exe;*.com;*.pif;*.bat;*.cmd;*.lnk\0All Files(*.*)\0*.*\0\0"s},
        // An empty find has no occurrences.
        {u"abc", u"", u"x", u"abc"},
    };
    for (auto [text, find, replacement, expected] : cases) {
        ReplaceAll(text, find, replacement);
        EXPECT_EQ(text, expected);
    }
}

TEST(CenterOffset, RoundsHalfToEven) {
    struct Case {
        int screen, size, offset;
    };
    for (const auto [screen, size, offset] :
         {Case{1024, 563, 230}, Case{1024, 565, 230}, Case{768, 419, 174}, Case{1024, 1024, 0},
          Case{1024, 24, 500}, Case{1024, 23, 500}, Case{1024, 21, 502}, Case{800, 1261, -230},
          Case{800, 1263, -232}, Case{800, 1259, -230}}) {
        EXPECT_EQ(CenterOffset(screen, size), offset) << screen << " - " << size;
    }
}

TEST(AddBackslash, Table) {
    struct Case {
        Path text, expected;
    };
    for (auto [text, expected] : {Case{PATH_LITERAL(""), PATH_LITERAL("")},
                                  Case{PATH_LITERAL("C:\\data"), PATH_LITERAL("C:\\data\\")},
                                  Case{PATH_LITERAL("C:\\data\\"), PATH_LITERAL("C:\\data\\")},
                                  Case{PATH_LITERAL("a/"), PATH_LITERAL("a/\\")}}) {
        AddBackslash(text);
        EXPECT_EQ(text, expected);
    }
}

TEST(Utf8, RoundTripsAndReplacesMalformedInput) {
    const Text text = u"Gr\u00FC\u00DFe \u20AC \U0001F600 /tmp/x";
    EXPECT_EQ(ToUtf8(text),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x82\xAC \xF0\x9F\x98\x80 /tmp/x");
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(FromUtf8("a\xFF"
                       "b"),
              u"a\uFFFDb");
    EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(FromUtf8("\xE2\x82"), u"\uFFFD\uFFFD");  // cut short
    EXPECT_EQ(ToUtf8(Text(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

}  // namespace
