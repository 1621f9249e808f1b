#include "symbologies.hpp"

#include <cctype>
#include <string>

#include "settings.hpp"
#include "api/formats.hpp"

namespace zr::demo {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::optional<uint32_t> ParseNumber(std::string_view text) {
    text = Trim(text);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
            digit = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        } else {
            return std::nullopt;
        }
        if (digit >= base) return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

const char *LinearTypeName(uint32_t type) {
    for (const LinearType &entry : kLinearTypes) {
        if (entry.bit == type) return entry.name;
    }
    return "Unknown";
}

// The names are the C++ interface's (zr::BarcodeFormatFromString); "all"
// stands for every linear type.
std::optional<uint32_t> LinearTypeFromName(std::string_view name) {
    const std::optional<BarcodeFormat> format = api::FindFormat(name);
    if (format) {
        const uint32_t bit = api::LinearTypeBit(*format);
        return bit != 0 ? std::optional<uint32_t>(bit) : std::nullopt;
    }
    if (api::NormaliseName(name) == "all") return kAllLinearTypes;
    return std::nullopt;
}

std::optional<uint32_t> ParseLinearTypes(std::string_view list) {
    uint32_t mask = 0;
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        std::optional<uint32_t> bits = ParseNumber(item);
        if (!bits) bits = LinearTypeFromName(item);
        if (!bits) return std::nullopt;
        mask |= *bits;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return mask;
}

}  // namespace zr::demo
