// The state one scan carries from the start-pattern search through the
// measurement to the row reading, and the internal statuses of those stages.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/geom/geom.hpp"
#include "core/lines/run_scan.hpp"
#include "zr/ZrImage.h"

namespace zr::pdf417 {

using geom::PointF;
using geom::PointI;
using geom::Rect;
using lines::StepTable;

// Internal statuses; none reaches a caller.
constexpr std::uint16_t kFound = 0;
constexpr std::uint16_t kPassDone = 20001;    // the pass has no further candidates
constexpr std::uint16_t kNoSymbol = 20002;    // a candidate failed confirmation, tracking or measuring
constexpr std::uint16_t kUnreadable = 20003;  // too few rows or codewords
constexpr std::uint16_t kUncorrectable = 13;  // correction or data decoding failed

constexpr int kMaxColumns = 32;  // codeword columns with both row indicators: 1 to 30 data columns
constexpr int kMinColumns = 3;
constexpr int kMaxRows = 90;
constexpr int kCodewordStore = 2700;  // 90 rows x 30 data columns
constexpr int kMaxRowRuns = 3000;     // runs of one measured row or read line
constexpr int kLevels = 9;

enum BarColor : std::uint8_t { kDarkBars = 1, kLightBars = 2 };

// The four walking directions of the current symbol.
enum Heading : int { kAlong = 0, kBack = 1, kUp = 2, kDown = 3 };

struct ReaderState {
    // Scan set-up.
    Rect area;                   // search rectangle
    std::uint8_t barColors = 3;  // bit 0 dark bars, bit 1 light bars
    bool vertical = false;       // pass: rows along y
    PointI scan;                 // where the start-pattern search resumes

    // Measurement of the current symbol.
    double angle = 0;                  // rows' reading direction (degrees), then the skew angle
    std::array<StepTable, 4> steps{};  // along, back, up, down (Heading)
    PointI start;                      // confirmed start point
    double meanDark = 0, meanLight = 0;
    bool reversed = false;
    std::uint8_t barColor = kDarkBars;
    int columns = 0;        // codeword columns including both row indicators
    int codewordWidth = 0;  // mean codeword width in whole pixels
    std::array<PointI, 4> corners{};

    // Row reading.
    std::vector<int> codewords;  // rows x data columns
    int rows = 0;
    std::array<int, kLevels> votes{};
    int level = 0;
    int checkWords = 0;

    // Work buffers reused across candidates and lines.
    std::vector<std::uint16_t> runs;
    std::vector<PointI> runStarts;  // pixel where each run begins
    std::vector<PointF> edgePoints;

    // Mean width of background runs.
    double MeanBackground() const { return barColor == kDarkBars ? meanLight : meanDark; }
    void ClearSymbol();
    void BuildSteps(double readingAngle);
};

// Brings an angle into [0, 360).
double NormalizeAngle(double degrees);

// Finds the next start pattern of the current pass from `scan` and measures
// its symbol: kFound, kNoSymbol (search on from `scan`) or kPassDone.
std::uint16_t FindSymbol(const ZrImage &image, ReaderState &state);

// Measures the symbol around the confirmed start point along state.angle:
// bar colour, patterns, columns, corners and the skew angle.
std::uint16_t MeasureSymbol(const ZrImage &image, ReaderState &state);
// Traces the four corners and computes the skew angle from the measured row.
std::uint16_t TraceCorners(const ZrImage &image, ReaderState &state, PointI startOuter, PointI startInner,
                           PointI stopFirst, PointI rowEnd);

// Reads the rows and codewords of the measured symbol into state.codewords.
std::uint16_t ReadRows(const ZrImage &image, ReaderState &state);

}  // namespace zr::pdf417
