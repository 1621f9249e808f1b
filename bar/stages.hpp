// The values the linear reader's search stages hand each other: the picture
// they read, a candidate found by the line search, its extent after analysis
// and the outline of a located symbol. ScanPass drives them in order:
//   NextCandidate -> AnalyseCandidate -> DecodeCandidate / DecodeAcross -> LocateSymbol
//   -> ReadConfirmed; DropLoneAddOns after the passes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "bar/classes.hpp"
#include "bar/decode_state.hpp"
#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "core/lines/axis_walk.hpp"
#include "core/lines/bit_cursor.hpp"
#include "core/lines/dark_map.hpp"
#include "core/lines/run_scan.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

using geom::QuadI;
using geom::Rect;
using Point = geom::PointI;
using lines::BitCursor;
using lines::DirectionSteps;
using lines::EdgePoint;
using lines::kStepTableSize;
using lines::LineFitAngle;
using lines::RunScan;
using lines::StepTable;
using lines::StepVector;

// The working picture and the search rectangle every stage reads.
struct Picture {
    BitImageView image;
    Rect area;
};

// Step tables of a candidate, by index: along the reading direction (a),
// back (a - 180), and across the bars (a + 90, a - 90).
enum StepIndex { kAlong = 0, kBack = 1, kAcrossUp = 2, kAcrossDown = 3 };
using StepTables = std::array<StepTable, 4>;

// Walks a step table cyclically.
struct TableWalk {
    const StepTable *table;
    int index = 0;
    std::uint8_t Next() {
        const std::uint8_t code = (*table)[static_cast<std::size_t>(index)];
        index = index + 1 == kStepTableSize ? 0 : index + 1;
        return code;
    }
};

// Running sums of the dark and light element widths met on a candidate.
struct WidthStats {
    double darkSum = 0, lightSum = 0;
    int darkCount = 0, lightCount = 0;

    void Add(bool dark, int width) {
        if (dark) {
            darkSum += width;
            ++darkCount;
        } else {
            lightSum += width;
            ++lightCount;
        }
    }
    int Elements() const { return darkCount + lightCount; }
    double DarkMean() const { return darkCount ? darkSum / darkCount : 0; }
    double LightMean() const { return lightCount ? lightSum / lightCount : 0; }
    // Mean width of bars and of the ground between them for a bar colour.
    double BarMean(std::uint8_t barColor) const { return barColor == kLightBars ? LightMean() : DarkMean(); }
    double GroundMean(std::uint8_t barColor) const {
        return barColor == kLightBars ? DarkMean() : LightMean();
    }
};

// A bar pattern the line search confirmed on parallel lines.
struct Candidate {
    Point start;                 // first bar of the matched elements on the second probe's line
    double angle = 0;            // reading angle, degrees
    std::uint8_t direction = 0;  // reading sense (see DecodeState::direction)
    StepTables steps{};
    WidthStats stats;  // widths of the matched elements
};

// A candidate after AnalyseCandidate: the ends of its bar pattern, the bar
// colours it may have and a rough outline.
struct Extent {
    Point start;  // first pixel of the bar pattern on the candidate's line
    Point end;    // last pixel
    std::uint8_t colours = kBothColours;
    WidthStats stats;  // the candidate's statistics with the line's elements added
    QuadI outline;     // P0..P3 as named in geom::Quad, in the reading frame
};

// Line families in search order. The diagonals are named by the way their
// lines run: up to the right, and down to the right.
enum class Family : std::uint8_t { Horizontal, Vertical, DiagonalUp, DiagonalDown, Done };

// Where the line search stands. NextCandidate moves it forward.
struct LineSearch {
    Picture picture;
    std::uint8_t directions = 0;  // the scanner's `directions` option

    Family family = Family::Horizontal;
    Point lineOrigin;           // origin of the current line
    Point resume;               // where the walk of the current line resumes
    Point nextOrigin;           // origin of the next line (horizontal, vertical)
    int diagonalLine = 0;       // number of the current line (diagonals)
    bool familyEnding = false;  // the current line is the family's last

    // Run collections of the line search, kept so their buffers are reused.
    RunScan probeScan, secondScan, followScan;
    std::vector<EdgePoint> edgePoints;  // bar edges of the lines that confirm a probe
    // Where the picture has dark pixels, for skipping light stretches down
    // columns and diagonals; NoteErased keeps it true after an erase.
    lines::DarkMap darkMap;
    void NoteErased(const QuadI &outline);

    // Starts with horizontal lines, or vertical ones when no horizontal direction is enabled.
    LineSearch(const Picture &searched, std::uint8_t directionBits);
    bool Done() const { return family == Family::Done; }
};

