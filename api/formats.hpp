// The formats' names, the linear reader's type bits and the symbology identifiers.
#pragma once

#include <cstdint>

#include "zr/ZrReaders.hpp"

namespace zr::api {

// The linear reader's symbology bit of a linear format (0 for the others), and back.
std::uint32_t LinearTypeBit(BarcodeFormat format);
BarcodeFormat FormatOfLinearType(std::uint32_t typeBit);
// The linear reader's symbologies option for a set of formats.
std::uint32_t LinearTypeBits(BarcodeFormats formats);

// The ISO/IEC 15424 identifier of a symbol read without ECI; gs1: FNC1 in first position.
const char *SymbologyIdentifier(BarcodeFormat format, bool gs1);

}  // namespace zr::api
