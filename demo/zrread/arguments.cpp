#include "arguments.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "logic/read.hpp"
#include "logic/symbologies.hpp"

namespace zr::zrread {

const char kHelpText[] =
    "Usage: zrread [options] FILE...\n"
    "Reads barcodes from BMP, PNG, TIFF (.tif) and JPEG (.jpg) images and reports them.\n"
    "\n"
    "Options:\n"
    "  --kind K          reader to run: linear, pdf417, dm, qr, microqr or all (default: all\n"
    "                    readers built in); several kinds may be given, comma-separated\n"
    "  --rect L,T,W,H    search area: left, top, width, height (0 width or height: to the edge)\n"
    "  --unit U          unit of --rect: px (default), in or cm; in and cm use the image resolution\n"
    "  --max N           most symbols to report, 1 to 1000 (default 20; more than 255 reads 255)\n"
    "  --types LIST      linear symbologies, comma-separated: names such as \"Code 39\", code39,\n"
    "                    code128, ean128, code93, ean13, ean8, upca, upce, codabar, i2of5,\n"
    "                    industrial, inverted, iata, matrix, datalogic, bcd, addon2, addon5, all,\n"
    "                    or numbers / 0x masks of the type bits (default all)\n"
    "  --colors C        bar colours: 1 or dark, 2 or light, 3 or both (default both)\n"
    "  --directions M    scan directions mask 1 to 15: 1 left to right, 2 right to left,\n"
    "                    4 top to bottom, 8 bottom to top; 15 adds the diagonals (default 15)\n"
    "  --thorough        linear reader: slower, more thorough search\n"
    "  --report-unread   linear reader: list symbols that cannot be decoded, as \"???\"\n"
    "  --first-look-only every reader: only the first look, no second look at unread pictures\n"
    "  --info            print the image information (size, pitch, resolution)\n"
    "  --json            one JSON object per line for each file and reader\n"
    "  --help            show this text\n"
    "\n"
    "Exit status: 0 when some symbol was found, 1 when none, 2 on a usage or file error.\n";

namespace {

std::optional<unsigned long> ParseUnsigned(std::string_view text) {
    if (text.empty() || text.size() > 20 || !std::isdigit(static_cast<unsigned char>(text[0]))) {
        return std::nullopt;
    }
    // Decimal, or hex after 0x (a leading 0 is not octal).
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string copy(hex ? text.substr(2) : text);
    if (copy.empty() || !std::isxdigit(static_cast<unsigned char>(copy[0]))) return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(copy.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == copy.c_str() || *end != '\0') return std::nullopt;
    return value;
}

std::optional<double> ParseDouble(std::string_view text) {
    if (text.empty() || text.size() > 64) return std::nullopt;
    const std::string copy(text);
    char *end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str() || *end != '\0' || !std::isfinite(value) || value < 0.0) return std::nullopt;
    return value;
}

bool ParseRect(std::string_view text, demo::ReadSettings &settings) {
    double values[4];
    for (int i = 0; i < 4; ++i) {
        const size_t comma = text.find(',');
        if ((i < 3) != (comma != std::string_view::npos)) return false;
        const std::optional<double> value = ParseDouble(text.substr(0, comma));
        if (!value) return false;
        values[i] = *value;
        if (i < 3) text.remove_prefix(comma + 1);
    }
    settings.searchStart = {values[0], values[1]};
    settings.searchSize = {values[2], values[3]};
    return true;
}

std::optional<demo::SearchUnit> ParseUnit(std::string_view text) {
    if (text == "px") return demo::SearchUnit::Pixels;
    if (text == "in") return demo::SearchUnit::Inches;
    if (text == "cm") return demo::SearchUnit::Centimetres;
    return std::nullopt;
}

std::optional<uint8_t> ParseColors(std::string_view text) {
    if (text == "dark" || text == "black") return 1;
    if (text == "light" || text == "white") return 2;
    if (text == "both") return 3;
    const std::optional<unsigned long> value = ParseUnsigned(text);
    if (value && *value >= 1 && *value <= 3) return static_cast<uint8_t>(*value);
    return std::nullopt;
}

// Adds the kinds of a comma-separated list; "all" adds every reader built in.
std::string AddKinds(std::string_view list, std::vector<demo::ReaderKind> &kinds) {
    auto add = [&kinds](demo::ReaderKind kind) {
        if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) kinds.push_back(kind);
    };
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        if (name == "all") {
            for (const demo::ReaderKindInfo &info : demo::kReaderKinds) {
                if (info.read != nullptr) add(info.kind);
            }
        } else {
            const demo::ReaderKindInfo *found = nullptr;
            for (const demo::ReaderKindInfo &info : demo::kReaderKinds) {
                if (name == info.name) found = &info;
            }
            if (found == nullptr) return "unknown reader kind: " + std::string(name);
            if (found->read == nullptr) return "reader not built: " + std::string(name);
            add(found->kind);
        }
        if (comma == std::string_view::npos) return {};
        list.remove_prefix(comma + 1);
    }
}

}  // namespace

