// The class-string and width-run decoder tables, tried row by row in a fixed
// order; the first row whose decoder succeeds names the symbology. Each
// symbology's file supplies its rows.
#include "bar/decoder_tables.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "bar/bcd_matrix.hpp"
#include "bar/codabar.hpp"
#include "bar/code128.hpp"
#include "bar/code39.hpp"
#include "bar/code93.hpp"
#include "bar/ean_upc.hpp"
#include "bar/two_of_five.hpp"

namespace zr::bar {
namespace {

// UPC Version A comes before EAN 13: an EAN 13 symbol whose leading digit
// is 0 is a UPC-A symbol (its left digits all in L parity, which no other
// leading digit gives) and is reported as one, with twelve digits, whenever
// UPC-A is enabled; EAN 13 reads it, with thirteen, when only EAN 13 is.
constexpr StringRow StringDecoders[] = {
    kIndustrialRow, kInvertedRow,   kInterleavedRow, kIataRow,        kMatrixRow,      kCode39Row,
    kCodabarRow,    kBcdMatrixRow,  kDatalogicRow,   kCode128Rows[0], kCode128Rows[1], kCode128Rows[2],
    kEan128Rows[0], kEan128Rows[1], kEan128Rows[2],  kCode93Row,      kUpcARow,        kEan13Row,
    kEan8Row,       kUpcERow,       kAddOn5Row,      kAddOn2Row,
};

constexpr RunRow RunDecoders[] = {
    kIndustrialRunRow, kInvertedRunRow,   kInterleavedRunRow, kMatrixRunRow,      kCode39RunRow,
    kCodabarRunRow,    kBcdMatrixRunRow,  kCode128RunRows[0], kCode128RunRows[1], kCode128RunRows[2],
    kEan128RunRows[0], kEan128RunRows[1], kEan128RunRows[2],  kCode93RunRow,      kUpcARunRow,
    kEan13RunRow,      kEan8RunRow,       kUpcERunRow,
};

// Tries the enabled rows, each forward and reversed as the reading sense
// allows; Ok or CheckFailed with the outcome in the state, else
// NoDecoderMatched and an empty text. Rows sharing a checker (Code 128 and
// EAN 128, EAN 13 and UPC-A) run it once per sense: the checkers are pure.
template <typename Row, std::size_t N, typename Input>
DecodeOutcome RunTable(const Row (&rows)[N], Input forward, Input reversed, DecodeState &state) {
    // The checkers run so far and their outcome by sense (forward, reversed).
    std::array<decltype(Row::checker), N> checkers{};
    std::array<std::array<bool, 2>, N> passed{};
    std::size_t run = 0;
    for (const Row &row : rows) {
        if ((state.symbologies & row.bit) == 0 || (state.openEnded && row.needsQuietZones)) continue;
        std::size_t known = 0;
        while (known < run && checkers[known] != row.checker) ++known;
        if (known == run) {
            // Each sense the reading allows, through the row's checker.
            checkers[run] = row.checker;
            passed[run] = {AllowsForward(state.direction) && row.checker(forward),
                           AllowsReverse(state.direction) && row.checker(reversed)};
            ++run;
        }
        for (const bool reverse : {false, true}) {
            if (!passed[known][reverse ? 1 : 0]) continue;
            const Input input = reverse ? reversed : forward;
            const DecodeOutcome status = row.decoder(input, state.text);
            if (Decoded(status)) {
                state.type = row.bit;
                state.checksumOk = status == DecodeOutcome::Ok ? 1 : 0;
                state.reversed = reverse ? 1 : 0;
                return status;
            }
            state.text[0] = '\0';
        }
    }
    state.text[0] = '\0';
    return DecodeOutcome::NoDecoderMatched;
}

// Writes the string reversed, eight characters per byte swap.
void ReverseInto(std::string_view s, char *out) {
    const std::size_t n = s.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + (n - 8 - i), 8);
        word = __builtin_bswap64(word);
        std::memcpy(out + i, &word, 8);
    }
    for (; i < n; ++i) out[i] = s[n - 1 - i];
}

}  // namespace

DecodeOutcome DecodeStringTables(std::string_view classes, DecodeState &state) {
    // Line readings hold at most kMaxElements classes: reversed on the stack.
    std::array<char, kMaxElements> buffer;
    if (classes.size() <= buffer.size()) {
        ReverseInto(classes, buffer.data());
        return RunTable(StringDecoders, classes, std::string_view(buffer.data(), classes.size()), state);
    }
    const std::string reversed(classes.rbegin(), classes.rend());
    return RunTable(StringDecoders, classes, std::string_view(reversed), state);
}

DecodeOutcome DecodeRunTables(const Widths &widths, DecodeState &state) {
    const Widths reversed(widths.rbegin(), widths.rend());
    return RunTable<RunRow, std::size(RunDecoders), const Widths &>(RunDecoders, widths, reversed, state);
}

DecodeOutcome DecodeRunTables(const Widths &widths, const Widths &reversed, DecodeState &state) {
    return RunTable<RunRow, std::size(RunDecoders), const Widths &>(RunDecoders, widths, reversed, state);
}

std::uint32_t SymbologiesFittingLength(std::size_t elements, std::uint32_t symbologies) {
    std::uint32_t fitting = 0;
    const auto take = [&](const auto &rows) {
        for (const auto &row : rows) {
            if (row.lengthFits == nullptr || row.lengthFits(elements)) fitting |= row.bit;
        }
    };
    take(StringDecoders);
    take(RunDecoders);
    return fitting & symbologies;
}

}  // namespace zr::bar
