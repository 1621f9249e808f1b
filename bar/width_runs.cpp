// Width-run classification: module counts per group, the checkers' group
// test and the class-string builder of the run decoders.
#include "bar/width_runs.hpp"

#include <algorithm>
#include <cmath>

namespace zr::bar {
namespace {

// Writes the classes of count widths from first into out (count bytes) and
// returns the summed rounding error, or kRejectedGroup.
double GroupClasses(const Widths &widths, std::size_t first, std::size_t count, int modules, char *out) {
    if (modules <= 0 || count == 0 || first > widths.size() || count > widths.size() - first) {
        return kRejectedGroup;
    }
    double sum = 0;
    for (std::size_t i = first; i < first + count; ++i) sum += widths[i];
    if (sum <= 0) return kRejectedGroup;
    const double module = sum / modules;
    double error = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double r = widths[first + i] / module;
        const double rounded = std::floor(r + 0.5);
        if (rounded < 1 || rounded > 4) return kRejectedGroup;
        out[i] = static_cast<char>('0' + static_cast<int>(rounded) - 1);
        error += std::fabs(r - rounded);
    }
    return error;
}

}  // namespace

double ModuleClasses(const Widths &widths, std::size_t first, std::size_t count, int modules,
                     std::string &classes) {
    std::array<char, kMaxElements> out;
    if (count > out.size()) return kRejectedGroup;
    const double error = GroupClasses(widths, first, count, modules, out.data());
    if (error != kRejectedGroup) classes.append(out.data(), count);
    return error;
}

double MatchGroup(const Widths &widths, const GroupPattern &group) {
    std::array<char, 16> out;
    if (group.count > out.size() || group.count != group.classes.size()) return kRejectedGroup;
    const double error = GroupClasses(widths, group.first, group.count, group.modules, out.data());
    if (error == kRejectedGroup || !ClassesMatch({out.data(), group.count}, group.classes))
        return kRejectedGroup;
    return error;
}

bool MatchGroups(const Widths &widths, std::initializer_list<GroupPattern> groups) {
    double error = 0;
    std::size_t elements = 0;
    for (const GroupPattern &group : groups) {
        const double e = MatchGroup(widths, group);
        if (e == kRejectedGroup) return false;
        error += e;
        elements += group.count;
    }
    return elements > 0 && error / static_cast<double>(elements) < kGroupErrorLimit;
}

double RunClasses::Classify(std::size_t count, int modules, char *out) const {
    if (rejected_ || count > classes_.size() - length_) return kRejectedGroup;
    return GroupClasses(widths_, length_, count, modules, out);
}

bool RunClasses::Group(std::size_t count, int modules) {
    const double error = Classify(count, modules, classes_.data() + length_);
    if (error == kRejectedGroup) {
        rejected_ = true;
        return false;
    }
    length_ += count;
    return true;
}

bool RunClasses::Character(std::size_t count, int modules) {
    const double error = Classify(count, modules, classes_.data() + length_);
    if (error == kRejectedGroup) {
        rejected_ = true;
        return false;
    }
    length_ += count;
    total_ += error;
    return true;
}

bool RunClasses::Character(std::size_t count, int modules, int otherModules) {
    std::array<char, 16> other;
    if (count > other.size()) {
        rejected_ = true;
        return false;
    }
    const double first = Classify(count, modules, classes_.data() + length_);
    const double second = Classify(count, otherModules, other.data());
    if (first == kRejectedGroup && second == kRejectedGroup) {
        rejected_ = true;
        return false;
    }
    if (second < first) {
        std::copy(other.begin(), other.begin() + static_cast<std::ptrdiff_t>(count),
                  classes_.begin() + static_cast<std::ptrdiff_t>(length_));
        total_ += second;
    } else {
        total_ += first;
    }
    length_ += count;
    return true;
}

bool RunClasses::Gap() {
    if (rejected_ || length_ >= widths_.size() || length_ >= classes_.size()) {
        rejected_ = true;
        return false;
    }
    classes_[length_++] = '0';
    return true;
}

DecodeOutcome RunClasses::Decode(DecodeOutcome (*decoder)(std::string_view, char (&)[kTextSize]),
                                 std::size_t characters, char (&text)[kTextSize]) const {
    text[0] = '\0';
    if (rejected_ || characters == 0) return DecodeOutcome::NoMatch;
    const DecodeOutcome status = decoder({classes_.data(), length_}, text);
    if (!Decoded(status) || total_ / static_cast<double>(characters) >= kCharacterErrorLimit) {
        text[0] = '\0';
        return DecodeOutcome::NoMatch;
    }
    return status;
}

}  // namespace zr::bar
