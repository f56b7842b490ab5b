// The theme icons, decoded by GdkPixbuf's own PNG loader, must show the same
// picture as the Windows icon: every pixel the colour of its ink.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "IconPicture.h"
#include "IconPng.h"

namespace {

using VarnholtIcon::Rgba;

Rgba Expected(VarnholtIcon::Ink ink) {
    switch (ink) {
        case VarnholtIcon::Ink::Black:
            return {0x00, 0x00, 0x00, 0xFF};
        case VarnholtIcon::Ink::White:
            return {0xFF, 0xFF, 0xFF, 0xFF};
        case VarnholtIcon::Ink::Cyan:
            return {0x00, 0xFF, 0xFF, 0xFF};
        case VarnholtIcon::Ink::Grey:
            return {0x80, 0x80, 0x80, 0xFF};
        case VarnholtIcon::Ink::Transparent:
            break;
    }
    return {0, 0, 0, 0};
}

struct Unref {
    void operator()(void* object) const { g_object_unref(object); }
};

TEST(IconPng, DecodesToThePictureAtEveryThemeSize) {
    for (const int size : {16, 32, 48, 64, 128, 300}) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> png = VarnholtIcon::EncodePng(size);
        std::unique_ptr<GdkPixbufLoader, Unref> loader(
            gdk_pixbuf_loader_new_with_type("png", nullptr));
        ASSERT_TRUE(loader);
        GError* error = nullptr;
        const bool written =
            gdk_pixbuf_loader_write(loader.get(), png.data(), png.size(), &error) &&
            gdk_pixbuf_loader_close(loader.get(), &error);
        ASSERT_TRUE(written) << (error != nullptr ? error->message : "");
        GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
        ASSERT_NE(pixbuf, nullptr);
        ASSERT_EQ(gdk_pixbuf_get_width(pixbuf), size);
        ASSERT_EQ(gdk_pixbuf_get_height(pixbuf), size);
        ASSERT_TRUE(gdk_pixbuf_get_has_alpha(pixbuf));
        const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
        const int stride = gdk_pixbuf_get_rowstride(pixbuf);
        std::array<int, 5> inks{};
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const guchar* p = pixels + y * stride + x * 4;
                const VarnholtIcon::Ink ink = VarnholtIcon::PixelInk(x, y, size);
                ASSERT_EQ((Rgba{p[0], p[1], p[2], p[3]}), Expected(ink)) << x << "," << y;
                ++inks.at(static_cast<std::size_t>(ink));
            }
        }
        for (const int count : inks) {
            EXPECT_GT(count, 0) << "every ink appears";
        }
    }
}

}  // namespace
