// The linear reader's second look, on grey levels: what its stages hand each
// other. RunGreyLook drives them in order:
//   LinePlan (grey_lines.cpp) -> GreyEdgeFinder (core/edges) ->
//   LineDecoder (width_decode.cpp), then SoftEanDecoder (soft_ean.cpp,
//   soft_ean_digits.cpp) where nothing was read ->
//   sightings gathered into results (second_look.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bar/decode_state.hpp"
#include "bar/stages.hpp"
#include "core/edges/grey_edges.hpp"
#include "core/grey_plane.hpp"

namespace zr::bar {

// The four families of grey scan lines, named by the way their lines run.
enum class GreyFamily : std::uint8_t { Rows, Columns, DiagonalDown, DiagonalUp };

// One scan line: `length` pixels from (x0, y0) in steps of (dx, dy).
struct GreyLine {
    GreyFamily family = GreyFamily::Rows;
    int x0 = 0, y0 = 0;
    int dx = 1, dy = 0;
    int length = 0;
    int across = 0;              // the line's place across its family (row, column, x - y or x + y)
    std::uint8_t direction = 0;  // reading senses a decoder may use (DecodeState::direction)
    double angle = 0;            // reading angle of the forward sense, degrees
};

// Which of a family's line places a plan hands out, counted in line
// spacings from the centre: those at a multiple of `every` that are no
// multiple of `skip` (0: none skipped). The sweeps kSparseToDense hand out
// every place once between them, the sparsest first: most pictures are
// read by their first lines and need no more.
struct LineSubset {
    int every = 1;
    int skip = 0;
};
constexpr LineSubset kEveryLine{1, 0};
constexpr LineSubset kSparseToDense[] = {{8, 0}, {4, 8}, {1, 4}};
// A set of families as bits: bit 1 << family.
constexpr std::uint8_t FamilyBit(GreyFamily family) {
    return static_cast<std::uint8_t>(1u << static_cast<int>(family));
}
constexpr std::uint8_t kEveryFamily = 0x0F;

// The lines of the enabled families within the search rectangle, each
// family from the rectangle's centre outwards, a few pixels apart.
class LinePlan {
  public:
    // Lines within `area`, spaced as for the whole search rectangle `searched`;
    // only the `subset` of places, of the `families` that `directions` enables.
    LinePlan(const Rect &area, const Rect &searched, std::uint8_t directions, LineSubset subset = kEveryLine,
             std::uint8_t families = kEveryFamily);
    // The next line; false when every family is done.
    bool Next(GreyLine &line);
    // Spacing of the lines across their family, pixels along the axis.
    int Spacing(GreyFamily family) const;

  private:
    bool Place(GreyFamily family, int k, GreyLine &line) const;
    bool StartFamily(GreyFamily family);

    Rect area_;
    Rect searched_;
    std::uint8_t directions_;
    LineSubset subset_;
    std::uint8_t families_;
    GreyFamily family_ = GreyFamily::Rows;
    bool done_ = false;
    int centre_ = 0, low_ = 0, high_ = 0, step_ = 1;  // the family's line places
    int index_ = 0;                                   // lines handed out in the family
};

// The levels along a line: a pointer into the plane for rows, else the
// line gathered into `buffer`.
const std::uint8_t *SampleLine(const GreyPlane &plane, const GreyLine &line,
                               std::vector<std::uint8_t> &buffer);

// A quiet zone is at least this many times the mean element width of the
// symbol it borders: wider than any space inside a symbol (four modules at
// most, against a mean of 1.4 to 1.9 modules).
constexpr double kSymbolQuietRatio = 2.8;
// EAN 13, UPC-A and EAN 8 are often printed, cropped or photographed with
// less space beside their guards than that (EAN 13 and UPC-A print their
// first and last digits there): where their guards show single modules,
// this much space (in modules) at each end is enough.
constexpr double kDigitQuietModules = 1.5;

// One symbol read on one line.
struct LineReading {
    std::uint32_t type = 0;
    std::uint8_t barColor = kDarkBars;
    std::uint8_t checksumOk = 0;
    bool reversed = false;  // read against the line's forward sense
    double first = 0;       // profile positions of the symbol's first and last edges
    double last = 0;
    char text[kTextSize] = {};
};

// A stretch of a line, in profile positions.
struct LineSpan {
    double from = 0, to = 0;
};

// Which segments of a line are worth decoding. A segment whose middle lies
// in a `known` span (inside a symbol stored already) can read only that
// symbol again, or a piece of it, which is never stored; it is decoded only
// for the add-on that may stand beside it. With `addOnsOnly`, every segment
// is decoded only when an add-on may stand beside it.
struct SegmentFilter {
    const std::vector<LineSpan> *known = nullptr;
    bool addOnsOnly = false;
};

// Reads the symbols of one line from its edges: elements between quiet
// zones, classified by width ratios through the width-run decoders, and the
// EAN/UPC add-ons beside a read main symbol.
struct GuardedLayout;  // an EAN/UPC layout whose guards are checked (width_decode.cpp)

class LineDecoder {
  public:
    // Appends the readings of the line (`length` levels, their edges found) to `out`.
    void Read(const std::uint8_t *levels, int length, const std::vector<edges::GreyEdge> &edges,
              std::uint32_t symbologies, std::uint8_t direction, std::uint8_t barColors,
              std::vector<LineReading> &out, const SegmentFilter &filter = {});

