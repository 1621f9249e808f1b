// State of one search pass of the linear reader: where the line search
// stands, the candidate under examination and its decode state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/lines/bit_cursor.hpp"
#include "bar/decode_state.hpp"
#include "core/lines/run_scan.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

using geom::Rect;
using Point = geom::PointI;
using lines::BitCursor;
using lines::RunScan;
using lines::StepTable;
using lines::DirectionSteps;
using lines::EdgePoint;
using lines::kStepTableSize;
using lines::LineFitAngle;
using lines::StepVector;

// Line families in search order.
enum class Family : std::uint8_t { Horizontal, Vertical, Diagonal1, Diagonal2, Done };

// Step tables of a candidate, by index.
enum StepIndex { kAlong = 0, kBack = 1, kAcrossUp = 2, kAcrossDown = 3 };

constexpr int kMaxLineReadings = 50;

// Walks a step table cyclically.
struct TableWalk {
    const StepTable *table;
    int index = 0;
    std::uint8_t Next() {
        const std::uint8_t code = (*table)[index];
        index = index + 1 == kStepTableSize ? 0 : index + 1;
        return code;
    }
};

struct Candidate {
    Point start;                 // first pixel of the symbol's line
    Point end;                   // last pixel of the symbol's line
    double angle = 0;            // reading angle, degrees
    std::uint8_t direction = 0;  // reading sense (see DecodeState::direction)
    std::uint8_t colours = 3;    // possible bar colours
    std::array<StepTable, 4> steps{};
    // Running statistics of dark and light element widths.
    double darkSum = 0, lightSum = 0;
    int darkCount = 0, lightCount = 0;
    std::array<Point, 4> outline{};

    double DarkMean() const { return darkCount ? darkSum / darkCount : 0; }
    double LightMean() const { return lightCount ? lightSum / lightCount : 0; }
    // Mean width of bars and of the ground between them for a bar colour.
    double BarMean(std::uint8_t barColor) const { return barColor == 2 ? LightMean() : DarkMean(); }
    double GroundMean(std::uint8_t barColor) const { return barColor == 2 ? DarkMean() : LightMean(); }
    void ResetStatistics() {
        darkSum = lightSum = 0;
        darkCount = lightCount = 0;
    }
};

struct PassState {
    ZrImage *image = nullptr;
    ZrBarScanner *scanner = nullptr;
    Rect area;  // the search rectangle

    // Line search position.
    Family family = Family::Horizontal;
    Point lineOrigin;           // origin of the current line
    Point resume;               // where the walk of the current line resumes
    Point nextOrigin;           // origin of the next line (horizontal, vertical)
    int diagonalLine = 0;       // number of the current line (diagonals)
    bool familyEnding = false;  // the current line is the family's last
    bool lineActive = false;

    // Run collections of the line search, kept so their buffers are reused.
    RunScan probeScan, secondScan, followScan;

    Candidate candidate;
    int failures = 0;
    std::vector<Widths> readings;
    DecodeState decode;

    bool Thorough() const { return scanner->extraFlags & ZR_BAR_THOROUGH; }
    bool ReportUnread() const { return scanner->extraFlags & ZR_BAR_REPORT_UNREAD; }
};

// Line search (candidates.cpp).
void StartFamily(PassState &pass, Family family);
std::uint16_t NextCandidate(PassState &pass);
// Candidate examination (analyse.cpp, locate.cpp).
std::uint16_t AnalyseCandidate(PassState &pass);
std::uint16_t LocateSymbol(PassState &pass);
// Decoding (decode_candidate.cpp, decode_across.cpp).
std::uint16_t DecodeCandidate(PassState &pass);
std::uint16_t DecodeAcross(PassState &pass);
// Finds the symbol's bars on the line through `base` and collects their
// widths up to the quiet zone; 0, or kRejected when there is no such line.
struct SymbolLine {
    Point first;  // first pixel of the first bar
    Point last;   // last pixel of the last bar
    Widths widths;
};
std::uint16_t CollectSymbolLine(const PassState &pass, Point base, std::uint8_t barColor, SymbolLine &line);
// Scan pass (scan_pass.cpp).
std::uint16_t ScanPass(ZrImage &image, ZrBarScanner &scanner);
void EraseSymbol(const std::array<Point, 4> &outline, std::uint8_t barColor, ZrImage &image);
void BarPrefilter(ZrImage &image);

}  // namespace zr::bar
