// The second look: what a reader tries after its first look (the pipeline
// every reader starts with, kept exactly as it is) has left the picture
// unread. It only adds results after the first look's and can be turned off
// with one option bit of each scanner record.
#pragma once

#include <cstdint>

namespace zr {

// The option bit that turns a reader's second look off: ZR_BAR_FIRST_LOOK_ONLY
// in extraFlags, ZR_QR_ / ZR_MICROQR_ / ZR_DM_FIRST_LOOK_ONLY in scanFlags and
// ZR_PDF417_FIRST_LOOK_ONLY in directions. No other option uses this bit.
constexpr std::uint8_t kFirstLookOnly = 0x80;

constexpr bool SecondLookWanted(std::uint8_t optionField) {
    return (optionField & kFirstLookOnly) == 0;
}

}  // namespace zr