  private:
    // False when the filter leaves the segment from edge `first` to `last` undecoded.
    bool Wanted(int first, int last, std::uint32_t symbologies, const SegmentFilter &filter) const;
    bool AddOnMayFollow(int first, int last, std::uint32_t symbologies) const;
    bool TrySegment(int first, int last, const DecodeState &base, LineReading &reading);
    // EAN/UPC segments of one layout with narrow quiet zones but clear guards.
    void ReadNarrowQuiet(int length, const GuardedLayout &layout, const DecodeState &mainState,
                         const DecodeState &base, const SegmentFilter &filter, std::vector<LineReading> &out);
    void TryAddOn(int first, int last, const LineReading &main, const DecodeState &base,
                  std::vector<LineReading> &out);
    // Element widths from edge `first` to edge `last`: the distances between
    // edges, or the elements' share of light and dark (see width_decode.cpp).
    void EdgeWidths(int first, int last);
    void AreaWidths(int first, int last);
    // The measured widths in fixed point, bars narrowed by `spread` pixels.
    void FillWidths(double spread);
    double LevelSum(double from, double to) const;
    void MeasureVariant(int first, int last, bool area, double stretch, double spread);
    void TwoWidthClasses();
    void Stretch(double factor);
    bool Accept(DecodeOutcome outcome, const DecodeState &state, int first, int last,
                LineReading &reading) const;

    const std::uint8_t *levels_ = nullptr;
    const std::vector<edges::GreyEdge> *edges_ = nullptr;
    int length_ = 0;
    bool darkBars_ = true;  // the bar colour under trial
    std::vector<double> measured_;
    struct Measured {
        int first = -1, last = -1;  // the segment measured
        std::vector<double> widths;
    };
    Measured edgeWidths_, areaWidths_;  // the measurements of the last segment tried
    std::vector<std::int64_t> prefix_;  // sums of the levels before each sample; empty until needed
    std::vector<int> elementDark_, elementLight_;      // extremes of each element's samples, with prefix_
    std::vector<int> referenceDark_, referenceLight_;  // and of its neighbours' (AreaWidths)
    Widths forward_, reversed_;
    std::string classes_;  // class strings built here
};

// EAN/UPC symbols whose narrow elements blur together, so that their widths
// are lost: between the quiet zones either side the module grid is laid
// over the line, and each digit is the pattern that the mean
// levels of its modules match best (soft_ean*.cpp). Its readings pass the
// same checks and confirmation as the width decoder's.
class SoftEanDecoder {
  public:
    // Appends the readings of main EAN/UPC symbols whose first bar lies in
    // none of the `skip` spans (read already) to `out`.
    void Read(const std::uint8_t *levels, int length, const std::vector<edges::GreyEdge> &edges,
              std::uint32_t symbologies, std::uint8_t direction, std::uint8_t barColors,
              const std::vector<LineSpan> &skip, std::vector<LineReading> &out);

  private:
    struct Fit;
    bool TrySymbol(double from, double to, int layout, LineReading &reading);
    double OuterEnd(double edge, double quiet, int outwards, double module) const;
    // The darkness at a position between samples, linearly interpolated.
    double Level(double position) const {
        const double t = position < 0 ? 0 : position > length_ - 1 ? length_ - 1 : position;
        const int i = static_cast<int>(t) < length_ - 1 ? static_cast<int>(t) : length_ - 2;
        if (i < 0) return darkSign_ * levels_[0];
        return darkSign_ * (levels_[i] + (t - i) * (levels_[i + 1] - levels_[i]));
    }
    double GuardFit(double from, double to, int layout) const;
    void SampleModules(double from, double to, int layout, bool guardsOnly);
    bool Score(int layout, bool reversed, int blur, bool guardsOnly, Fit &fit) const;

    const std::uint8_t *levels_ = nullptr;
    const std::vector<edges::GreyEdge> *edges_ = nullptr;
    int length_ = 0;
    double darkSign_ = -1;  // darkness of a level: -level for dark bars, +level for light ones
    std::uint32_t symbologies_ = 0;
    std::uint8_t direction_ = 0;
    std::uint8_t barColor_ = kDarkBars;
    // The darkness of each module, the quiet module before the symbol first:
    // 95 modules and one quiet module either side at most.
    static constexpr int kMostModules = 97;
    double modules_[kMostModules] = {};
    double backwards_[kMostModules] = {};  // the same from the last
};

// The second look of one scan after the first look stored its results and
// left `unread` candidates undecoded: adds what it reads, within the result
// list. ListFull when a symbol found no room. `storedGrey` may hold the
// picture's grey levels from the first look's preparation (see DibToBiLevel);
// `unreadAreas` the bounding boxes of the candidates left undecoded: where
// the first look read symbols, the rest is sought about those.
PassEnd RunGreyLook(ZrBarScanner &scanner, PassEnd firstLook, int unread,
                    const std::vector<std::uint8_t> &storedGrey = {},
                    const std::vector<Rect> &unreadAreas = {});

}  // namespace zr::bar
