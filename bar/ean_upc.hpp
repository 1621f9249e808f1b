// EAN 13, UPC Version A, EAN 8, UPC Version E and the 5- and 2-digit add-on
// codes: four elements of one to four modules per digit (seven modules),
// in the L (odd) or G (even) parity sets, between guard patterns.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bar/patterns.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

// The digits' classes, space first: L (odd parity) patterns; the right
// half's R patterns have the same classes, bar first.
inline constexpr std::array<std::string_view, 10> kEanLPatterns = {
    "2100", "1110", "1011", "0300", "0021", "0120", "0003", "0201", "0102", "2001",
};
// G (even parity) patterns: the L patterns reversed.
inline constexpr std::array<std::string_view, 10> kEanGPatterns = {
    "0012", "0111", "1101", "0030", "1200", "0210", "3000", "1020", "2010", "1002",
};

// Exact lengths and guard patterns. EAN 13 and UPC Version A share theirs.
bool Ean13Check(std::string_view classes);
bool Ean8Check(std::string_view classes);
bool UpcECheck(std::string_view classes);
bool AddOn5Check(std::string_view classes);
bool AddOn2Check(std::string_view classes);

// Thirteen digits, the leading one from the parities of the left half. The
// decoder tables offer a symbol to UPC Version A first: a leading 0 reaches
// this decoder only when UPC-A is not enabled.
DecodeOutcome Ean13Decode(std::string_view classes, char (&text)[kTextSize]);
// Twelve digits in L parity with their check.
DecodeOutcome UpcADecode(std::string_view classes, char (&text)[kTextSize]);
DecodeOutcome Ean8Decode(std::string_view classes, char (&text)[kTextSize]);
// Number system, six digits and the check digit that their parities imply.
DecodeOutcome UpcEDecode(std::string_view classes, char (&text)[kTextSize]);
// The digits in either parity set; their parities must encode the value
// modulo 4 (two digits) or the check digit (five).
DecodeOutcome AddOn5Decode(std::string_view classes, char (&text)[kTextSize]);
DecodeOutcome AddOn2Decode(std::string_view classes, char (&text)[kTextSize]);

bool Ean13RunCheck(const Widths &widths);
bool Ean8RunCheck(const Widths &widths);
bool UpcERunCheck(const Widths &widths);
DecodeOutcome Ean13RunDecode(const Widths &widths, char (&text)[kTextSize]);
DecodeOutcome UpcARunDecode(const Widths &widths, char (&text)[kTextSize]);
DecodeOutcome Ean8RunDecode(const Widths &widths, char (&text)[kTextSize]);
DecodeOutcome UpcERunDecode(const Widths &widths, char (&text)[kTextSize]);

// True when `elements` is the symbol's fixed element count.
bool Ean13LengthFits(std::size_t elements);
bool Ean8LengthFits(std::size_t elements);
bool UpcELengthFits(std::size_t elements);
bool AddOn5LengthFits(std::size_t elements);
bool AddOn2LengthFits(std::size_t elements);

constexpr StringRow kEan13Row = {ZR_BAR_EAN13, Ean13Check, Ean13Decode, false, Ean13LengthFits};
constexpr StringRow kUpcARow = {ZR_BAR_UPCA, Ean13Check, UpcADecode, false, Ean13LengthFits};
constexpr StringRow kEan8Row = {ZR_BAR_EAN8, Ean8Check, Ean8Decode, false, Ean8LengthFits};
constexpr StringRow kUpcERow = {ZR_BAR_UPCE, UpcECheck, UpcEDecode, false, UpcELengthFits};
// The add-ons have no stop pattern: a 5-digit add-on cut after two digits
// has the layout of a 2-digit one. They are read only between quiet zones.
constexpr StringRow kAddOn5Row = {ZR_BAR_ADDON5, AddOn5Check, AddOn5Decode, true, AddOn5LengthFits};
constexpr StringRow kAddOn2Row = {ZR_BAR_ADDON2, AddOn2Check, AddOn2Decode, true, AddOn2LengthFits};

constexpr RunRow kEan13RunRow = {ZR_BAR_EAN13, Ean13RunCheck, Ean13RunDecode, false, Ean13LengthFits};
constexpr RunRow kUpcARunRow = {ZR_BAR_UPCA, Ean13RunCheck, UpcARunDecode, false, Ean13LengthFits};
constexpr RunRow kEan8RunRow = {ZR_BAR_EAN8, Ean8RunCheck, Ean8RunDecode, false, Ean8LengthFits};
constexpr RunRow kUpcERunRow = {ZR_BAR_UPCE, UpcERunCheck, UpcERunDecode, false, UpcELengthFits};

}  // namespace zr::bar
