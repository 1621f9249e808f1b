// The working record of one finder hypothesis.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/edges/edges.hpp"
#include "core/geom/geom.hpp"
#include "dm/size_table.hpp"

namespace zr::dm {

// One more than the largest symbol's codewords, for the end mark, with room
// to spare.
constexpr int kCodewordCapacity = 2200;
// Longest decoded text (two digits per codeword of the largest symbol) and
// its terminating zero, with room to spare.
constexpr int kTextCapacity = 3124;

// What the zero-terminated text cannot tell: the decoded length (zero bytes
// included), FNC1 in first position (GS1 data), and the ECI designators with
// the text length at which each takes effect.
struct DataDetails {
    static constexpr std::size_t kMaxEcis = 8;  // more designators than these are not recorded
    struct Eci {
        std::uint32_t eci = 0;
        int position = 0;
    };
    int length = 0;
    bool gs1 = false;
    std::array<Eci, kMaxEcis> ecis{};
    std::size_t eciCount = 0;
};

struct DMSymbol {
    edges::EdgeLine hEdge;  // finder side fitted across the columns
    edges::EdgeLine vEdge;  // finder side fitted across the rows
    geom::PointF finderCorner;     // where the two finder sides meet
    std::uint8_t orientation = 0;  // which picture corner the finder corner is
    geom::QuadF corners;           // P0..P3 in the symbol's reading frame
    std::array<std::int32_t, kCodewordCapacity> codewords{};
    std::int16_t rows = 0;
    std::int16_t columns = 0;
    std::array<char, kTextCapacity> text{};
    DataDetails details;

    // Back to a fresh record for the next hypothesis, all but the codewords
    // and the text: every decoding writes those in full (the codewords of its
    // size, the text cleared) before anything reads them, and clearing their
    // 12 kB for every hypothesis of every region cost more than the rest.
    void ClearLocation() {
        hEdge = {};
        vEdge = {};
        finderCorner = {};
        orientation = 0;
        corners = {};
        rows = 0;
        columns = 0;
        details = {};
    }
};

}  // namespace zr::dm
