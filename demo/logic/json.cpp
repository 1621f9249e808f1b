#include "json.hpp"

#include <cmath>
#include <cstdlib>
#include <optional>

#include "api/formats.hpp"
#include "api/text.hpp"
#include "format.hpp"
#include "read.hpp"
#include "zr/ZrBar.h"

namespace zr::demo {
namespace {

// Appends one code point below U+0100 (quotes, backslash and controls escaped).
void AppendLatin1(std::string &out, unsigned char c) {
    if (c == '"' || c == '\\') {
        out.push_back('\\');
        out.push_back(static_cast<char>(c));
    } else if (c < 0x20 || c == 0x7F) {
        out += Format("\\u%04x", c);
    } else if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length;
        uint32_t code;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

// The bytes of a string JsonByteString wrote (every code point below U+0100),
// from its opening quote at `start`; nothing when it is not one.
std::optional<std::string> BytesOfByteString(std::string_view json, size_t start) {
    std::string bytes;
    for (size_t i = start + 1; i < json.size(); ++i) {
        const auto c = static_cast<unsigned char>(json[i]);
        if (c == '"') return bytes;
        if (c == '\\' && i + 1 < json.size()) {
            const char escaped = json[++i];
            if (escaped != 'u') {
                bytes.push_back(escaped);
            } else if (i + 4 < json.size()) {
                bytes.push_back(static_cast<char>(std::stoi(std::string(json.substr(i + 1, 4)), nullptr, 16)));
                i += 4;
            }
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < json.size()) {
            bytes.push_back(static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(json[++i]) & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(c));
        }
    }
    return std::nullopt;
}

// The ISO/IEC 15424 identifier of a result read through the C records (no ECI, no FNC1 first).
std::string IdentifierOf(std::string_view resultJson, ReaderKind kind) {
    switch (kind) {
        case ReaderKind::Qr:
        case ReaderKind::MicroQr:
            return api::SymbologyIdentifier(BarcodeFormat::QRCode, false);
        case ReaderKind::DataMatrix:
            return api::SymbologyIdentifier(BarcodeFormat::DataMatrix, false);
        case ReaderKind::Pdf417:
            return api::SymbologyIdentifier(BarcodeFormat::PDF417, false);
        case ReaderKind::Linear:
            break;
    }
    const size_t type = resultJson.find("\"type\":");
    if (type == std::string_view::npos) return "";
    const auto bit = static_cast<uint32_t>(std::strtoul(std::string(resultJson.substr(type + 7, 12)).c_str(), nullptr, 10));
    return api::SymbologyIdentifier(api::FormatOfLinearType(bit), bit == ZR_BAR_EAN128);
}

// A result object with "bytes" (hex), "symbologyIdentifier" and its "text" (the last field,
// as JsonByteString wrote it) read as UTF-8 the way the C++ interface reads it.
std::string WithDecodedText(const std::string &resultJson, ReaderKind kind) {
    static constexpr std::string_view kTextField = ",\"text\":";
    const size_t field = resultJson.rfind(kTextField);
    if (field == std::string::npos) return resultJson;
    const std::optional<std::string> bytes = BytesOfByteString(resultJson, field + kTextField.size());
    if (!bytes) return resultJson;
    std::string hex;
    for (const char c : *bytes) hex += Format("%02x", static_cast<unsigned char>(c));
    const api::DefaultCharset charset = kind == ReaderKind::Qr || kind == ReaderKind::MicroQr
                                            ? api::DefaultCharset::kLatin1OrShiftJis
                                            : api::DefaultCharset::kLatin1;
    return resultJson.substr(0, field) + ",\"bytes\":\"" + hex + "\",\"symbologyIdentifier\":\"" +
           IdentifierOf(resultJson, kind) + "\"" + std::string(kTextField) +
           JsonTextString(api::TextOf(*bytes, charset)) + "}";
}

}  // namespace

std::string JsonByteString(std::string_view bytes) {
    std::string out = "\"";
    for (const char c : bytes) AppendLatin1(out, static_cast<unsigned char>(c));
    out.push_back('"');
    return out;
}

std::string JsonTextString(std::string_view text) {
    if (!IsValidUtf8(text)) return JsonByteString(text);
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            out.push_back(c);  // part of a valid sequence
        } else {
            AppendLatin1(out, byte);
        }
    }
    out.push_back('"');
    return out;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    return Format("%.10g", value);
}

std::string ResultsJson(const Document &document) {
    std::string out = "[";
    if (const ReaderKindInfo *kind = ReaderKindOf(document.state.lastOperation)) {
        const size_t count = kind->copyCount(document);
        for (size_t i = 0; i < count; ++i) {
            if (i != 0) out.push_back(',');
            out += WithDecodedText(kind->resultJson(document, i), kind->kind);
        }
    }
    out.push_back(']');
    return out;
}

std::string ImageJson(const ZrImage &image) {
    return "{\"width\":" + std::to_string(image.width) + ",\"height\":" + std::to_string(image.height) +
           ",\"pitch\":" + std::to_string(image.pitch) +
           ",\"bitsPerPixel\":" + std::to_string(image.bitsPerPixel) +
           ",\"xDpi\":" + std::to_string(image.xDpi) + ",\"yDpi\":" + std::to_string(image.yDpi) + "}";
}

std::string ReadJsonLine(std::string_view file, ReaderKind kind, const Document &document, bool withImage) {
    const ReadState &state = document.state;
    std::string line =
        "{\"file\":" + JsonTextString(file) + ",\"kind\":\"" + ReaderKindInfoFor(kind).name + "\"";
    if (withImage) line += ",\"image\":" + ImageJson(document.image);
    line += ",\"returnCode\":" + std::to_string(state.returnCode) +
            ",\"runTime\":" + JsonNumber(state.runTime) + ",\"count\":" + std::to_string(state.symbolCount) +
            ",\"results\":" + ResultsJson(document) + "}";
    return line;
}

}  // namespace zr::demo
