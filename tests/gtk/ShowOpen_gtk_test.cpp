#include "ShowOpen_gtk.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "GObjectPtr_gtk.h"
#include "GtkTestSupport.h"
#include "TempDir.h"

namespace {

using namespace std::chrono_literals;

constexpr char16_t kFilter[] =
    u"Executable Files|*.exe;*.com;*.pif;*.bat;*.cmd;*.lnk|All Files(*.*)|*.*";

class ShowOpen_gtk : public GtkTest {
protected:
    void SetUp() override {
        GtkTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        owner_.emplace(gtk_window_new(GTK_WINDOW_TOPLEVEL));
        gtk_widget_show(owner_->get());
    }
    void TearDown() override {
        owner_.reset();
        if (!IsSkipped()) {
            DrainEvents();
        }
    }

    GtkWindow* Owner() { return GTK_WINDOW(owner_->get()); }

    // ShowOpen with its dialog answered by steps.
    Path Show(Path& directory, std::vector<DialogScript::Step> steps, std::int32_t index = 2) {
        const DialogScript script(std::move(steps));
        const ProcessDeadline deadline(60s, "ShowOpen");
        Path name = basComDlg::ShowOpen(Owner(), directory, kFilter, index);
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(script.Unexpected(), 0);
        EXPECT_FALSE(script.GaveUp());
        return name;
    }

private:
    std::optional<UniqueToplevel> owner_;
};

// Whether the chooser's filter called name lets file name through.
bool Passes(GtkFileChooser* chooser, const std::string& filterName, const char* name) {
    const std::unique_ptr<GSList, decltype(&g_slist_free)> filters(
        gtk_file_chooser_list_filters(chooser), &g_slist_free);
    for (GSList* item = filters.get(); item != nullptr; item = item->next) {
        auto* filter = static_cast<GtkFileFilter*>(item->data);
        if (Str(gtk_file_filter_get_name(filter)) == filterName) {
            GtkFileFilterInfo info{};
            info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
            info.display_name = name;
            return gtk_file_filter_filter(filter, &info);
        }
    }
    ADD_FAILURE() << "no filter " << filterName;
    return false;
}

TEST_F(ShowOpen_gtk, ChoosingGivesFolderWithSlashAndName) {
    const TempDir temp;
    const auto file = temp.File("data.bin", "x");
    Path directory = "/";
    const Path name = Show(directory, {ChooseFile(file.string())});
    EXPECT_EQ(name, "data.bin");
    EXPECT_EQ(directory, temp.Path().string() + "/");
}

TEST_F(ShowOpen_gtk, CancelLeavesDirectoryAlone) {
    const TempDir temp;
    Path directory = temp.Path().string();
    EXPECT_EQ(Show(directory, {Answer(GTK_RESPONSE_CANCEL)}), "");
    EXPECT_EQ(directory, temp.Path().string());
}

TEST_F(ShowOpen_gtk, DialogIsAModalCentredOpenChooserInTheStartFolder) {
    const TempDir temp;
    Path directory = temp.Path().string();
    Show(directory, {[&](GtkDialog* dialog) {
             GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
             if (TakeStr(gtk_file_chooser_get_current_folder(chooser)) != temp.Path().string()) {
                 return false;  // not there yet
             }
             GtkWindow* window = GTK_WINDOW(dialog);
             EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_OPEN);
             EXPECT_FALSE(gtk_file_chooser_get_select_multiple(chooser));
             EXPECT_EQ(gtk_window_get_transient_for(window), Owner());
             EXPECT_TRUE(gtk_window_get_modal(window));
             GtkWindowPosition position{};
             g_object_get(window, "window-position", &position, nullptr);
             EXPECT_EQ(position, GTK_WIN_POS_CENTER);
             EXPECT_EQ(Str(gtk_window_get_title(window)), basComDlg::kOpenTitle);
             gtk_dialog_response(dialog, GTK_RESPONSE_CANCEL);
             return true;
         }});
}

TEST_F(ShowOpen_gtk, FiltersComeFromTheFilterTextAndIndexPicksOne) {
    for (const std::int32_t index : {1, 2}) {
        Path directory = "/";
        Show(
            directory,
            {Answer(
                GTK_RESPONSE_CANCEL,
                [&](GtkDialog* dialog) {
                    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
                    const std::unique_ptr<GSList, decltype(&g_slist_free)> filters(
                        gtk_file_chooser_list_filters(chooser), &g_slist_free);
                    std::vector<std::string> names;
                    for (GSList* item = filters.get(); item != nullptr; item = item->next) {
                        names.push_back(Str(gtk_file_filter_get_name(GTK_FILE_FILTER(item->data))));
                    }
                    EXPECT_EQ(names,
                              (std::vector<std::string>{"Executable Files", "All Files(*.*)"}));
                    EXPECT_EQ(Str(gtk_file_filter_get_name(gtk_file_chooser_get_filter(chooser))),
                              names.at(static_cast<std::size_t>(index - 1)));

                    EXPECT_TRUE(Passes(chooser, "Executable Files", "setup.exe"));
                    EXPECT_TRUE(Passes(chooser, "Executable Files", "RUN.BAT"));
                    EXPECT_TRUE(Passes(chooser, "Executable Files", "Link.Lnk"));
                    EXPECT_FALSE(Passes(chooser, "Executable Files", "notes.txt"));
                    EXPECT_FALSE(Passes(chooser, "Executable Files", "exe"));
                    EXPECT_TRUE(Passes(chooser, "All Files(*.*)", "notes.txt"));
                    EXPECT_TRUE(Passes(chooser, "All Files(*.*)", "Makefile"));
                })},
            index);
    }
}

}  // namespace
