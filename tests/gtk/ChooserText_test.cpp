#include <gtest/gtest.h>

#include "ChooserText_gtk.h"

namespace {

using namespace basComDlg;

TEST(ChooserText_gtk, ParsesDescriptionAndPatternPairs) {
    const auto filters =
        ParseFilter(u"Executable Files|*.exe;*.com;*.pif;*.bat;*.cmd;*.lnk|All Files(*.*)|*.*");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].name, "Executable Files");
    EXPECT_EQ(filters[0].patterns,
              (std::vector<std::string>{"*.[eE][xX][eE]", "*.[cC][oO][mM]", "*.[pP][iI][fF]",
                                        "*.[bB][aA][tT]", "*.[cC][mM][dD]", "*.[lL][nN][kK]"}));
    EXPECT_EQ(filters[1].name, "All Files(*.*)");
    EXPECT_EQ(filters[1].patterns, std::vector<std::string>{"*"});
}

TEST(ChooserText_gtk, OddFilterTexts) {
    EXPECT_TRUE(ParseFilter(u"").empty());
    EXPECT_TRUE(ParseFilter(u"Only a description").empty());

    const auto dangling = ParseFilter(u"Text|*.txt|Dangling");
    ASSERT_EQ(dangling.size(), 1u);
    EXPECT_EQ(dangling[0].name, "Text");

    const auto spaced = ParseFilter(u"Some| *.a ;; *.b|None|");
    ASSERT_EQ(spaced.size(), 2u);
    EXPECT_EQ(spaced[0].patterns, (std::vector<std::string>{"*.[aA]", "*.[bB]"}));
    EXPECT_TRUE(spaced[1].patterns.empty());

    const auto unicode = ParseFilter(u"Bilder \u00e4|*.\u00e4\U0001F600");
    ASSERT_EQ(unicode.size(), 1u);
    EXPECT_EQ(unicode[0].name, "Bilder \xC3\xA4");
    EXPECT_EQ(unicode[0].patterns, std::vector<std::string>{"*.\xC3\xA4\xF0\x9F\x98\x80"});
}

TEST(ChooserText_gtk, PatternsMatchAsOnWindows) {
    EXPECT_EQ(ChooserPattern(u"*.*"), "*");
    EXPECT_EQ(ChooserPattern(u"*"), "*");
    EXPECT_EQ(ChooserPattern(u"a?.Z"), "[aA]?.[zZ]");
    EXPECT_EQ(ChooserPattern(u"[1].txt"), "[[]1].[tT][xX][tT]");
    EXPECT_EQ(ChooserPattern(u"*.*.bak"), "*.*.[bB][aA][kK]");
}

TEST(ChooserText_gtk, SplitsAtTheLastSlash) {
    const auto split = [](PathView path) {
        const ChosenPath chosen = SplitChosenPath(path);
        return std::pair{chosen.directory, chosen.name};
    };
    using Parts = std::pair<Path, Path>;
    EXPECT_EQ(split("/home/user/data.bin"), Parts("/home/user/", "data.bin"));
    EXPECT_EQ(split("/data.bin"), Parts("/", "data.bin"));
    EXPECT_EQ(split("data.bin"), Parts("", "data.bin"));
    EXPECT_EQ(split("/a b/c\\d.e"), Parts("/a b/", "c\\d.e"));
    EXPECT_EQ(split("/dir/"), Parts("/dir/", ""));
    // Bytes that are no UTF-8 stay as they are.
    EXPECT_EQ(split("/d\xE9j\xE0/caf\xE9.bin"), Parts("/d\xE9j\xE0/", "caf\xE9.bin"));
}

}  // namespace
