// The class-string and width-run decoder tables, tried row by row in a fixed
// order; the first row whose decoder succeeds names the symbology.
#include "bar/decoder_tables.hpp"

#include <algorithm>
#include <string>

#include "bar/classes.hpp"
#include "bar/code39.hpp"
#include "bar/width_runs.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {
namespace {

template <typename Input>
struct DecoderRow {
    std::uint32_t bit;
    std::uint16_t (*checker)(Input);
    std::uint16_t (*decoder)(Input, char (&)[kTextSize]);
};
using StringDecoderRow = DecoderRow<std::string_view>;
using RunDecoderRow = DecoderRow<const Widths &>;

constexpr StringDecoderRow StringDecoders[] = {
    // Industrial, Inverted, Interleaved, IATA and Matrix 2 of 5 (0x1 .. 0x10) go here.
    {ZR_BAR_CODE39, Code39Check, Code39Decode},
    // Then Codabar, BCD Matrix, Datalogic 2 of 5, Code 128 (three start rows),
    // EAN 128 (three start rows), Code 93, EAN 13, UPC Version A, EAN 8,
    // UPC Version E and the 5- and 2-digit add-ons.
};

constexpr RunDecoderRow RunDecoders[] = {
    // Industrial, Inverted, Interleaved and Matrix 2 of 5 (0x1 .. 0x10) go here.
    {ZR_BAR_CODE39, Code39RunCheck, Code39RunDecode},
    // Then Codabar, BCD Matrix, Code 128 (three start rows), EAN 128 (three
    // start rows), Code 93, EAN 13, UPC Version A, EAN 8 and UPC Version E.
};

// One row on one reading sense: 0 or kCheckFailed when its decoder succeeded.
template <typename Input>
std::uint16_t TryRow(const DecoderRow<Input> &row, Input input, DecodeState &state) {
    if (row.checker(input) != 0) return kNoMatch;
    return row.decoder(input, state.text);
}

template <typename Input, std::size_t N>
std::uint16_t RunTable(const DecoderRow<Input> (&rows)[N], Input forward, Input reversed,
                       DecodeState &state) {
    for (const DecoderRow<Input> &row : rows) {
        if ((state.symbologies & row.bit) == 0) continue;
        for (const bool reverse : {false, true}) {
            if (reverse ? !AllowsReverse(state.direction) : !AllowsForward(state.direction)) continue;
            const std::uint16_t status = TryRow<Input>(row, reverse ? reversed : forward, state);
            if (Decoded(status)) {
                state.type = row.bit;
                state.checksumOk = status == 0 ? 1 : 0;
                state.reversed = reverse ? 1 : 0;
                return status;
            }
            state.text[0] = '\0';
        }
    }
    state.text[0] = '\0';
    return kNoDecoderMatched;
}

}  // namespace

std::uint16_t DecodeStringTables(std::string_view classes, DecodeState &state) {
    const std::string reversed(classes.rbegin(), classes.rend());
    return RunTable<std::string_view>(StringDecoders, classes, reversed, state);
}

std::uint16_t DecodeRunTables(const Widths &widths, DecodeState &state) {
    const Widths reversed(widths.rbegin(), widths.rend());
    return RunTable<const Widths &>(RunDecoders, widths, reversed, state);
}

std::uint16_t Code39Retry(const Widths &widths, DecodeState &state) {
    if ((state.symbologies & ZR_BAR_CODE39) == 0) return 11;
    const std::uint32_t saved = state.symbologies;
    state.symbologies = ZR_BAR_CODE39;

    std::string classes = QuarterClasses(widths, state.barColor);
    std::uint16_t status = DecodeStringTables(classes, state);
    if (!Decoded(status)) {
        // Wide spaces spread over several classes: take every one as wide.
        bool changed = false;
        for (std::size_t i = 1; i < classes.size(); i += 2) {
            if (classes[i] > '1') {
                classes[i] = '1';
                changed = true;
            }
        }
        if (changed) status = DecodeStringTables(classes, state);
    }
    state.symbologies = saved;
    return status;
}

}  // namespace zr::bar
