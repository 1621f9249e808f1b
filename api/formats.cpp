// Display names, the names zrread --types takes, and ISO/IEC 15424 identifiers.
#include "api/formats.hpp"

#include <cctype>
#include <stdexcept>
#include <string>

#include "zr/ZrBar.h"

namespace zr::api {
namespace {

struct FormatInfo {
    BarcodeFormat format;
    const char *name;             // as shown to users
    std::uint32_t linearType;     // the linear reader's bit, 0 for 2-D formats
    const char *identifier;       // ISO/IEC 15424, plain data
    const char *gs1Identifier;    // with FNC1 in first position
};

constexpr FormatInfo kFormats[] = {
    {BarcodeFormat::Industrial2of5, "Industrial 2 of 5", ZR_BAR_INDUSTRIAL_2OF5, "]S0", "]S0"},
    {BarcodeFormat::Inverted2of5, "Inverted 2 of 5", ZR_BAR_INVERTED_2OF5, "]X0", "]X0"},
    {BarcodeFormat::Interleaved2of5, "Interleaved 2 of 5", ZR_BAR_INTERLEAVED_2OF5, "]I0", "]I0"},
    {BarcodeFormat::IATA2of5, "IATA 2 of 5", ZR_BAR_IATA_2OF5, "]R0", "]R0"},
    {BarcodeFormat::Matrix2of5, "Matrix 2 of 5", ZR_BAR_MATRIX_2OF5, "]X0", "]X0"},
    {BarcodeFormat::Code39, "Code 39", ZR_BAR_CODE39, "]A0", "]A0"},
    {BarcodeFormat::Codabar, "Codabar", ZR_BAR_CODABAR, "]F0", "]F0"},
    {BarcodeFormat::BCDMatrix, "BCD Matrix", ZR_BAR_BCD_MATRIX, "]X0", "]X0"},
    {BarcodeFormat::Datalogic2of5, "Datalogic 2 of 5", ZR_BAR_DATALOGIC_2OF5, "]X0", "]X0"},
    {BarcodeFormat::Code128, "Code 128", ZR_BAR_CODE128, "]C0", "]C1"},
    {BarcodeFormat::EAN128, "EAN 128", ZR_BAR_EAN128, "]C1", "]C1"},
    {BarcodeFormat::Code93, "Code 93", ZR_BAR_CODE93, "]G0", "]G0"},
    {BarcodeFormat::EAN13, "EAN 13", ZR_BAR_EAN13, "]E0", "]E0"},
    {BarcodeFormat::UPCA, "UPC Version A", ZR_BAR_UPCA, "]E0", "]E0"},
    {BarcodeFormat::EAN8, "EAN 8", ZR_BAR_EAN8, "]E4", "]E4"},
    {BarcodeFormat::UPCE, "UPC Version E", ZR_BAR_UPCE, "]E0", "]E0"},
    {BarcodeFormat::AddOn5, "Additional 5 digits code", ZR_BAR_ADDON5, "]E2", "]E2"},
    {BarcodeFormat::AddOn2, "Additional 2 digits code", ZR_BAR_ADDON2, "]E1", "]E1"},
    {BarcodeFormat::QRCode, "QR Code", 0, "]Q1", "]Q3"},
    {BarcodeFormat::MicroQRCode, "Micro QR Code", 0, "]Q1", "]Q3"},
    {BarcodeFormat::DataMatrix, "DataMatrix", 0, "]d1", "]d2"},
    {BarcodeFormat::PDF417, "PDF417", 0, "]L2", "]L2"},
};

struct Alias {
    const char *key;  // normalised: lower case, no spaces, '-' or '_'
    BarcodeFormat format;
};

// The short forms zrread --types takes besides the normalised display names.
constexpr Alias kAliases[] = {
    {"industrial", BarcodeFormat::Industrial2of5},
    {"i25industrial", BarcodeFormat::Industrial2of5},
    {"inverted", BarcodeFormat::Inverted2of5},
    {"interleaved", BarcodeFormat::Interleaved2of5},
    {"i2of5", BarcodeFormat::Interleaved2of5},
    {"itf", BarcodeFormat::Interleaved2of5},
    {"iata", BarcodeFormat::IATA2of5},
    {"matrix", BarcodeFormat::Matrix2of5},
    {"matrix25", BarcodeFormat::Matrix2of5},
    {"code3of9", BarcodeFormat::Code39},
    {"bcd", BarcodeFormat::BCDMatrix},
    {"datalogic", BarcodeFormat::Datalogic2of5},
    {"gs1128", BarcodeFormat::EAN128},
    {"ucc128", BarcodeFormat::EAN128},
    {"upc", BarcodeFormat::UPCA},
    {"upca", BarcodeFormat::UPCA},
    {"upce", BarcodeFormat::UPCE},
    {"additional5digits", BarcodeFormat::AddOn5},
    {"additional2digits", BarcodeFormat::AddOn2},
    {"addon5", BarcodeFormat::AddOn5},
    {"addon2", BarcodeFormat::AddOn2},
    {"ean5", BarcodeFormat::AddOn5},
    {"ean2", BarcodeFormat::AddOn2},
    {"qr", BarcodeFormat::QRCode},
    {"microqr", BarcodeFormat::MicroQRCode},
    {"dm", BarcodeFormat::DataMatrix},
};

}  // namespace

std::string NormaliseName(std::string_view name) {
    std::string key;
    for (const char c : name) {
        if (c == ' ' || c == '-' || c == '_' || c == '\t') continue;
        key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return key;
}

namespace {

const FormatInfo *InfoOf(BarcodeFormat format) {
    for (const FormatInfo &info : kFormats)
        if (info.format == format) return &info;
    return nullptr;
}

}  // namespace

std::uint32_t LinearTypeBit(BarcodeFormat format) {
    const FormatInfo *info = InfoOf(format);
    return info ? info->linearType : 0;
}

BarcodeFormat FormatOfLinearType(std::uint32_t typeBit) {
    for (const FormatInfo &info : kFormats)
        if (info.linearType != 0 && info.linearType == typeBit) return info.format;
    return BarcodeFormat::None;
}

std::uint32_t LinearTypeBits(BarcodeFormats formats) {
    std::uint32_t bits = 0;
    for (const FormatInfo &info : kFormats)
        if (formats.has(info.format)) bits |= info.linearType;
    return bits;
}

std::optional<BarcodeFormat> FindFormat(std::string_view name) {
    const std::string key = NormaliseName(name);
    if (key.empty()) return std::nullopt;
    for (const FormatInfo &info : kFormats)
        if (NormaliseName(info.name) == key) return info.format;
    for (const Alias &alias : kAliases)
        if (key == alias.key) return alias.format;
    return std::nullopt;
}

const char *SymbologyIdentifier(BarcodeFormat format, bool gs1) {
    const FormatInfo *info = InfoOf(format);
    if (!info) return "";
    return gs1 ? info->gs1Identifier : info->identifier;
}

}  // namespace zr::api

namespace zr {

std::string ToString(BarcodeFormat format) {
    const api::FormatInfo *info = api::InfoOf(format);
    return info ? info->name : "None";
}

BarcodeFormat BarcodeFormatFromString(std::string_view name) {
    if (const std::optional<BarcodeFormat> format = api::FindFormat(name)) return *format;
    throw std::invalid_argument("unknown barcode format: " + std::string(name));
}

BarcodeFormats BarcodeFormatsFromString(std::string_view names) {
    BarcodeFormats formats;
    while (true) {
        const std::size_t comma = names.find(',');
        const std::string_view item = names.substr(0, comma);
        formats |= api::NormaliseName(item) == "all" ? BarcodeFormats::All() : BarcodeFormatFromString(item);
        if (comma == std::string_view::npos) break;
        names.remove_prefix(comma + 1);
    }
    return formats;
}

}  // namespace zr
