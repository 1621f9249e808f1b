// zrread: reads barcodes from image files with the demonstration program's logic and prints
// the report, or one JSON object per file and reader.
#include <cstdio>
#include <string>
#include <vector>

#include "arguments.hpp"
#include "logic/document.hpp"
#include "logic/json.hpp"
#include "logic/read.hpp"
#include "logic/report.hpp"

namespace zr::zrread {
namespace {

constexpr int kExitFound = 0;
constexpr int kExitNothingFound = 1;
constexpr int kExitError = 2;

void PrintLines(const std::vector<std::string> &lines) {
    for (const std::string &line : lines) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
}

void PrintReport(const demo::Document &document) {
    PrintLines(demo::ReportHeadLines(document.state));
    const size_t shown = document.state.symbolCount;
    for (size_t i = 0; i < shown; ++i) {
        const std::vector<std::string> details = demo::DetailLines(document, i);
        if (details.empty()) continue;
        std::printf("Barcode no: %d\n", static_cast<int>(i));
        PrintLines(details);
    }
}

// Opens and reads one file with every chosen reader. Returns false when the file cannot be opened.
bool ProcessFile(const std::string &file, const Arguments &args, bool withHeader, bool &found) {
    demo::Document document;
    const demo::FileOutcome opened = demo::OpenImage(document, file.c_str());
    if (!opened.ok) {
        std::fprintf(stderr, "zrread: %s: %s\n", file.c_str(), opened.message);
        return false;
    }
    if (!args.json) {
        if (withHeader) std::printf("File: %s\n", file.c_str());
        if (args.info) PrintLines(demo::ImageInfoLines(document.image));
    }
    demo::ReadSettings settings = args.settings;
    for (const demo::ReaderKind kind : args.kinds) {
        settings.readerKind = kind;
        demo::ReadSymbols(document, settings);
        if (document.state.symbolCount != 0) found = true;
        if (args.json) {
            PrintLines({demo::ReadJsonLine(file, kind, document, args.info)});
        } else {
            PrintReport(document);
        }
    }
    return true;
}

int Run(int argc, const char *const *argv) {
    const ParseOutcome parsed = ParseArguments(argc, argv);
    if (!parsed.ok) {
        std::fprintf(stderr, "zrread: %s\nTry 'zrread --help' for more information.\n", parsed.error.c_str());
        return kExitError;
    }
    const Arguments &args = parsed.arguments;
    if (args.help) {
        std::fputs(kHelpText, stdout);
        return kExitFound;
    }
    bool found = false;
    bool failed = false;
    const bool withHeader = args.files.size() > 1;
    for (size_t i = 0; i < args.files.size(); ++i) {
        if (withHeader && !args.json && i != 0) std::fputc('\n', stdout);
        if (!ProcessFile(args.files[i], args, withHeader, found)) failed = true;
    }
    if (failed) return kExitError;
    return found ? kExitFound : kExitNothingFound;
}

}  // namespace
}  // namespace zr::zrread

int main(int argc, char **argv) {
    const int status = zr::zrread::Run(argc, argv);
    std::fflush(stdout);
    return status;
}
