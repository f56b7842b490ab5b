#include "cmdClose.h"

#include <gtest/gtest.h>

#include "FakeWindow.h"

namespace {

using Log = std::vector<std::string>;

TEST(cmdClose, CloseLeavesTheClipboard) {
    FakeWindow window;
    cmdClose_Click(window, 1);
    EXPECT_TRUE(window.unloaded);
    EXPECT_EQ(window.clipboard, u"earlier clipboard");
    EXPECT_EQ(window.log, (Log{"Unload"}));
}

TEST(cmdClose, CopyAndClose) {
    struct Case {
        Text text;
        int failures;
        bool closes;
        Log log;
    };
    const Log once{"GetText", "PlaceOnClipboard", "Unload"};
    const Log twice{"GetText", "PlaceOnClipboard", "Sleep",
                    "GetText", "PlaceOnClipboard", "Unload"};
    const Log givesUp{"GetText", "PlaceOnClipboard", "Sleep", "GetText", "PlaceOnClipboard"};
    const std::vector<Case> cases = {
        {u"900150983CD24FB0D6963F7D28E17F72", 0, true, once},
        {u"edited by hand \u00E9", 0, true, once},
        {u"", 0, true, once},
        {u"retry works", 1, true, twice},
        {u"held throughout", 5, false, givesUp},
    };
    for (const auto& [text, failures, closes, log] : cases) {
        FakeWindow window;
        window.text = text;
        window.clipboardFailures = failures;
        cmdClose_Click(window, 0);
        EXPECT_EQ(window.unloaded, closes) << ToUtf8(text);
        EXPECT_EQ(window.clipboard, closes ? text : u"earlier clipboard");
        EXPECT_EQ(window.log, log);
        EXPECT_EQ(window.sleeps,
                  failures ? std::vector<std::uint32_t>{100} : std::vector<std::uint32_t>{});
        EXPECT_TRUE(window.messages.empty());
        EXPECT_EQ(window.text, text);
    }
}

TEST(cmdClose, FailedReadOfTheFieldIsAFailedAttempt) {
    FakeWindow window;
    window.text = u"digest";
    window.getTextFailures = 1;
    cmdClose_Click(window, 0);
    EXPECT_EQ(window.log, (Log{"GetText", "Sleep", "GetText", "PlaceOnClipboard", "Unload"}));
    EXPECT_EQ(window.clipboard, u"digest");
    EXPECT_TRUE(window.unloaded);
}

}  // namespace
