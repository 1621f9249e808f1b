// The batch outputs of one picture: text lines, a JSON line or CSV rows.
#ifndef ZR_ZRREAD_RECORDS_HPP
#define ZR_ZRREAD_RECORDS_HPP

#include <string>
#include <string_view>
#include <vector>

#include "zr/ZrReaders.hpp"

namespace zr::zrread {

// The status of a picture read without error.
constexpr std::string_view kStatusOk = "ok";

// A text on one line: backslash, line breaks, tabs and other control bytes written as escapes
// (\\, \n, \r, \t, \xHH); everything else as it is.
std::string EscapeLine(std::string_view text);

// The shortest decimal that reads back as the same double (finite values only; others give 0).
std::string ShortestNumber(double value);

// "file: format: text\n" for each symbol; nothing when there is none.
std::string TextLines(std::string_view file, const std::vector<Barcode> &barcodes);

// {"file":…,"status":…,"barcodes":[{"format","text","bytes","symbologyIdentifier","corners",
// "orientation"},…]} and a line break; `status` is kStatusOk or the error.
std::string JsonlRecord(std::string_view file, std::string_view status, const std::vector<Barcode> &barcodes);

// The CSV header, then per picture one row per symbol (RFC 4180 quoting), or one row with its
// error and empty symbol fields when it could not be read.
extern const char kCsvHeader[];
std::string CsvRows(std::string_view file, std::string_view status, const std::vector<Barcode> &barcodes);

}  // namespace zr::zrread

#endif  // ZR_ZRREAD_RECORDS_HPP
