// The second look: what a reader tries after its first look (the pipeline
// every reader starts with, kept exactly as it is) has left the picture
// unread. It only adds results after the first look's and can be turned off
// with one option bit of each scanner record.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/geom/geom.hpp"

namespace zr {

// The option bit that turns a reader's second look off: ZR_BAR_FIRST_LOOK_ONLY
// in extraFlags, ZR_QR_ / ZR_MICROQR_ / ZR_DM_FIRST_LOOK_ONLY in scanFlags and
// ZR_PDF417_FIRST_LOOK_ONLY in directions. No other option uses this bit.
constexpr std::uint8_t kFirstLookOnly = 0x80;

constexpr bool SecondLookWanted(std::uint8_t optionField) {
    return (optionField & kFirstLookOnly) == 0;
}

// What became of one result the second look offered.
enum class SecondLookStore : std::uint8_t {
    kAdded,      // stored after the results already in the list
    kDuplicate,  // a stored result has the same text at an overlapping place
    kListFull,   // no room left: the list holds maxResults records
};

namespace second_look_detail {

template <class Result, class = void>
struct HasLength : std::false_type {};
template <class Result>
struct HasLength<Result, std::void_t<decltype(std::declval<const Result &>().length)>> : std::true_type {};

// Bytes of the result's text: its length field where the record has one
// (texts that may hold zero bytes), otherwise up to the first zero byte.
template <class Result>
std::size_t TextLength(const Result &r) {
    if constexpr (HasLength<Result>::value) {
        return std::min<std::size_t>(r.length, sizeof(r.text));
    } else {
        const auto *text = reinterpret_cast<const char *>(r.text);
        return static_cast<std::size_t>(std::find(text, text + sizeof(r.text), '\0') - text);
    }
}

template <class Result>
bool SameText(const Result &p, const Result &q) {
    const std::size_t length = TextLength(p);
    return length == TextLength(q) && std::memcmp(p.text, q.text, length) == 0;
}

// Centroid of the four corners (x0, y0 .. x3, y3).
template <class Result>
geom::PointF CornerCentroid(const Result &r) {
    geom::PointF c;
    for (int k = 0; k < 4; ++k) {
        c.x += r.corners[2 * k] * 0.25;
        c.y += r.corners[2 * k + 1] * 0.25;
    }
    return c;
}

// The longest side of the corner quadrilateral: the symbol's size.
template <class Result>
double SymbolSize(const Result &r) {
    double longest = 0;
    for (int k = 0; k < 4; ++k) {
        const int next = (k + 1) % 4;
        const double dx = static_cast<double>(r.corners[2 * next]) - r.corners[2 * k];
        const double dy = static_cast<double>(r.corners[2 * next + 1]) - r.corners[2 * k + 1];
        longest = std::max(longest, std::sqrt(dx * dx + dy * dy));
    }
    return longest;
}

}  // namespace second_look_detail

// True when two results are one symbol seen twice: the same text, and
// corner centroids closer than the larger of the two symbols' sizes.
template <class Result>
bool SameSymbol(const Result &p, const Result &q) {
    using namespace second_look_detail;
    if (!SameText(p, q)) return false;
    const geom::PointF cp = CornerCentroid(p), cq = CornerCentroid(q);
    const double reach = std::max(SymbolSize(p), SymbolSize(q));
    const double dx = cp.x - cq.x, dy = cp.y - cq.y;
    return dx * dx + dy * dy < reach * reach;
}

// Adds `found` after the `count` results stored in `results` (capacity
// maxResults) unless one of them is the same symbol; count grows by one
// when it is added. Works for every reader's result record (corners[8] and
// text, with or without a length field).
template <class Result, class Count>
SecondLookStore AddSecondLookResult(Result *results, Count &count, int maxResults, const Result &found) {
    const int stored = static_cast<int>(count);
    for (int i = 0; i < stored; ++i)
        if (SameSymbol(results[i], found)) return SecondLookStore::kDuplicate;
    if (stored >= maxResults) return SecondLookStore::kListFull;
    results[stored] = found;
    count = static_cast<Count>(stored + 1);
    return SecondLookStore::kAdded;
}

// The same for a scanner record: its results, resultCount and maxResults.
template <class Scanner, class Result>
SecondLookStore AddSecondLookResult(Scanner &scanner, const Result &found) {
    return AddSecondLookResult(scanner.results, scanner.resultCount, scanner.maxResults, found);
}

}  // namespace zr
