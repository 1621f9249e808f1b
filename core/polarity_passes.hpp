// The front end the two-dimensional readers (QR Code, Micro QR, DataMatrix)
// share: their scanFlags defaults, the search corners, and one pass over the
// picture as given and one over the inverted picture, each when the flags ask
// for it, with every result marked with the colour of the pass that found it.
#pragma once

#include <cstdint>

#include "core/call_frame.hpp"
#include "core/grey.hpp"
#include "core/second_look.hpp"

namespace zr {

// How a reader reads its scanFlags and marks its results.
struct PolarityScheme {
    // Which flag values stand for both passes.
    enum class Default : std::uint8_t {
        kNeitherPassBit,      // any value with neither pass bit set
        kZeroOrAboveBothBits  // 0, or a value above the two pass bits together
    };
    std::uint8_t asGivenBit;      // asks for the pass over the picture as given
    std::uint8_t invertedBit;     // asks for the pass over the inverted picture
    std::uint8_t asGivenColour;   // barsColour of the results found as given
    std::uint8_t invertedColour;  // barsColour of the results found in the inverted picture
    Default defaultRule;

    constexpr std::uint8_t BothPasses() const { return static_cast<std::uint8_t>(asGivenBit | invertedBit); }
};

// The flags a scan runs with: the caller's, or both passes where the
// reader's rule reads them so. The first-look-only bit is kept apart from
// the rule and kept as given.
constexpr std::uint8_t DefaultedScanFlags(std::uint8_t flags, const PolarityScheme &scheme) {
    const auto firstLookOnly = static_cast<std::uint8_t>(flags & kFirstLookOnly);
    const auto passes = static_cast<std::uint8_t>(flags & ~kFirstLookOnly);
    const std::uint8_t both = scheme.BothPasses();
    const bool useDefault = scheme.defaultRule == PolarityScheme::Default::kNeitherPassBit
                                ? (passes & both) == 0
                                : passes == 0 || passes > both;
    return static_cast<std::uint8_t>((useDefault ? both : passes) | firstLookOnly);
}

// True when call `call` (from 0) of RunPolarityPasses' pass is the pass over
// the inverted picture, for the flags the scan ran with.
constexpr bool IsInvertedPass(int call, std::uint8_t flags, const PolarityScheme &scheme) {
    return call > 0 || (flags & scheme.asGivenBit) == 0;
}

// Marks the records a pass stores with its colour when the pass ends, also
// when running out of memory ends it: the frame keeps those records.
template <class Scanner>
class PassColourMark {
  public:
    PassColourMark(Scanner &scanner, std::uint8_t colour)
        : scanner_(scanner), first_(scanner.resultCount), colour_(colour) {}
    PassColourMark(const PassColourMark &) = delete;
    PassColourMark &operator=(const PassColourMark &) = delete;
    ~PassColourMark() {
        for (int i = first_; i < scanner_.resultCount; ++i) scanner_.results[i].barsColour = colour_;
    }

  private:
    Scanner &scanner_;
    int first_;
    std::uint8_t colour_;
};

// Writes the defaulted flags back to the scanner, then runs
// `pass(picture, corners)` over the picture as given and over the picture
// inverted in place, each when the flags ask for it. Every pass runs: out of
// memory, the only reason to stop early, arrives as an exception.
template <class Scanner, class Pass>
void RunPolarityPasses(Scanner &scanner, ZrImage &picture, const PolarityScheme &scheme, Pass &&pass) {
    scanner.scanFlags = DefaultedScanFlags(scanner.scanFlags, scheme);
    const SearchCorners corners = SearchCornersOf(&scanner, picture.width, picture.height);
    if (scanner.scanFlags & scheme.asGivenBit) {
        const PassColourMark<Scanner> mark(scanner, scheme.asGivenColour);
        pass(picture, corners);
    }
    if (scanner.scanFlags & scheme.invertedBit) {
        const PassColourMark<Scanner> mark(scanner, scheme.invertedColour);
        ImageInvert(&picture);
        pass(picture, corners);
    }
}

}  // namespace zr
