// The formats' names, the linear reader's type bits and the symbology identifiers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "zr/ZrReaders.hpp"

namespace zr::api {

// The linear reader's symbology bit of a linear format (0 for the others), and back.
std::uint32_t LinearTypeBit(BarcodeFormat format);
BarcodeFormat FormatOfLinearType(std::uint32_t typeBit);
// The linear reader's symbologies option for a set of formats.
std::uint32_t LinearTypeBits(BarcodeFormats formats);

// A name as the lookups compare it: lower case, without spaces, '-' or '_'.
std::string NormaliseName(std::string_view name);

// The format a display name or short form names (case, spaces, '-' and '_'
// ignored: "Code 39", "code39", "UPC-A", "i2of5"); nothing for another name.
std::optional<BarcodeFormat> FindFormat(std::string_view name);

// The ISO/IEC 15424 identifier of a symbol read without ECI; gs1: FNC1 in first position.
const char *SymbologyIdentifier(BarcodeFormat format, bool gs1);

}  // namespace zr::api