// The symbol's bars on the line through a base point, up to the quiet zone.
struct SymbolLine {
    Point first;  // first pixel of the first bar
    Point last;   // last pixel of the last bar
    Widths widths;
    bool openEnded = false;  // no quiet zone at an end: the rectangle's edge or another bar comes first
};

// Work buffers of the decoding strategies, reused from candidate to
// candidate: the line under reading, up to 50 failed line readings kept for
// averaging, their average, the class strings, and the profile across a
// symbol with its widths at one level.
class DecodeWork {
  public:
    static constexpr std::size_t kMaxReadings = 50;

    SymbolLine line;
    Widths averaged;
    ClassWork classes;
    std::vector<int> profile;
    Widths levelWidths;

    void ClearReadings() { count_ = 0; }
    // Keeps a copy of the widths while fewer than 50 readings are kept.
    void KeepReading(const Widths &widths) {
        if (count_ == kMaxReadings) return;
        if (count_ == readings_.size()) readings_.emplace_back();
        readings_[count_++].assign(widths.begin(), widths.end());
    }
    std::size_t Readings() const { return count_; }
    const Widths &Reading(std::size_t i) const { return readings_[i]; }

  private:
    std::vector<Widths> readings_;
    std::size_t count_ = 0;
};

// Line search (candidates.cpp, line_families.cpp). NextCandidate returns
// nothing when a probe was not confirmed or the search is done (Done()).
void StartFamily(LineSearch &search, Family family);
std::optional<Candidate> NextCandidate(LineSearch &search);

// Candidate examination (analyse.cpp, locate.cpp). Nothing when the candidate
// is not a symbol that can be decoded here, or too small.
std::optional<Extent> AnalyseCandidate(const Picture &picture, const Candidate &cand, std::uint8_t barColors);
std::optional<QuadI> LocateSymbol(const Picture &picture, const Candidate &cand, const Extent &extent,
                                  std::uint8_t barColor);

// Decoding (decode_candidate.cpp, decode_across.cpp) in the bar colour of
// `state`: Ok or CheckFailed when decoded (state filled by the decoder),
// another outcome when not.
DecodeOutcome DecodeCandidate(const Picture &picture, const Candidate &cand, const Extent &extent,
                              DecodeState &state, DecodeWork &work);
DecodeOutcome DecodeAcross(const Picture &picture, const Candidate &cand, const QuadI &outline,
                           DecodeState &state, DecodeWork &work);

// The symbol's line through `base`. False when no bar is found near the
// base or the line has too few elements.
bool CollectSymbolLine(const Picture &picture, const StepTables &steps, const WidthStats &stats, Point base,
                       std::uint8_t barColor, SymbolLine &line);
// The same with the row runs of the along table counted once by the caller.
bool CollectSymbolLine(const Picture &picture, const StepTables &steps, const lines::AxisWalk &alongAxis,
                       const WidthStats &stats, Point base, std::uint8_t barColor, SymbolLine &line);

// Distances between two points along and across the reading direction.
struct Spans {
    int along = 0;
    int across = 0;
};
inline Spans SpansOf(Point a, Point b, std::uint8_t direction) {
    const Point d = geom::Abs(a - b);
    const bool horizontal = (direction & kHorizontal) != 0;
    return horizontal ? Spans{d.x, d.y} : Spans{d.y, d.x};
}

// Confirmation (confirm.cpp). A weakly checked read stands when its
// outline is a rectangle about as long as the decoded reading; other reads
// always stand. Add-ons without an EAN or UPC symbol beside them are taken
// out of the result list, the others keeping their order.
bool OutlineFitsReading(const QuadI &outline, double readingLength);
bool ReadConfirmed(const DecodeState &decode, const QuadI &outline);
void DropLoneAddOns(ZrBarScanner &scanner);
// True when `main` is an EAN/UPC symbol and the add-on stands beside it:
// half to one and a half of its lengths away along its reading direction,
// within its height across.
bool AddOnBeside(const ZrBarResult &addOn, const ZrBarResult &main);

// Scan pass (scan_pass.cpp): how it ended. The exported scan turns this into
// its public status (entry.cpp).
enum class PassEnd : std::uint8_t {
    Searched,  // every line was searched
    ListFull,  // a symbol was read but the result list had no room for it
};
// `unread`, when given, grows by the candidates analysed as bar patterns
// but left undecoded; `unreadAreas`, when given, gets their outlines' bounding boxes.
PassEnd ScanPass(ZrImage &image, ZrBarScanner &scanner, int *unread = nullptr,
                 std::vector<Rect> *unreadAreas = nullptr);
void EraseSymbol(const QuadI &outline, std::uint8_t barColor, ZrImage &image);
void BarPrefilter(ZrImage &image);

}  // namespace zr::bar
