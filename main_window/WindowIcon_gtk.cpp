#include "WindowIcon_gtk.h"

#include <gtk/gtk.h>

#include <array>
#include <cstddef>
#include <memory>

#include "GObjectPtr_gtk.h"
#include "IconPicture.h"

namespace {

GObjectPtr<GdkPixbuf> DrawIcon(int size) {
    GObjectPtr<GdkPixbuf> pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, size, size));
    if (!pixbuf) {
        return pixbuf;
    }
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.get());
    const int stride = gdk_pixbuf_get_rowstride(pixbuf.get());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const VarnholtIcon::Rgba colour =
                VarnholtIcon::InkColour(VarnholtIcon::PixelInk(x, y, size));
            guchar* pixel = pixels + static_cast<std::ptrdiff_t>(y) * stride +
                            static_cast<std::ptrdiff_t>(x) * 4;
            pixel[0] = colour.red;
            pixel[1] = colour.green;
            pixel[2] = colour.blue;
            pixel[3] = colour.alpha;
        }
    }
    return pixbuf;
}

}  // namespace

void SetWindowIcon(GtkWindow* window) {
    const std::array<GObjectPtr<GdkPixbuf>, 2> icons{DrawIcon(16), DrawIcon(32)};
    std::unique_ptr<GList, decltype(&g_list_free)> list(nullptr, &g_list_free);
    for (const auto& icon : icons) {
        if (icon) {
            list.reset(g_list_append(list.release(), icon.get()));
        }
    }
    gtk_window_set_icon_list(window, list.get());  // takes its own references
}
