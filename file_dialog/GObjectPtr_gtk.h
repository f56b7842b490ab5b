#pragma once

// Ownership of GLib and GTK objects: a reference released by g_object_unref,
// memory released by g_free, and toplevel windows, which GTK keeps alive until
// they are destroyed.

#include <gtk/gtk.h>

#include <memory>

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// Takes the caller's reference: sinks a floating one, or adds one to an
// object that someone else already owns.
template <typename T>
GObjectPtr<T> AdoptRef(T* object) {
    return GObjectPtr<T>(static_cast<T*>(g_object_ref_sink(object)));
}

struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};

using GCharPtr = std::unique_ptr<gchar, GFree>;

// A toplevel window owned by its creator: destroyed when this goes, unless it
// was destroyed before. The reference it holds keeps the pointer valid after
// the window was closed.
class UniqueToplevel {
public:
    explicit UniqueToplevel(GtkWidget* window) : window_(AdoptRef(window)) {
        g_signal_connect(window, "destroy", G_CALLBACK(OnDestroy), &destroyed_);
    }
    UniqueToplevel(const UniqueToplevel&) = delete;
    UniqueToplevel& operator=(const UniqueToplevel&) = delete;
    ~UniqueToplevel() {
        g_signal_handlers_disconnect_by_data(window_.get(), &destroyed_);
        if (!destroyed_) {
            gtk_widget_destroy(window_.get());
        }
    }

    [[nodiscard]] GtkWidget* get() const { return window_.get(); }
    [[nodiscard]] bool Destroyed() const { return destroyed_; }

private:
    static void OnDestroy(GtkWidget* /*widget*/, gpointer destroyed) {
        *static_cast<bool*>(destroyed) = true;
    }

    GObjectPtr<GtkWidget> window_;
    bool destroyed_ = false;
};
