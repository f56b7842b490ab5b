#include "IconPicture.h"

namespace VarnholtIcon {

namespace {

// Positions are in half pixels of the 32 x 32 grid, so that pixel centres of
// both the 32 and the 16 pixel images fall on whole numbers and every test
// below is exact integer arithmetic.
struct Point {
    int x;
    int y;
};

constexpr int kGrid = 64;

// The window is turned about 16 degrees anticlockwise: (24, -7) runs along
// its top edge and (7, 24) down its left edge. Both are 25 long, so a
// distance of n half pixels along either comes out as 25 * n.
constexpr Point kAcross{24, -7};
constexpr Point kDown{7, 24};
constexpr int kUnit = 25;

constexpr Point kTopLeft{4, 19};
constexpr int kWidth = 44;
constexpr int kHeight = 34;
constexpr int kTitleDepth = 6;
constexpr Point kShadowOffset{6, 6};

Point PixelCentre(int x, int y, int size) {
    const int scale = kGrid / size;
    return {x * scale + scale / 2, y * scale + scale / 2};
}

int Dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }

// Where p lies in the window's own frame, both coordinates times kUnit.
struct WindowPosition {
    int across;
    int down;
};

WindowPosition InWindowFrame(Point p) {
    const Point d{p.x - kTopLeft.x, p.y - kTopLeft.y};
    return {Dot(d, kAcross), Dot(d, kDown)};
}

bool Between(int value, int from, int to) { return from * kUnit <= value && value < to * kUnit; }

bool InsideWindow(WindowPosition w) {
    return Between(w.across, 0, kWidth) && Between(w.down, 0, kHeight);
}

}  // namespace

Ink PixelInk(int x, int y, int size) {
    const Point p = PixelCentre(x, y, size);
    // Lines stay one pixel wide whatever the size, or they break up at 16.
    const int line = kGrid / size;

    const WindowPosition w = InWindowFrame(p);
    if (InsideWindow(w)) {
        const bool border =
            !Between(w.across, line, kWidth - line) || !Between(w.down, line, kHeight - line);
        if (border || Between(w.down, line + kTitleDepth, line + kTitleDepth + line)) {
            return Ink::Black;
        }
        return w.down < (line + kTitleDepth) * kUnit ? Ink::Cyan : Ink::White;
    }
    if (InsideWindow(InWindowFrame({p.x - kShadowOffset.x, p.y - kShadowOffset.y}))) {
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
