// Width classes: element widths turned into class strings "0".."3".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "bar/decode_state.hpp"

namespace zr::bar {

using WidthHistogram = std::vector<std::uint32_t>;  // index = width

// Class strings of line readings. A reading is split into its two colour
// groups once; each classification of it then writes into a string kept
// here. The histograms and the string grow to the largest reading seen and
// are reused, so a pass classifies line after line without allocating.
class ClassWork {
  public:
    // Splits the reading into its light and dark group and histograms each.
    // The reading must stay unchanged while its classes are taken.
    void Split(const Widths &widths, std::uint8_t barColor);
    std::size_t ReadingSize() const { return widths_ ? widths_->size() : 0; }

    // Class strings of the split reading, valid until the next call.
    std::string_view Elements();  // histogram clusters of one line
    std::string_view Quarter();   // fixed quarter ranges
    std::string_view Averaged();  // histogram valleys of an averaged reading
    // Lowers every class at an odd position of the last string above `cap`
    // to `cap`; false when there was none.
    bool CapOddClasses(char cap);
    std::string_view Classes() const { return classes_; }

  private:
    struct Group {
        bool light = false;
        bool empty = true;
        int min = 0;
        int max = 0;
        WidthHistogram histogram;  // every bin outside the split reading's widths is 0
        std::array<int, 3> boundaries = {};
    };
    Group &OfParity(std::size_t parity) { return groups_[parity == 0 ? evenGroup_ : 1 - evenGroup_]; }
    std::string_view Write();

    const Widths *widths_ = nullptr;
    std::size_t evenGroup_ = 1;  // the group of element 0: light (0) or dark (1)
    std::array<Group, 2> groups_;
    std::string classes_;
    std::array<char, 256> byWidth_{};  // class of each width of the group being written
};

// One-off class strings (each call allocates its work).
std::string ElementsToClasses(const Widths &widths, std::uint8_t barColor);
std::string QuarterClasses(const Widths &widths, std::uint8_t barColor);
std::string AveragedToClasses(const Widths &widths, std::uint8_t barColor);

int ClassBoundary(const WidthHistogram &histogram, int low, int high, int start, int window);
int ValleyFind(const WidthHistogram &histogram, int from, int to, int window);

}  // namespace zr::bar
