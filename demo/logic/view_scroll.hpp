// Keyboard scrolling of the image view.
#ifndef ZR_DEMO_VIEW_SCROLL_HPP
#define ZR_DEMO_VIEW_SCROLL_HPP

namespace zr::demo {

enum class ScrollKey { PageUp, PageDown, Home, End, Left, Right, Up, Down };

struct ScrollPosition {
    int x = 0;
    int y = 0;
};

// Page Up / Page Down move 100 pixels up or down, Home / End 100 pixels left or right, the arrows
// 20 pixels. The position stays inside the scaled picture: it never goes below 0 nor past the
// last position at which the client area still shows picture (scaled size - client size).
ScrollPosition ScrollAfterKey(ScrollKey key, ScrollPosition position, int scaledWidth, int scaledHeight,
                              int clientWidth, int clientHeight);

}  // namespace zr::demo

#endif  // ZR_DEMO_VIEW_SCROLL_HPP
