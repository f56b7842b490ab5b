#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "GtkTestSupport.h"
#include "TempDir.h"
#include "frmMainLayout.h"
#include "frmMainWindow_gtk.h"

namespace {

using namespace std::chrono_literals;

constexpr char kAbcDigest[] = "900150983CD24FB0D6963F7D28E17F72";

// md5sum's digest of path, in uppercase; empty when md5sum fails.
std::string Md5sum(const std::string& path) {
    const char* argv[] = {"md5sum", path.c_str(), nullptr};
    gchar* out = nullptr;
    gint status = 0;
    if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                      nullptr, &out, nullptr, &status, nullptr) ||
        !g_spawn_check_wait_status(status, nullptr)) {
        g_free(out);
        return "";
    }
    std::string digest = TakeStr(out).substr(0, 32);
    for (char& c : digest) {
        c = g_ascii_toupper(c);
    }
    return digest;
}

// Calls f for window and every window inside it.
void ForEachWindow(GdkWindow* window, const std::function<void(GdkWindow*)>& f) {
    f(window);
    for (GList* item = gdk_window_peek_children(window); item != nullptr; item = item->next) {
        ForEachWindow(GDK_WINDOW(item->data), f);
    }
}

// The pointer GDK shows over window: its own, or else its nearest ancestor's.
GdkCursor* ShownCursor(GdkWindow* window) {
    for (; window != nullptr; window = gdk_window_get_parent(window)) {
        if (GdkCursor* cursor = gdk_window_get_cursor(window)) {
            return cursor;
        }
    }
    return nullptr;
}

class frmMain_gtk : public GtkTest {
protected:
    void SetUp() override {
        GtkTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        window_.emplace();
        ASSERT_TRUE(RunUntil([&] {
            return gtk_widget_get_mapped(GTK_WIDGET(window().Window())) &&
                   gtk_widget_get_allocated_width(Control(frmMainControl::cmdClose)) > 1;
        })) << "the window never showed";
    }
    void TearDown() override {
        window_.reset();
        if (!IsSkipped()) {
            DrainEvents();
        }
    }

    frmMainGtk& window() { return *window_; }
    GtkWidget* Control(frmMainControl control) { return window_->Control(control); }
    std::string EntryText() {
        return Str(gtk_entry_get_text(GTK_ENTRY(Control(frmMainControl::txtMD5))));
    }
    void SetEntryText(const char* text) {
        gtk_entry_set_text(GTK_ENTRY(Control(frmMainControl::txtMD5)), text);
    }
    void Click(frmMainControl control) { gtk_button_clicked(GTK_BUTTON(Control(control))); }
    GdkCursor* Cursor() {
        return gdk_window_get_cursor(gtk_widget_get_window(GTK_WIDGET(window().Window())));
    }

    // Clicks "Open File" with the dialogs answered by steps; the command must
    // return within a minute and leave no dialog unanswered.
    void OpenWith(std::vector<DialogScript::Step> steps) {
        const DialogScript script(std::move(steps));
        {
            const ProcessDeadline deadline(60s, "Open File");
            Click(frmMainControl::cmdOpen);
        }
        EXPECT_TRUE(script.Finished()) << "a dialog the test expected never appeared";
        EXPECT_EQ(script.Unexpected(), 0) << "a dialog the test did not expect appeared";
        EXPECT_FALSE(script.GaveUp());
        EXPECT_EQ(VisibleDialog(), nullptr);
    }

    // Answers the message box, keeping what it said.
    DialogScript::Step Message(std::string& text) {
        return Answer(GTK_RESPONSE_OK, [&text](GtkDialog* dialog) {
            ASSERT_TRUE(GTK_IS_MESSAGE_DIALOG(dialog));
            gchar* said = nullptr;
            g_object_get(dialog, "text", &said, nullptr);
            text = TakeStr(said);
        });
    }

private:
    std::optional<frmMainGtk> window_;
};

