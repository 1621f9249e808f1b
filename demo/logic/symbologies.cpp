#include "symbologies.hpp"

#include <cctype>
#include <string>

#include "settings.hpp"

namespace zr::demo {
namespace {

struct Alias {
    const char *key;  // normalised: lower case, no spaces, '-' or '_'
    uint32_t bits;
};

// Short forms besides the normalised display names, which already give code39, code128, ean13,
// ean8, codabar, code93, ean128, ...
constexpr Alias kAliases[] = {
    {"all", kAllLinearTypes},
    {"industrial", 0x1},
    {"i25industrial", 0x1},
    {"inverted", 0x2},
    {"interleaved", 0x4},
    {"i2of5", 0x4},
    {"itf", 0x4},
    {"iata", 0x8},
    {"matrix", 0x10},
    {"matrix25", 0x10},
    {"code3of9", 0x20},
    {"bcd", 0x80},
    {"datalogic", 0x100},
    {"gs1128", 0x2000},
    {"ucc128", 0x2000},
    {"upc", 0x10000},
    {"upca", 0x10000},
    {"upce", 0x40000},
    {"additional5digits", 0x80000},
    {"additional2digits", 0x100000},
    {"addon5", 0x80000},
    {"addon2", 0x100000},
    {"ean5", 0x80000},
    {"ean2", 0x100000},
};

std::string Normalise(std::string_view name) {
    std::string key;
    for (const char c : name) {
        if (c == ' ' || c == '-' || c == '_' || c == '\t') continue;
        key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return key;
}

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

std::optional<uint32_t> LinearTypeFromName(std::string_view name) {
    const std::string key = Normalise(name);
    if (key.empty()) return std::nullopt;
    for (const LinearType &entry : kLinearTypes) {
        if (Normalise(entry.name) == key) return entry.bit;
    }
    for (const Alias &alias : kAliases) {
        if (key == alias.key) return alias.bits;
    }
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
