#pragma once

// What the GTK tests share: a display check, answering dialogs from inside
// their modal loops, synthetic keys, and guards so that no test can hang.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Initialises GTK for the test, or skips it when there is no display.
class GtkTest : public ::testing::Test {
protected:
    void SetUp() override;
};

// Runs the main loop until done() holds or timeout passes; done()'s last
// answer.
bool RunUntil(const std::function<bool()>& done,
              std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Dispatches what is pending, without waiting for more.
void DrainEvents();

// Ends the whole test program, with a message, when it is still alive after
// limit: a blocking call cannot be stopped any other way.
class ProcessDeadline {
public:
    ProcessDeadline(std::chrono::seconds limit, std::string what);

private:
    std::jthread watcher_;
};

// Answers the modal dialogs that appear, one step each, from a timer that
// runs inside their loops. A dialog with no step left, or still open after
// patience, is closed and counted.
class DialogScript {
public:
    // Sees the dialog that is showing; true once it has answered it.
    using Step = std::function<bool(GtkDialog*)>;

    explicit DialogScript(std::vector<Step> steps,
                          std::chrono::milliseconds patience = std::chrono::seconds(20));
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;
    ~DialogScript();

    [[nodiscard]] bool Finished() const { return next_ == steps_.size(); }
    [[nodiscard]] int Unexpected() const { return unexpected_; }
    [[nodiscard]] bool GaveUp() const { return gaveUp_; }

private:
    static gboolean Tick(gpointer self);

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int unexpected_ = 0;
    bool gaveUp_ = false;
    gint64 deadline_;
    guint source_;
};

// Steps for DialogScript.
// Selects path in a file chooser and accepts once the chooser has it.
DialogScript::Step ChooseFile(std::string path);
// Runs check on the dialog, then answers with response.
DialogScript::Step Answer(GtkResponseType response,
                          std::function<void(GtkDialog*)> check = nullptr);

// The shown dialog, if any: the newest visible one.
GtkDialog* VisibleDialog();

// A key press and release as the display would send them to toplevel.
void SendKey(GtkWidget* toplevel, guint keyval, GdkModifierType state = GdkModifierType{});

// What the display sends when toplevel gets the keyboard; with no window
// manager nothing else makes a window active.
void SendFocusIn(GtkWidget* toplevel);

// Text of a GTK string property or getter result, empty for null.
std::string Str(const gchar* text);
// The same for strings the caller must free.
std::string TakeStr(gchar* text);