ParseOutcome ParseArguments(int argc, const char *const *argv) {
    ParseOutcome outcome;
    Arguments &args = outcome.arguments;
    auto fail = [&outcome](std::string message) {
        outcome.ok = false;
        outcome.error = std::move(message);
        return outcome;
    };

    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg.substr(0, 2) != "--") {
            if (arg == "-") return fail("standard input is not supported, give a file name");
            args.files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // --name=value or --name value
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (const size_t equals = arg.find('='); equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            inlineValue = arg.substr(equals + 1);
        }
        if (name == "--help" || name == "--info" || name == "--json" || name == "--thorough" ||
            name == "--report-unread" || name == "--first-look-only") {
            if (inlineValue) return fail("option takes no value: " + std::string(name));
            if (name == "--help") args.help = true;
            if (name == "--info") args.info = true;
            if (name == "--json") args.json = true;
            if (name == "--thorough") args.settings.bestRecognition = 1;
            if (name == "--report-unread") args.settings.showUndecoded = 1;
            if (name == "--first-look-only") args.settings.firstLookOnly = true;
            continue;
        }

        std::string_view value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return fail("option needs a value: " + std::string(name));
        }
        const std::string bad = "invalid value for " + std::string(name) + ": " + std::string(value);

        if (name == "--kind") {
            if (std::string error = AddKinds(value, args.kinds); !error.empty()) return fail(error);
        } else if (name == "--rect") {
            if (!ParseRect(value, args.settings)) return fail(bad);
        } else if (name == "--unit") {
            const std::optional<demo::SearchUnit> unit = ParseUnit(value);
            if (!unit) return fail(bad);
            args.settings.searchUnit = *unit;
        } else if (name == "--max") {
            const std::optional<unsigned long> count = ParseUnsigned(value);
            if (!count || *count < 1 || *count > 1000) return fail(bad);
            args.settings.maxSymbols = static_cast<uint16_t>(*count);
        } else if (name == "--types") {
            const std::optional<uint32_t> types = demo::ParseLinearTypes(value);
            if (!types) return fail(bad);
            args.settings.linearTypes = *types;
        } else if (name == "--colors") {
            const std::optional<uint8_t> colors = ParseColors(value);
            if (!colors) return fail(bad);
            args.settings.barsColourMask = *colors;
        } else if (name == "--directions") {
            const std::optional<unsigned long> mask = ParseUnsigned(value);
            if (!mask || *mask < 1 || *mask > 15) return fail(bad);
            args.settings.orientation = static_cast<uint8_t>(*mask);
        } else {
            return fail("unknown option: " + std::string(name));
        }
    }

    if (args.help) {
        outcome.ok = true;
        return outcome;
    }
    if (args.files.empty()) return fail("no image file given");
    if (args.kinds.empty()) AddKinds("all", args.kinds);
    outcome.ok = true;
    return outcome;
}

}  // namespace zr::zrread
