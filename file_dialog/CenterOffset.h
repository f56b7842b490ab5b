#pragma once

namespace basComDlg {

// Where a span of size starts when centred in screen: half the difference,
// rounded half to even (461 gives 230, 459 gives 230); negative when the span
// is the larger.
constexpr int CenterOffset(int screen, int size) {
    const int difference = screen - size;
    const int floorHalf = (difference - (difference & 1)) / 2;
    return (difference & 1) != 0 && (floorHalf & 1) != 0 ? floorHalf + 1 : floorHalf;
}

}  // namespace basComDlg