constexpr frmMainControl kTabOrder[] = {frmMainControl::cmdOpen, frmMainControl::txtMD5,
                                        frmMainControl::cmdCopyClose, frmMainControl::cmdClose};

TEST_F(frmMain_gtk, ControlsSitAtTheirTwipsInPixels) {
    const double resolution = gdk_screen_get_resolution(gdk_screen_get_default());
    const int dpi = resolution > 0 ? static_cast<int>(std::lround(resolution)) : 96;
    for (std::size_t i = 0; i < std::size(kTabOrder); ++i) {
        const TwipRect& twips = kControlTwips[i];
        GtkAllocation at{};
        gtk_widget_get_allocation(Control(kTabOrder[i]), &at);
        EXPECT_EQ(at.x, TwipsToPixels(twips.left, dpi)) << "control " << i;
        EXPECT_EQ(at.y, TwipsToPixels(twips.top, dpi)) << "control " << i;
        EXPECT_EQ(at.width, TwipsToPixels(twips.width, dpi)) << "control " << i;
        EXPECT_EQ(at.height, TwipsToPixels(twips.height, dpi)) << "control " << i;
    }
    GdkWindow* client = gtk_widget_get_window(GTK_WIDGET(window().Window()));
    EXPECT_EQ(gdk_window_get_width(client), TwipsToPixels(kClientWidthTwips, dpi));
    EXPECT_EQ(gdk_window_get_height(client), TwipsToPixels(kClientHeightTwips, dpi));
}

TEST_F(frmMain_gtk, IsTitledFixedInSizeAndCentred) {
    GtkWindow* w = window().Window();
    EXPECT_EQ(Str(gtk_window_get_title(w)), "Varnholt");
    EXPECT_FALSE(gtk_window_get_resizable(w));
    EXPECT_FALSE(GTK_IS_DIALOG(w));  // a dialog would close on Escape
    const std::unique_ptr<GList, decltype(&g_list_free)> icons(gtk_window_get_icon_list(w),
                                                               &g_list_free);
    ASSERT_EQ(g_list_length(icons.get()), 2u);
    EXPECT_EQ(gdk_pixbuf_get_width(GDK_PIXBUF(icons->data)), 16);
    EXPECT_EQ(gdk_pixbuf_get_width(GDK_PIXBUF(icons->next->data)), 32);

    GdkWindow* client = gtk_widget_get_window(GTK_WIDGET(w));
    GdkRectangle screen{};
    gdk_monitor_get_geometry(
        gdk_display_get_monitor_at_window(gdk_window_get_display(client), client), &screen);
    int x = 0;
    int y = 0;
    gdk_window_get_origin(client, &x, &y);
    EXPECT_NEAR(x, screen.x + (screen.width - gdk_window_get_width(client)) / 2, 1);
    EXPECT_NEAR(y, screen.y + (screen.height - gdk_window_get_height(client)) / 2, 1);
}

TEST_F(frmMain_gtk, FocusStartsOnOpenFileAndTabsInOrder) {
    GtkWindow* w = window().Window();
    EXPECT_EQ(gtk_window_get_focus(w), Control(frmMainControl::cmdOpen));
    // Without the keyboard a focused button would take the focus back.
    SendFocusIn(GTK_WIDGET(w));
    ASSERT_TRUE(gtk_window_is_active(w));
    for (std::size_t i = 1; i <= std::size(kTabOrder); ++i) {
        SendKey(GTK_WIDGET(w), GDK_KEY_Tab);
        EXPECT_EQ(gtk_window_get_focus(w), Control(kTabOrder[i % std::size(kTabOrder)]))
            << "after " << i << " tabs";
    }
    SendKey(GTK_WIDGET(w), GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK);
    EXPECT_EQ(gtk_window_get_focus(w), Control(frmMainControl::cmdClose));
}

