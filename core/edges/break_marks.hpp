// Break point marks of the edge fit's split phase, shared by the split
// and the fit that reads its pieces.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace zr::edges::detail {

// Next set break point after index i (last is always set). Eight marks at a
// time while a whole word lies before the end: the unsplit stretches of a
// long side hold no mark for hundreds of samples.
inline int NextSet(const std::vector<std::uint8_t> &isSet, int i) {
    const std::uint8_t *marks = isSet.data();
    const auto size = static_cast<int>(isSet.size());
    ++i;
    while (i + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, marks + i, sizeof word);
        if (word != 0) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
            return i + __builtin_clzll(word) / 8;
#else
            return i + __builtin_ctzll(word) / 8;
#endif
        }
        i += 8;
    }
    while (marks[i] == 0) ++i;
    return i;
}

inline int PreviousSet(const std::vector<std::uint8_t> &isSet, int i) {
    do --i;
    while (isSet[i] == 0);
    return i;
}

// Break point mark: a piece starts at every set index.
constexpr std::uint8_t kBreak = 1;

}  // namespace zr::edges::detail
