#include "arguments.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string_view>

#include "logic/read.hpp"
#include "logic/symbologies.hpp"

namespace zr::zrread {

const char kHelpText[] =
    "Usage: zrread [options] FILE|FOLDER|-...\n"
    "Reads barcodes from BMP, PNG, TIFF and JPEG pictures, one or many at once.\n"
    "A FOLDER is walked with -r for the pictures in it and its subfolders (told by content);\n"
    "- reads the paths from standard input, one a line.\n"
    "\n"
    "Batch options:\n"
    "  -r, --recursive   walk the folders given\n"
    "  -j, --jobs N      read N pictures at once, 1 to 1024 (default: one per core)\n"
    "  --format F        text (default): one line per symbol, \"file: format: text\";\n"
    "                    jsonl: one JSON object per picture; csv: one row per symbol and\n"
    "                    per picture that could not be read, after a header\n"
    "  --report          every reader's report of every picture\n"
    "  --json            one JSON object per line for each file and reader\n"
    "  --unordered       print each picture as it is done, not in input order\n"
    "  --timeout S       a picture that took longer than S seconds is reported as failed\n"
    "                    (its reading runs to its end: the limit is checked when it is done)\n"
    "  --progress        progress line on standard error even when it is not a terminal\n"
    "  --quiet           no progress line and no summary\n"
    "\n"
    "Reading options:\n"
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
    "  --report-unread   linear reader (--report, --json): list symbols that cannot be decoded\n"
    "  --first-look-only every reader: only the first look, no second look at unread pictures\n"
    "  --info            with --report or --json: the image information (size, pitch, resolution)\n"
    "  --help            show this text\n"
    "\n"
    "A summary goes to standard error after more than one picture.\n"
    "Exit status: 0 when some symbol was found, 1 when none, 2 when no picture could be read\n"
    "or on a usage error.\n";

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

bool IsFlag(std::string_view name) {
    static constexpr std::string_view kFlags[] = {
        "--help",      "--info",          "--json",      "--report",    "--thorough", "--report-unread",
        "--first-look-only", "--recursive", "--unordered", "--progress", "--quiet"};
    return std::find(std::begin(kFlags), std::end(kFlags), name) != std::end(kFlags);
}

std::optional<OutputFormat> ParseFormat(std::string_view text) {
    if (text == "text") return OutputFormat::Text;
    if (text == "jsonl") return OutputFormat::Jsonl;
    if (text == "csv") return OutputFormat::Csv;
    return std::nullopt;
}

constexpr unsigned long kMostThreads = 1024;

bool ParseThreads(std::string_view text, unsigned &threads) {
    const std::optional<unsigned long> count = ParseUnsigned(text);
    if (!count || *count < 1 || *count > kMostThreads) return false;
    threads = static_cast<unsigned>(*count);
    return true;
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
    std::optional<OutputFormat> chosen;
    auto choose = [&chosen](OutputFormat format) {
        if (chosen && *chosen != format) return false;
        chosen = format;
        return true;
    };
    const std::string twoOutputs = "give one of --format, --report and --json";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            args.files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // Short options: -r, -j N, -jN.
        if (arg == "-r") {
            args.recursive = true;
            continue;
        }
        if (arg.substr(0, 2) == "-j") {
            std::string_view count = arg.substr(2);
            if (count.empty()) {
                if (i + 1 >= argc) return fail("option needs a value: -j");
                count = argv[++i];
            }
            if (!ParseThreads(count, args.threads)) return fail("invalid value for -j: " + std::string(count));
            continue;
        }
        if (arg.substr(0, 2) != "--") return fail("unknown option: " + std::string(arg));
        // --name=value or --name value
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (const size_t equals = arg.find('='); equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            inlineValue = arg.substr(equals + 1);
        }
        if (IsFlag(name)) {
            if (inlineValue) return fail("option takes no value: " + std::string(name));
            if (name == "--help") args.help = true;
            if (name == "--info") args.info = true;
            if (name == "--json" && !choose(OutputFormat::Json)) return fail(twoOutputs);
            if (name == "--report" && !choose(OutputFormat::Report)) return fail(twoOutputs);
            if (name == "--thorough") args.settings.bestRecognition = 1;
            if (name == "--report-unread") args.settings.showUndecoded = 1;
            if (name == "--first-look-only") args.settings.firstLookOnly = true;
            if (name == "--recursive") args.recursive = true;
            if (name == "--unordered") args.unordered = true;
            if (name == "--progress") args.progress = ProgressMode::On;
            if (name == "--quiet") args.quiet = true;
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

        if (name == "--format") {
            const std::optional<OutputFormat> format = ParseFormat(value);
            if (!format) return fail(bad);
            if (!choose(*format)) return fail(twoOutputs);
        } else if (name == "--jobs") {
            if (!ParseThreads(value, args.threads)) return fail(bad);
        } else if (name == "--timeout") {
            const std::optional<double> seconds = ParseDouble(value);
            if (!seconds || *seconds <= 0.0) return fail(bad);
            args.timeout = *seconds;
        } else if (name == "--kind") {
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
    if (chosen) args.format = *chosen;
    if (args.info && args.format != OutputFormat::Report && args.format != OutputFormat::Json) {
        return fail("--info needs --report or --json");
    }
    if (args.quiet) args.progress = ProgressMode::Off;
    if (args.kinds.empty()) AddKinds("all", args.kinds);
    outcome.ok = true;
    return outcome;
}

}  // namespace zr::zrread
