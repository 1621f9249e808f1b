// Rounding of eight widths to modules with a carried remainder, the
// adjustment to 17 modules, and the table lookups.
#include "pdf417/codeword.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace zr::pdf417 {

namespace {

constexpr int kElements = kElementsPerCodeword;

// Adds or removes modules until the elements sum to 17: missing modules go
// to the smallest deficit, extra ones come off the smallest excess.
void AdjustToSeventeen(int elements[kElements], double excess[kElements], double deficit[kElements]) {
    int sum = 0;
    for (int i = 0; i < kElements; ++i) sum += elements[i];
    for (; sum < kModulesPerCodeword; ++sum) {
        int best = -1;
        for (int i = 0; i < kElements; ++i) {
            if (deficit[i] != 0 && (best < 0 || deficit[i] < deficit[best])) best = i;
        }
        if (best < 0) break;
        ++elements[best];
        deficit[best] = 0;
    }
    for (; sum > kModulesPerCodeword; --sum) {
        int best = -1;
        for (int i = 0; i < kElements; ++i) {
            if (excess[i] != 0 && elements[i] > 1 && (best < 0 || excess[i] < excess[best])) best = i;
        }
        if (best < 0) break;
        --elements[best];
        excess[best] = 0;
    }
}

bool ToDigits(const int elements[kElements], char digits[kElements]) {
    for (int i = 0; i < kElements; ++i) {
        if (elements[i] < 1 || elements[i] > 9) return false;
        digits[i] = static_cast<char>('0' + elements[i]);
    }
    return true;
}

double Total(const double widths[kElements]) {
    double total = 0;
    for (int i = 0; i < kElements; ++i) total += widths[i];
    return total;
}

}  // namespace

namespace {

// Eight digits as one number whose order is theirs (the first digit in the
// top byte): one load, its bytes turned to big-endian order.
std::uint64_t DigitKey(const char digits[kElementsPerCodeword]) {
    static_assert(kElementsPerCodeword == sizeof(std::uint64_t), "one digit a byte");
    std::uint64_t key = 0;
    std::memcpy(&key, digits, sizeof key);
    return __builtin_bswap64(key);
}

}  // namespace

int FindPattern(int section, const char digits[kElementsPerCodeword]) {
    if (section < 0 || section >= kClusterCount) return kNoCodeword;
    const PatternEntry *entries = Pdf417PatternTable[section];
    const std::uint64_t key = DigitKey(digits);
    // The last entry not above the key, halving the range with a select
    // rather than a branch; the section's digit strings are sorted and
    // distinct, so the key is there only as that entry.
    const PatternEntry *at = entries;
    for (int count = kCodewordValues; count > 1;) {
        const int half = count / 2;
        at = DigitKey(at[half].widths) <= key ? at + half : at;
        count -= half;
    }
    return DigitKey(at->widths) == key ? at->value : kNoCodeword;
}

bool ModulesOf(const double widths[kElements], char digits[kElements]) {
    const double total = Total(widths);
    if (!(total > 0)) return false;
    const double unit = total / kModulesPerCodeword;
    int elements[kElements];
    double excess[kElements], deficit[kElements];
    double carry = 0;
    for (int i = 0; i < kElements; ++i) {
        const double d = widths[i] / unit;
        const int e = static_cast<int>(d + carry);
        if (e == 0) {
            elements[i] = 1;
            excess[i] = deficit[i] = 1.0;
            carry = 0;
            continue;
        }
        elements[i] = e;
        excess[i] = d - e;
        deficit[i] = e + 1 - d;
        if (excess[i] > 0.5) {
            carry -= deficit[i];
        } else {
            carry += excess[i];
        }
        if (carry < 0) carry = 0;
    }
    AdjustToSeventeen(elements, excess, deficit);
    return ToDigits(elements, digits);
}

int DecodeExact(int section, const double widths[kElements]) {
    char digits[kElements];
    if (!ModulesOf(widths, digits)) return kNoCodeword;
    return FindPattern(section, digits);
}

namespace {

// The widths in modules as the nearest-pattern search compares them (none
// below 1) in `d`, and their module counts rounded down and adjusted to 17
// in `digits`; false when those are no digit string.
bool ScaleWidths(const double widths[kElements], double total, double d[kElements], char digits[kElements]) {
    const double unit = total / kModulesPerCodeword;
    int elements[kElements];
    double excess[kElements], deficit[kElements];
    for (int i = 0; i < kElements; ++i) {
        d[i] = widths[i] / unit;
        elements[i] = static_cast<int>(d[i]);
        if (elements[i] == 0) elements[i] = 1;
        excess[i] = d[i] - elements[i];
        deficit[i] = elements[i] + 1 - d[i];
        if (d[i] < 1) d[i] = 1;
    }
    AdjustToSeventeen(elements, excess, deficit);
    return ToDigits(elements, digits);
}

// Distance of one element from a digit: the difference, doubled above one
// module, squared.
double ElementDistance(double d, int digit) {
    double diff = std::fabs(d - digit);
    if (diff > 1) diff *= 2;
    return diff * diff;
}

}  // namespace