TEST_F(frmMain_gtk, ChosenFileShowsItsDigest) {
    const TempDir temp;
    const auto file = temp.File("abc.txt", "abc");
    SetEntryText("old text");
    OpenWith({ChooseFile(file.string())});
    EXPECT_EQ(EntryText(), kAbcDigest);
    EXPECT_EQ(window().GetText(), Text(u"900150983CD24FB0D6963F7D28E17F72"));
    EXPECT_EQ(Cursor(), nullptr);
}

// Names that are not UTF-8 reach the file system byte for byte; pseudo-files
// that measure 0 bytes are read to their end, and one that fails to read
// (/proc/self/mem at address 0) leaves the field empty, quietly.
TEST_F(frmMain_gtk, AnyNameAndPseudoFilesShowMd5sumsDigest) {
    const TempDir temp;
    const auto latin1 = temp.File(std::string("caf\xE9.bin"), "Latin-1 name");
    for (const std::string& path :
         {latin1.string(), std::string("/proc/version"), std::string("/proc/self/mem")}) {
        SetEntryText("old text");
        OpenWith({ChooseFile(path)});
        EXPECT_EQ(EntryText(), Md5sum(path)) << path;
        EXPECT_EQ(Cursor(), nullptr) << path;
    }
}

TEST_F(frmMain_gtk, AltOOpensTheDialog) {
    const TempDir temp;
    const auto file = temp.File("abc", "abc");
    EXPECT_TRUE(gtk_button_get_use_underline(GTK_BUTTON(Control(frmMainControl::cmdOpen))));
    const DialogScript script({ChooseFile(file.string())});
    SendKey(GTK_WIDGET(window().Window()), GDK_KEY_o, GDK_MOD1_MASK);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(EntryText(), kAbcDigest);
}

TEST_F(frmMain_gtk, CancelChangesNothing) {
    SetEntryText("kept");
    OpenWith({Answer(GTK_RESPONSE_CANCEL)});
    EXPECT_EQ(EntryText(), "kept");
    EXPECT_TRUE(window().IsOpen());
}

// pagemap measures 0 bytes and has 8 for each page of a 64-bit address space.
TEST_F(frmMain_gtk, FileOverTheLimitIsTooLarge) {
    const TempDir temp;
    const auto file = temp.File("big.bin", "");
    std::filesystem::resize_file(file, 33554433);  // sparse: no disk used
    for (const std::string& path : {file.string(), std::string("/proc/self/pagemap")}) {
        SetEntryText("old text");
        std::string message;
        OpenWith({ChooseFile(path), Message(message)});
        EXPECT_EQ(message, "File too large") << path;
        EXPECT_EQ(EntryText(), "") << path;
        EXPECT_EQ(Cursor(), nullptr) << path;
    }
}

TEST_F(frmMain_gtk, FifoIsTooLargeAndNeverBlocks) {
    const TempDir temp;
    const auto fifo = temp.Path() / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string message;
    OpenWith({ChooseFile(fifo.string()), Message(message)});
    EXPECT_EQ(message, "File too large");
    EXPECT_EQ(EntryText(), "");
    EXPECT_EQ(Cursor(), nullptr);
}

TEST_F(frmMain_gtk, ChosenDirectoryIsEnteredNotOpened) {
    const TempDir temp;
    const auto folder = temp.Path() / "folder";
    std::filesystem::create_directory(folder);
    SetEntryText("kept");
    OpenWith({ChooseFile(folder.string()), [&](GtkDialog* dialog) {
                  // Still open, now inside the folder.
                  if (TakeStr(gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog))) !=
                      folder.string()) {
                      return false;
                  }
                  gtk_dialog_response(dialog, GTK_RESPONSE_CANCEL);
                  return true;
              }});
    EXPECT_EQ(EntryText(), "kept");
}

