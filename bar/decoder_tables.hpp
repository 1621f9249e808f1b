// The two decoder tables and the runs through them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bar/decode_state.hpp"

namespace zr::bar {

// Runs a class string through the class-string decoders, forward and
// reversed as the reading sense allows. Ok or CheckFailed: decoded (state.type,
// checksumOk, reversed and text set); NoDecoderMatched otherwise.
DecodeOutcome DecodeStringTables(std::string_view classes, DecodeState &state);
// The same over the width-run decoders.
DecodeOutcome DecodeRunTables(const Widths &widths, DecodeState &state);
// The same with the reversed widths given by the caller (no allocation).
DecodeOutcome DecodeRunTables(const Widths &widths, const Widths &reversed, DecodeState &state);
// The symbologies among `symbologies` that some row of either table can
// accept at this element count: a reading of any other count goes to no
// decoder, whatever its widths.
std::uint32_t SymbologiesFittingLength(std::size_t elements, std::uint32_t symbologies);
class ClassWork;
// Code 39 second chance on one line reading (code39.cpp): quarter classes,
// then odd classes above "1" forced to "1". SymbologyOff when Code 39 is not
// enabled. The first form takes the reading as split in `classes`.
DecodeOutcome Code39Retry(ClassWork &classes, DecodeState &state);
DecodeOutcome Code39Retry(const Widths &widths, DecodeState &state);

}  // namespace zr::bar
