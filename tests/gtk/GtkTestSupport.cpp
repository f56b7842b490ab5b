#include "GtkTestSupport.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "GObjectPtr_gtk.h"

// GTK, fontconfig and friends keep caches for the life of the process; only
// the sanitizer build reads this.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libpango\n"
           "leak:libcairo\n"
           "leak:libgdk_pixbuf\n"
           "leak:libfontconfig.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libatk\n"
           "leak:libX11.so\n"
           "leak:libGLX_mesa.so\n";
}

void GtkTest::SetUp() {
    const gchar* display = g_getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        GTEST_SKIP() << "DISPLAY is not set";
    }
    // No session bus or settings daemon in a test: keep GTK from looking.
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    g_setenv("NO_AT_BRIDGE", "1", TRUE);
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "cannot open display " << display;
}

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const gint64 deadline = g_get_monotonic_time() + timeout.count() * 1000;
    while (!done()) {
        if (g_get_monotonic_time() > deadline) {
            return done();
        }
        if (!g_main_context_iteration(nullptr, FALSE)) {
            g_usleep(2000);
        }
    }
    return true;
}

void DrainEvents() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

ProcessDeadline::ProcessDeadline(std::chrono::seconds limit, std::string what)
    : watcher_([limit, what = std::move(what)](const std::stop_token& stop) {
          std::mutex mutex;
          std::condition_variable_any stopped;
          std::unique_lock lock(mutex);
          if (!stopped.wait_for(lock, stop, limit, [&] { return stop.stop_requested(); })) {
              std::fprintf(stderr, "%s did not return within %lld s\n", what.c_str(),
                           static_cast<long long>(limit.count()));
              std::_Exit(EXIT_FAILURE);
          }
      }) {}

DialogScript::DialogScript(std::vector<Step> steps, std::chrono::milliseconds patience)
    : steps_(std::move(steps)),
      deadline_(g_get_monotonic_time() + patience.count() * 1000),
      source_(g_timeout_add(20, Tick, this)) {}

DialogScript::~DialogScript() { g_source_remove(source_); }

gboolean DialogScript::Tick(gpointer self) {
    auto& script = *static_cast<DialogScript*>(self);
    GtkDialog* dialog = VisibleDialog();
    if (dialog == nullptr) {
        return G_SOURCE_CONTINUE;
    }
    if (g_get_monotonic_time() > script.deadline_) {
        script.gaveUp_ = true;
        gtk_dialog_response(dialog, GTK_RESPONSE_DELETE_EVENT);
    } else if (script.Finished()) {
        ++script.unexpected_;
        gtk_dialog_response(dialog, GTK_RESPONSE_DELETE_EVENT);
    } else if (script.steps_[script.next_](dialog)) {
        ++script.next_;
    }
    return G_SOURCE_CONTINUE;
}

DialogScript::Step ChooseFile(std::string path) {
    return [path = std::move(path), asked = false](GtkDialog* dialog) mutable {
        if (!GTK_IS_FILE_CHOOSER(dialog)) {
            ADD_FAILURE() << "expected a file chooser";
            gtk_dialog_response(dialog, GTK_RESPONSE_DELETE_EVENT);
            return true;
        }
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
        if (!asked) {
            asked = true;
            gtk_file_chooser_select_filename(chooser, path.c_str());
            return false;
        }
        if (TakeStr(gtk_file_chooser_get_filename(chooser)) != path) {
            return false;  // the chooser is still loading the folder
        }
        gtk_dialog_response(dialog, GTK_RESPONSE_ACCEPT);
        return true;
    };
}

DialogScript::Step Answer(GtkResponseType response, std::function<void(GtkDialog*)> check) {
    return [response, check = std::move(check)](GtkDialog* dialog) {
        if (check) {
            check(dialog);
        }
        gtk_dialog_response(dialog, response);
        return true;
    };
}

GtkDialog* VisibleDialog() {
    const std::unique_ptr<GList, decltype(&g_list_free)> toplevels(gtk_window_list_toplevels(),
                                                                   &g_list_free);
    GtkDialog* found = nullptr;
    for (GList* item = toplevels.get(); item != nullptr; item = item->next) {
        auto* widget = static_cast<GtkWidget*>(item->data);
        if (GTK_IS_DIALOG(widget) && gtk_widget_get_visible(widget) &&
            gtk_window_get_modal(GTK_WINDOW(widget))) {
            found = GTK_DIALOG(widget);
        }
    }
    return found;
}

void SendKey(GtkWidget* toplevel, guint keyval, GdkModifierType state) {
    GdkWindow* window = gtk_widget_get_window(toplevel);
    GdkDisplay* display = gdk_window_get_display(window);
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count);
    const std::unique_ptr<GdkKeymapKey, GFree> keysOwner(keys);
    for (const GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        const std::unique_ptr<GdkEvent, decltype(&gdk_event_free)> event(gdk_event_new(type),
                                                                         &gdk_event_free);
        event->key.window = GDK_WINDOW(g_object_ref(window));  // the event releases it
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.state = state;
        event->key.keyval = keyval;
        if (count > 0) {
            event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
            event->key.group = static_cast<guint8>(keys[0].group);
        }
        gdk_event_set_device(event.get(),
                             gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
        gtk_main_do_event(event.get());
    }
}

void SendFocusIn(GtkWidget* toplevel) {
    GdkWindow* window = gtk_widget_get_window(toplevel);
    const std::unique_ptr<GdkEvent, decltype(&gdk_event_free)> event(
        gdk_event_new(GDK_FOCUS_CHANGE), &gdk_event_free);
    event->focus_change.window = GDK_WINDOW(g_object_ref(window));
    event->focus_change.send_event = TRUE;
    event->focus_change.in = TRUE;
    GdkDisplay* display = gdk_window_get_display(window);
    gdk_event_set_device(event.get(), gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gtk_main_do_event(event.get());
}

std::string Str(const gchar* text) { return text != nullptr ? text : ""; }

std::string TakeStr(gchar* text) {
    const GCharPtr owner(text);
    return Str(text);
}