TEST_F(frmMain_gtk, MessageIsAModalWarningWithOneButton) {
    bool seen = false;
    const DialogScript script({Answer(GTK_RESPONSE_OK, [&](GtkDialog* dialog) {
        seen = true;
        ASSERT_TRUE(GTK_IS_MESSAGE_DIALOG(dialog));
        EXPECT_EQ(Str(gtk_window_get_title(GTK_WINDOW(dialog))), "Varnholt");
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), window().Window());
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
        GtkMessageType type{};
        gchar* text = nullptr;
        g_object_get(dialog, "message-type", &type, "text", &text, nullptr);
        EXPECT_EQ(type, GTK_MESSAGE_WARNING);
        EXPECT_EQ(TakeStr(text), "Error: File not found");
        for (const GtkResponseType other :
             {GTK_RESPONSE_CANCEL, GTK_RESPONSE_CLOSE, GTK_RESPONSE_YES, GTK_RESPONSE_NO,
              GTK_RESPONSE_ACCEPT, GTK_RESPONSE_REJECT, GTK_RESPONSE_APPLY, GTK_RESPONSE_HELP}) {
            EXPECT_EQ(gtk_dialog_get_widget_for_response(dialog, other), nullptr) << other;
        }
        EXPECT_NE(gtk_dialog_get_widget_for_response(dialog, GTK_RESPONSE_OK), nullptr);
    })});
    window().ShowMessage(u"Error: File not found");
    EXPECT_TRUE(seen);
    EXPECT_EQ(script.Unexpected(), 0);
}

// Over every part of the window, the text field's text area included, which
// has a pointer of its own.
TEST_F(frmMain_gtk, HourglassCoversTheWholeWindowAndGoesAway) {
    GdkWindow* top = gtk_widget_get_window(GTK_WIDGET(window().Window()));
    GdkWindow* textArea = nullptr;
    ForEachWindow(top, [&](GdkWindow* w) {
        gpointer widget = nullptr;
        gdk_window_get_user_data(w, &widget);
        if (widget == Control(frmMainControl::txtMD5) && gdk_window_get_cursor(w) != nullptr) {
            textArea = w;
        }
    });
    ASSERT_NE(textArea, nullptr) << "the text field has no pointer of its own";
    GdkCursor* textPointer = gdk_window_get_cursor(textArea);

    window().SetMousePointer(MousePointer::Hourglass);
    GdkCursor* cursor = Cursor();
    ASSERT_NE(cursor, nullptr);
    const gint type = gdk_cursor_get_cursor_type(cursor);
    EXPECT_TRUE(type == GDK_WATCH || type == GDK_CURSOR_IS_PIXMAP) << type;
    int windows = 0;
    ForEachWindow(top, [&](GdkWindow* w) {
        EXPECT_EQ(ShownCursor(w), cursor);
        ++windows;
    });
    EXPECT_GT(windows, 1);

    window().SetMousePointer(MousePointer::Default);
    EXPECT_EQ(Cursor(), nullptr);
    EXPECT_EQ(gdk_window_get_cursor(textArea), textPointer);
}

TEST_F(frmMain_gtk, ScreenReadersSeeNamesWithoutMnemonics) {
    NameProgram("org.example.AppId");
    EXPECT_EQ(Str(atk_object_get_name(atk_get_root())), "Varnholt");
    EXPECT_EQ(Str(g_get_prgname()), "org.example.AppId");
    struct Case {
        frmMainControl control;
        const char* name;
        AtkRole role;
    };
    for (const auto [control, name, role] :
         {Case{frmMainControl::cmdOpen, "Open File", ATK_ROLE_PUSH_BUTTON},
          Case{frmMainControl::txtMD5, "MD5 digest", ATK_ROLE_TEXT},
          Case{frmMainControl::cmdCopyClose, "Copy+Close", ATK_ROLE_PUSH_BUTTON},
          Case{frmMainControl::cmdClose, "Close", ATK_ROLE_PUSH_BUTTON}}) {
        AtkObject* accessible = gtk_widget_get_accessible(Control(control));
        EXPECT_EQ(Str(atk_object_get_name(accessible)), name);
        EXPECT_EQ(atk_object_get_role(accessible), role) << name;
    }
}

