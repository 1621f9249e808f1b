// The stages of the PDF417 reader and the values they hand each other. One
// scan runs a horizontal and a vertical pass over the search area; in each,
//   NextStart -> MeasureSymbol -> TraceCorners -> ReadRows
//   -> CorrectCodewords (correction.hpp) -> DecodeData (data.hpp)
// turn a start pattern into a decoded symbol (ScanSymbols, scan_pass.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/geom/geom.hpp"
#include "core/lines/axis_line.hpp"
#include "core/lines/line_changes.hpp"
#include "core/lines/run_scan.hpp"
#include "pdf417/data.hpp"
#include "zr/ZrImage.h"
#include "zr/ZrPDF417.h"

namespace zr::pdf417 {

using geom::PointF;
using geom::PointI;
using geom::QuadI;
using geom::Rect;
using lines::StepTable;

constexpr int kMaxColumns = 32;  // codeword columns with both row indicators: 1 to 30 data columns
constexpr int kMinColumns = 3;
constexpr int kMaxRows = 90;
constexpr int kCodewordStore = 2700;  // 90 rows x 30 data columns
constexpr int kMaxRowRuns = 3000;     // runs of one measured row or read line
constexpr int kLevels = 9;

enum BarColor : std::uint8_t { kDarkBars = ZR_PDF417_DARK_BARS, kLightBars = ZR_PDF417_LIGHT_BARS };
constexpr std::uint8_t kBothBarColors = kDarkBars | kLightBars;

// What became of one symbol after its measurement.
enum class SymbolOutcome : std::uint8_t {
    kRead,           // decoded
    kUnreadable,     // too few rows or codewords
    kUncorrectable,  // correction or data decoding failed
};

// How a whole scan ended; PublicStatus (entry.cpp) gives its public number.
enum class ScanOutcome : std::uint8_t {
    kScanned,   // both passes reached the end of the search area
    kListFull,  // a decoded symbol found the result list full
};

// What one pass searches: the area, the bar colours allowed and whether the
// symbol's rows run along y.
struct ScanSettings {
    Rect area;
    std::uint8_t barColors = kBothBarColors;
    bool vertical = false;
};

// Buffers a scan reuses from candidate to candidate and line to line.
struct RowWork {
    std::vector<std::uint16_t> runs;  // runs of the measured row, then of each reading line
    std::vector<PointI> runStarts;    // pixel where each run of the measured row begins
    bool quietZoneInDoubt = false;    // the last row failed where a narrower quiet zone may be the cause
    RowWork();
};

// The four walking directions of a symbol, by index into StepTables.
enum Heading : int { kAlong = 0, kBack = 1, kUp = 2, kDown = 3 };
using StepTables = std::array<StepTable, 4>;

// A reading direction (degrees, start side towards stop side) with its step
// tables along, back and across the rows.
struct RowDirection {
    double angle = 0;
    StepTables steps{};
};
RowDirection DirectionAt(double readingAngle);

// Brings an angle into [0, 360).
double NormalizeAngle(double degrees);

// ---- Search (search.cpp) ----

// A start pattern confirmed on several scan lines.
struct StartCandidate {
    PointI start;                        // first bar of the pattern on the confirmation line
    double angle = 0;                    // reading direction fitted to the bar edges, degrees
    double meanDark = 0, meanLight = 0;  // mean widths of the pattern's dark and light runs
};

// Where the start-pattern search of one pass stands, with the run buffers it
// reuses from line to line.
struct StartSearch {
    StartSearch(const ZrImage &searched, const ScanSettings &passSettings);

    const ZrImage &image;
    ScanSettings settings;
    PointI resume;  // where the search goes on
    lines::RunScan probe, line;
    lines::AxisLine scanLine;        // the pixels of the scan line `resume` is on
    lines::LineChanges scanChanges;  // its colour changes, listed at the line's first probe
    bool scanChangesListed = false;
    int scanLineAt = -1;             // which line scanLine holds; -1 when none
    // To be called when the picture changes (a symbol blanked): the line is read again.
    void ImageChanged() { scanLineAt = -1; }
    std::vector<PointF> edgePoints;  // bar edges of the tracked lines
};

// The next start pattern of the pass from `resume` on; nothing when the pass is done.
std::optional<StartCandidate> NextStart(StartSearch &search);

// ---- Measurement (measure.cpp, start_side.cpp, corners.cpp) ----

// What the measured row tells about the whole symbol.
struct SymbolMetrics {
    std::uint8_t barColor = kDarkBars;
    double meanDark = 0, meanLight = 0;  // mean run widths of the row
    int columns = 0;                     // codeword columns including both row indicators
    int codewordWidth = 0;               // mean codeword width in whole pixels
    // Rows measured from the start pattern alone (no stop pattern: compact or
    // cut symbols): the codeword columns the picture holds from the left row
    // indicator on; `columns` is then only an estimate until the row
    // indicators are read. 0 for rows that end in the stop pattern.
    int startSideColumns = 0;
    bool oneModuleStop = false;  // such a row ended in a lone narrow bar (a compact symbol's stop)

