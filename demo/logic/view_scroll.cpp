#include "view_scroll.hpp"

#include <algorithm>

namespace zr::demo {
namespace {

constexpr int kPageStep = 100;
constexpr int kArrowStep = 20;

struct Step {
    int dx;
    int dy;
};

Step StepFor(ScrollKey key) {
    switch (key) {
        case ScrollKey::PageUp:
            return {0, -kPageStep};
        case ScrollKey::PageDown:
            return {0, kPageStep};
        case ScrollKey::Home:
            return {-kPageStep, 0};
        case ScrollKey::End:
            return {kPageStep, 0};
        case ScrollKey::Left:
            return {-kArrowStep, 0};
        case ScrollKey::Right:
            return {kArrowStep, 0};
        case ScrollKey::Up:
            return {0, -kArrowStep};
        case ScrollKey::Down:
        default:
            return {0, kArrowStep};
    }
}

int Move(int position, int step, int scaledSize, int clientSize) {
    const int last = std::max(0, scaledSize - clientSize);
    // Widened so that positions near INT_MAX cannot overflow.
    const long long moved = static_cast<long long>(position) + step;
    return static_cast<int>(std::clamp<long long>(moved, 0, last));
}

}  // namespace

ScrollPosition ScrollAfterKey(ScrollKey key, ScrollPosition position, int scaledWidth, int scaledHeight,
                              int clientWidth, int clientHeight) {
    const Step step = StepFor(key);
    return {Move(position.x, step.dx, scaledWidth, clientWidth),
            Move(position.y, step.dy, scaledHeight, clientHeight)};
}

}  // namespace zr::demo