TEST_F(frmMain_gtk, EscapeAndEnterDoNothing) {
    const DialogScript script({});
    GtkWidget* w = GTK_WIDGET(window().Window());
    EXPECT_EQ(gtk_window_get_default_widget(window().Window()), nullptr);
    EXPECT_FALSE(gtk_entry_get_activates_default(GTK_ENTRY(Control(frmMainControl::txtMD5))));
    SendFocusIn(w);
    SetEntryText("kept");
    for (const frmMainControl control : kTabOrder) {
        gtk_widget_grab_focus(Control(control));
        SendKey(w, GDK_KEY_Escape);
        DrainEvents();
        EXPECT_TRUE(window().IsOpen());
    }
    gtk_widget_grab_focus(Control(frmMainControl::txtMD5));
    for (const guint enter : {GDK_KEY_Return, GDK_KEY_KP_Enter}) {
        SendKey(w, enter);
        DrainEvents();
    }
    EXPECT_TRUE(window().IsOpen());
    EXPECT_EQ(EntryText(), "kept");
    EXPECT_EQ(script.Unexpected(), 0);
}

// Repaint draws without handling input: events wait, in order, for the loop.
TEST_F(frmMain_gtk, RepaintLeavesInputForLater) {
    GtkWidget* w = GTK_WIDGET(window().Window());
    gtk_widget_grab_focus(Control(frmMainControl::txtMD5));
    GdkWindow* gdkWindow = gtk_widget_get_window(w);
    GdkDisplay* display = gdk_window_get_display(gdkWindow);
    for (const guint keyval : {GDK_KEY_a, GDK_KEY_b}) {
        const std::unique_ptr<GdkEvent, decltype(&gdk_event_free)> event(
            gdk_event_new(GDK_KEY_PRESS), &gdk_event_free);
        event->key.window = GDK_WINDOW(g_object_ref(gdkWindow));
        event->key.keyval = keyval;
        event->key.send_event = TRUE;
        gdk_event_set_device(event.get(),
                             gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
        gdk_display_put_event(display, event.get());
    }
    window().Repaint();
    EXPECT_EQ(EntryText(), "");
    DrainEvents();
    EXPECT_EQ(EntryText(), "ab");
}

TEST_F(frmMain_gtk, CloseLeavesTheClipboardAndCopyCloseFillsIt) {
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, "earlier", -1);
    SetEntryText(kAbcDigest);
    Click(frmMainControl::cmdClose);
    EXPECT_FALSE(window().IsOpen());
    EXPECT_EQ(TakeStr(gtk_clipboard_wait_for_text(clipboard)), "earlier");

    frmMainGtk second;
    gtk_entry_set_text(GTK_ENTRY(second.Control(frmMainControl::txtMD5)), kAbcDigest);
    gtk_button_clicked(GTK_BUTTON(second.Control(frmMainControl::cmdCopyClose)));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(TakeStr(gtk_clipboard_wait_for_text(clipboard)), kAbcDigest);
}

TEST_F(frmMain_gtk, ClosingTheWindowEndsRun) {
    GtkWidget* w = GTK_WIDGET(window().Window());
    SetEntryText("kept");
    g_idle_add(
        [](gpointer toplevel) {
            // What the window manager's close button sends.
            const std::unique_ptr<GdkEvent, decltype(&gdk_event_free)> event(
                gdk_event_new(GDK_DELETE), &gdk_event_free);
            event->any.window =
                GDK_WINDOW(g_object_ref(gtk_widget_get_window(static_cast<GtkWidget*>(toplevel))));
            event->any.send_event = TRUE;
            gtk_main_do_event(event.get());
            return G_SOURCE_REMOVE;
        },
        w);
    const ProcessDeadline deadline(30s, "Run");
    EXPECT_EQ(window().Run(), 0);
    EXPECT_FALSE(window().IsOpen());
}

}  // namespace
