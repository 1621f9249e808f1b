#include "records.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "logic/json.hpp"

namespace zr::zrread {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::string Hex(const std::vector<std::uint8_t> &bytes) {
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        hex.push_back(kHexDigits[byte >> 4]);
        hex.push_back(kHexDigits[byte & 0x0F]);
    }
    return hex;
}

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted.push_back('"');
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

}  // namespace

std::string EscapeLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    out += "\\x";
                    out.push_back(kHexDigits[byte >> 4]);
                    out.push_back(kHexDigits[byte & 0x0F]);
                } else {
                    out.push_back(c);
                }
        }
    }
    return out;
}

std::string ShortestNumber(double value) {
    if (!std::isfinite(value)) return "0";
    char buffer[32];
    const std::to_chars_result written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

std::string TextLines(std::string_view file, const std::vector<Barcode> &barcodes) {
    std::string lines;
    const std::string name = EscapeLine(file);
    for (const Barcode &barcode : barcodes) {
        lines += name + ": " + ToString(barcode.format) + ": " + EscapeLine(barcode.text) + '\n';
    }
    return lines;
}

std::string JsonlRecord(std::string_view file, std::string_view status, const std::vector<Barcode> &barcodes) {
    std::string line = "{\"file\":" + demo::JsonTextString(file) + ",\"status\":" + demo::JsonTextString(status) +
                       ",\"barcodes\":[";
    for (size_t i = 0; i < barcodes.size(); ++i) {
        const Barcode &barcode = barcodes[i];
        if (i != 0) line.push_back(',');
        line += "{\"format\":" + demo::JsonTextString(ToString(barcode.format)) +
                ",\"text\":" + demo::JsonTextString(barcode.text) + ",\"bytes\":\"" + Hex(barcode.bytes) +
                "\",\"symbologyIdentifier\":" + demo::JsonTextString(barcode.symbologyIdentifier) + ",\"corners\":[";
        for (size_t k = 0; k < barcode.position.size(); ++k) {
            if (k != 0) line.push_back(',');
            line += "[" + std::to_string(barcode.position[k].x) + "," + std::to_string(barcode.position[k].y) + "]";
        }
        line += "],\"orientation\":" + ShortestNumber(barcode.orientation) + "}";
    }
    line += "]}\n";
    return line;
}

const char kCsvHeader[] =
    "file,status,format,text,bytes,symbologyIdentifier,x1,y1,x2,y2,x3,y3,x4,y4,orientation\n";

std::string CsvRows(std::string_view file, std::string_view status, const std::vector<Barcode> &barcodes) {
    const std::string name = CsvField(file);
    if (status != kStatusOk) return name + "," + CsvField(status) + ",,,,,,,,,,,,,\n";
    std::string rows;
    for (const Barcode &barcode : barcodes) {
        rows += name + "," + std::string(kStatusOk) + "," + CsvField(ToString(barcode.format)) + "," +
                CsvField(barcode.text) + "," + Hex(barcode.bytes) + "," + CsvField(barcode.symbologyIdentifier);
        for (const Corner &corner : barcode.position) {
            rows += "," + std::to_string(corner.x) + "," + std::to_string(corner.y);
        }
        rows += "," + ShortestNumber(barcode.orientation) + "\n";
    }
    return rows;
}

}  // namespace zr::zrread
