#include "IconPicture.h"

namespace VarnholtIcon {

namespace {

// The picture is laid out in half pixels of a 32 x 32 grid. An image of size
// s is worked out in units of 1 / (2 s) of a grid pixel: a half pixel is s
// units, an image pixel 64 units, and every pixel centre falls on a whole
// number, so every test below is exact integer arithmetic at any size.
struct Point {
    int x;
    int y;
};

constexpr int kPixel = 64;

// The window is turned about 16 degrees anticlockwise: (24, -7) runs along
// its top edge and (7, 24) down its left edge. Both are 25 long, so a
// distance of n units along either comes out as 25 * n.
constexpr Point kAcross{24, -7};
constexpr Point kDown{7, 24};
constexpr int kUnit = 25;

// In half pixels.
constexpr Point kTopLeft{4, 19};
constexpr int kWidth = 44;
constexpr int kHeight = 34;
constexpr int kTitleDepth = 6;
constexpr Point kShadowOffset{6, 6};

Point PixelCentre(int x, int y) { return {x * kPixel + kPixel / 2, y * kPixel + kPixel / 2}; }

int Dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }

// Where p lies in the window's own frame, both coordinates times kUnit.
struct WindowPosition {
    int across;
    int down;
};

WindowPosition InWindowFrame(Point p, int size) {
    const Point d{p.x - kTopLeft.x * size, p.y - kTopLeft.y * size};
    return {Dot(d, kAcross), Dot(d, kDown)};
}

bool Between(int value, int from, int to) { return from * kUnit <= value && value < to * kUnit; }

bool InsideWindow(WindowPosition w, int size) {
    return Between(w.across, 0, kWidth * size) && Between(w.down, 0, kHeight * size);
}

}  // namespace

Ink PixelInk(int x, int y, int size) {
    const Point p = PixelCentre(x, y);
    // Lines stay one pixel wide whatever the size, or they break up at 16.
    const int line = kPixel;
    const int width = kWidth * size;
    const int height = kHeight * size;
    const int title = kTitleDepth * size;

    const WindowPosition w = InWindowFrame(p, size);
    if (InsideWindow(w, size)) {
        const bool border =
            !Between(w.across, line, width - line) || !Between(w.down, line, height - line);
        if (border || Between(w.down, line + title, line + title + line)) {
            return Ink::Black;
        }
        return w.down < (line + title) * kUnit ? Ink::Cyan : Ink::White;
    }
    const Point shadow{p.x - kShadowOffset.x * size, p.y - kShadowOffset.y * size};
    if (InsideWindow(InWindowFrame(shadow, size), size)) {
        return Ink::Grey;
    }
    return Ink::Transparent;
}

Ink MonochromeInk(int x, int y, int size) {
    switch (const Ink ink = PixelInk(x, y, size)) {
        case Ink::Cyan:
            return Ink::Black;
        case Ink::Grey:
            // Every other pixel, so the shadow reads lighter than the outline.
            return (x + y) % 2 == 0 ? Ink::Black : Ink::Transparent;
        default:
            return ink;
    }
}

}  // namespace VarnholtIcon
