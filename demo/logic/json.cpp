#include "json.hpp"

#include <cmath>

#include "format.hpp"
#include "read.hpp"

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
            out += kind->resultJson(document, i);
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