NearestCodeword DecodeNearest(int section, const double widths[kElements], double within) {
    NearestCodeword result;
    const double total = Total(widths);
    if (!(total > 0) || section < 0 || section >= kClusterCount) return result;
    double d[kElements];
    char digits[kElements];
    if (ScaleWidths(widths, total, d, digits)) {
        const int exact = FindPattern(section, digits);
        if (exact != kNoCodeword) {
            result.value = exact;
            return result;
        }
    }
    // Per-element distance: the difference, doubled above one module,
    // squared; taken from a table of every element and digit, made once per
    // call, since the search below asks for it up to 929 times per element.
    constexpr int kDigits = 10;
    double distanceOf[kElements][kDigits];
    for (int i = 0; i < kElements; ++i)
        for (int digit = 0; digit < kDigits; ++digit) distanceOf[i][digit] = ElementDistance(d[i], digit);
    auto elementDistance = [&distanceOf](int i, char digit) { return distanceOf[i][digit - '0']; };
    const PatternEntry *entries = Pdf417PatternTable[section];
    const auto &next = Pdf417PrefixJumps.next[section];
    // A first bound: the distance of the entry met going down the tree by
    // the nearest digit at each step. Only entries at the least distance
    // decide the answer, so leaving out those farther than any entry's
    // distance changes nothing.
    double dive = 0;
    for (int i = 0, node = 0; i < kElements; ++i) {
        int pick = node;
        double step = kNearestLimit;
        for (int child = node; child < next[node][i]; child = next[child][i + 1]) {
            const double here = elementDistance(i, entries[child].widths[i]);
            if (here < step) {
                step = here;
                pick = child;
            }
        }
        dive += elementDistance(i, entries[pick].widths[i]);
        node = pick;
    }
    // Entries farther than `within` may be left out as well: the nearest
    // is still found whenever it lies within.
    const double limit = std::min(std::min(kNearestLimit, within), dive);
    int best = -1;
    double bestDistance = 0;
    for (int k = 0; k < kCodewordValues; ++k) {
        // Entries already farther than the best one (or the bound) are left early.
        const double bound = best < 0 ? limit : std::min(limit, bestDistance);
        double distance = 0;
        int summed = 0;
        for (; summed < kElements && distance <= bound; ++summed)
            distance += elementDistance(summed, entries[k].widths[summed]);
        if (distance >= kNearestLimit || distance > bound) {
            // The entries after this one that share the digits summed are
            // as far, and the bound only shrinks: they are passed over too.
            k = next[k][summed] - 1;
            continue;
        }
        if (best < 0 || distance < bestDistance) {
            best = k;
            bestDistance = distance;
        } else if (distance == bestDistance) {
            // Equal: the later pattern wins unless it is farther from the first differing digit on.
            int first = 0;
            while (first < kElements && entries[k].widths[first] == entries[best].widths[first]) ++first;
            double later = 0, earlier = 0;
            for (int i = first; i < kElements; ++i) {
                later += elementDistance(i, entries[k].widths[i]);
                earlier += elementDistance(i, entries[best].widths[i]);
            }
            if (later <= earlier) best = k;
        }
    }
    if (best < 0) {
        result.value = entries[0].value;
        result.distance = kNearestLimit;
        return result;
    }
    result.value = entries[best].value;
    result.distance = bestDistance;
    return result;
}

double NearestDistanceFloor(const double widths[kElements]) {
    const double total = Total(widths);
    if (!(total > 0)) return 0;
    double d[kElements];
    char digits[kElements];
    // Rounded modules that are a pattern read exactly (distance 0), and only
    // in the section of their cluster.
    if (ScaleWidths(widths, total, d, digits)) {
        const int section = SectionOfBars(digits[0] - '0', digits[2] - '0', digits[4] - '0', digits[6] - '0');
        if (section >= 0 && FindPattern(section, digits) != kNoCodeword) return 0;
    }
    // Every pattern's elements are 1 to 6 modules: no element comes nearer
    // than to its nearest such digit. The sum runs in the order of the
    // search's, and rounded sums only grow with their terms, so it stays
    // at or below every pattern's distance.
    constexpr int kWidestElement = 6;
    double floor = 0;
    for (int i = 0; i < kElements; ++i) {
        const int nearest = std::min(kWidestElement, std::max(1, static_cast<int>(std::lround(d[i]))));
        floor += ElementDistance(d[i], nearest);
    }
    return std::min(floor, kNearestLimit);
}

}  // namespace zr::pdf417
