// Width-run decoding: each character group is classified by the number of
// modules its symbology gives it, independently of the rest of the line, and
// the class string so built goes to the symbology's class-string decoder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "bar/patterns.hpp"

namespace zr::bar {

constexpr double kRejectedGroup = 99999999.99;
// A checker's start and stop groups: their mean rounding error per element
// must stay below this.
constexpr double kGroupErrorLimit = 0.75;
// A run decoder's mean rounding error per character must stay below this.
constexpr double kCharacterErrorLimit = 1.65;

// Classifies count widths from first as module counts ("0" one module up to
// "3" four) of a group of the given module total and appends them to classes.
// Returns the summed rounding error, or kRejectedGroup (the appended classes
// are then not to be used) when an element rounds to no module or more than
// four, or the group does not lie within the widths.
double ModuleClasses(const Widths &widths, std::size_t first, std::size_t count, int modules,
                     std::string &classes);

// A group the checkers test: its place, its module total and the classes it
// must have. A "+" in the pattern stands for any class above "0".
struct GroupPattern {
    std::size_t first;
    std::size_t count;
    int modules;
    std::string_view classes;
};
// Rounding error of the group, or kRejectedGroup when it is rejected or its
// classes differ from the pattern.
double MatchGroup(const Widths &widths, const GroupPattern &group);
// The checker rule: true when every group matches and their summed error divided by
// their element count stays below kGroupErrorLimit.
bool MatchGroups(const Widths &widths, std::initializer_list<GroupPattern> groups);

// Builds a class string from the widths group by group, in reading order,
// in a buffer of its own (no allocation).
class RunClasses {
  public:
    explicit RunClasses(const Widths &widths) : widths_(widths) {}

    // Classifies the next count elements as a group of `modules` modules;
    // false when the group is rejected.
    bool Group(std::size_t count, int modules);
    // The same for a character: its rounding error counts towards the mean
    // error per character.
    bool Character(std::size_t count, int modules);
    // A character that may span either of two module totals: the one with
    // the smaller rounding error is kept, the first on ties.
    bool Character(std::size_t count, int modules, int otherModules);
    // The next element is a gap that carries nothing: appended as "0".
    bool Gap();

    // Hands the string built so far to the decoder. Its outcome when it decoded and the mean error per
    // character stays below kCharacterErrorLimit; otherwise NoMatch and an empty text.
    DecodeOutcome Decode(DecodeOutcome (*decoder)(std::string_view, char (&)[kTextSize]),
                         std::size_t characters, char (&text)[kTextSize]) const;

  private:
    double Classify(std::size_t count, int modules, char *out) const;

    const Widths &widths_;
    std::array<char, kMaxElements> classes_ = {};
    std::size_t length_ = 0;
    double total_ = 0;
    bool rejected_ = false;
};

}  // namespace zr::bar
