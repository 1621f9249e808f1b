// Code 128 and EAN 128: six elements of one to four modules per character
// (eleven modules), a start character choosing code set A, B or C, a
// modulo 103 check character and a seven-element stop. EAN 128 is a Code 128
// symbol whose first data character is FNC1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bar/patterns.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

// One checker per start character: the length of whole characters, the start
// of its code set and the stop.
bool Code128CheckA(std::string_view classes);
bool Code128CheckB(std::string_view classes);
bool Code128CheckC(std::string_view classes);
// Code 128 text, Ok or CheckFailed; NoMatch for an EAN 128 symbol.
DecodeOutcome Code128Decode(std::string_view classes, char (&text)[kTextSize]);
// EAN 128 text without the leading FNC1; NoMatch for a plain Code 128 symbol.
DecodeOutcome Ean128Decode(std::string_view classes, char (&text)[kTextSize]);

bool Code128RunCheckA(const Widths &widths);
bool Code128RunCheckB(const Widths &widths);
bool Code128RunCheckC(const Widths &widths);
DecodeOutcome Code128RunDecode(const Widths &widths, char (&text)[kTextSize]);
DecodeOutcome Ean128RunDecode(const Widths &widths, char (&text)[kTextSize]);

// True when `elements` is start, whole characters and stop.
bool Code128LengthFits(std::size_t elements);

constexpr StringRow kCode128Rows[3] = {
    {ZR_BAR_CODE128, Code128CheckA, Code128Decode, false, Code128LengthFits},
    {ZR_BAR_CODE128, Code128CheckB, Code128Decode, false, Code128LengthFits},
    {ZR_BAR_CODE128, Code128CheckC, Code128Decode, false, Code128LengthFits}};
constexpr StringRow kEan128Rows[3] = {{ZR_BAR_EAN128, Code128CheckA, Ean128Decode, false, Code128LengthFits},
                                      {ZR_BAR_EAN128, Code128CheckB, Ean128Decode, false, Code128LengthFits},
                                      {ZR_BAR_EAN128, Code128CheckC, Ean128Decode, false, Code128LengthFits}};
constexpr RunRow kCode128RunRows[3] = {
    {ZR_BAR_CODE128, Code128RunCheckA, Code128RunDecode, false, Code128LengthFits},
    {ZR_BAR_CODE128, Code128RunCheckB, Code128RunDecode, false, Code128LengthFits},
    {ZR_BAR_CODE128, Code128RunCheckC, Code128RunDecode, false, Code128LengthFits}};
constexpr RunRow kEan128RunRows[3] = {
    {ZR_BAR_EAN128, Code128RunCheckA, Ean128RunDecode, false, Code128LengthFits},
    {ZR_BAR_EAN128, Code128RunCheckB, Ean128RunDecode, false, Code128LengthFits},
    {ZR_BAR_EAN128, Code128RunCheckC, Ean128RunDecode, false, Code128LengthFits}};

}  // namespace zr::bar