    // Mean width of background runs.
    double MeanBackground() const { return barColor == kDarkBars ? meanLight : meanDark; }
};

// Pattern edges on the measured row, in the row's reading direction.
struct PatternEdges {
    PointI startOuter;  // outer edge of the start pattern's wide bar
    PointI startInner;  // where the start pattern's last space begins
    PointI stopFirst;   // first pixel of the stop pattern
    PointI rowEnd;      // just past the stop pattern's last bar
};

// One row measured across the symbol from a start candidate.
struct MeasuredRow {
    RowDirection direction;  // turned half round when the row was read stop pattern first
    SymbolMetrics metrics;
    bool reversed = false;  // the stop pattern came first along the candidate's direction
    PatternEdges edges;
};

// The symbol the row reading works on.
struct MeasuredSymbol {
    RowDirection direction;  // the skew angle from both traced sides
    SymbolMetrics metrics;
    QuadI corners;  // 1 and 4 on the start side, 2 and 3 on the stop side (ZrPDF417Result order)
};

// How much background a row cut by the area's edge may begin with.
enum class RowLead : std::uint8_t {
    kShortSkip,      // the first look: up to two pixels
    kAnyBackground,  // the second look: any run narrower than a quiet zone, and both bar colours
    kStartSide,  // the second look as above, for rows without a stop pattern: measured from the start pattern
};

// Measures the row through the candidate along its angle: bar colour, the
// start and stop patterns in either order and the column count. Nothing when
// the row is no symbol's; then `work.quietZoneInDoubt` tells whether a quiet
// zone narrower than the first look's may be the cause: the row began on
// more background than allowed, or its ends allowed one bar colour only.
std::optional<MeasuredRow> MeasureSymbol(const ZrImage &image, const ScanSettings &settings,
                                         const StartCandidate &candidate, RowWork &work,
                                         RowLead lead = RowLead::kShortSkip);

// Traces the symbol's start and stop sides across the rows from the measured
// row: its four corners and the skew angle.
MeasuredSymbol TraceCorners(const ZrImage &image, const ScanSettings &settings, const MeasuredRow &row);

// ---- Rows (rows.cpp) ----

// The codewords read from a symbol, with what its row indicators said.
struct SymbolRows {
    std::vector<int> codewords;            // rows x data columns, row after row
    std::array<bool, kMaxRows> rowSeen{};  // rows read; the others hold placeholders (900)
    std::vector<std::uint8_t> guessed;     // per codeword: no line matched it exactly (nearest by summed widths)
    int rows = 0;
    int level = 0;  // error-correction level
    int checkWords = 0;
    int dataColumns = 0;  // data columns of the symbol
    int readColumns = 0;  // data columns the picture holds from the start side; the others are empty (900)
};

// Reads the rows and codewords of the measured symbol into `out` (whose
// buffer is reused): kRead, or kUnreadable when too few rows or codewords.
SymbolOutcome ReadRows(const ZrImage &image, const ScanSettings &settings, const MeasuredSymbol &symbol,
                       RowWork &work, SymbolRows &out);

// ---- Blanking (blank.cpp) ----

// The outline with every side moved out by `grow` pixels.
geom::QuadF GrownOutline(const QuadI &corners, double grow);

// Paints the symbol's outline, grown by `grow` pixels, with the background
// colour of a symbol with these bars.
void BlankOutline(ZrImage &image, const QuadI &corners, std::uint8_t barColor, double grow);

// ---- The scan (scan_pass.cpp) ----

// Both passes over the scanner's search area: every symbol decoded is stored
// in the scanner's result list and blanked in `image`, so that the search
// does not meet it again.
// `details`, when given, gets each stored result's data as decoded: every
// byte, past the record's 1023, and its ECI designators.
// `storedGrey`, when given, holds the grey levels the first look's
// preparation kept (LoadBiLevelKeepingGrey) for the grey look.
ScanOutcome ScanSymbols(ZrImage &image, ZrPDF417Scanner &scanner,
                        std::vector<DecodedData> *details = nullptr,
                        const std::vector<std::uint8_t> *storedGrey = nullptr);

// The options a scan takes when the record's leave them open.
constexpr std::uint8_t kDefaultBarColors = kBothBarColors;
constexpr std::uint8_t kDefaultDirections = ZR_PDF417_ALL_DIRECTIONS;

// The whole scan behind ZrScanPDF417 (`details` as for ScanSymbols): the entry
// of the C interface, and of the C++ interface (scan.cpp, with the public status).
std::uint16_t Scan(ZrPDF417Scanner *scanner, std::vector<DecodedData> *details);

}  // namespace zr::pdf417
