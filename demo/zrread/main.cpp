// zrread: reads barcodes from picture files, folders of them or a list on standard input, on
// every core, and prints one line per symbol, JSON lines, CSV rows or every reader's report.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "arguments.hpp"
#include "inputs.hpp"
#include "picture.hpp"
#include "pool.hpp"
#include "progress.hpp"
#include "records.hpp"

namespace zr::zrread {
namespace {

constexpr int kExitFound = 0;
constexpr int kExitNothingFound = 1;
constexpr int kExitError = 2;

void Write(const std::string &text, std::FILE *stream) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stream);
}

// The report names each picture when there may be more than one.
bool ReportNamesFiles(const Arguments &args) {
    if (args.files.size() > 1) return true;
    std::error_code error;
    return args.files[0] == "-" || std::filesystem::is_directory(args.files[0], error);
}

std::string TimeoutError(const std::string &file, double seconds, double limit) {
    char text[96];
    std::snprintf(text, sizeof text, ": timed out: reading took %.2f s, over the limit of %g s", seconds, limit);
    return file + text;
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

    const PictureReader reader(args);
    // Reading stops when a picture is done; a picture over the time limit then counts as failed.
    const auto read = [&reader, &args](const Input &input) {
        const auto start = std::chrono::steady_clock::now();
        PictureResult result = reader.Read(input);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (args.timeout > 0.0 && seconds > args.timeout && result.outcome != Outcome::Failed) {
            result = reader.Failure(input.path, TimeoutError(input.path, seconds, args.timeout));
        }
        return result;
    };

    std::ios::sync_with_stdio(false);  // paths from standard input come through std::cin only
    InputList inputs(args.files, args.recursive, std::cin);
    const bool shown = args.progress == ProgressMode::On || (args.progress == ProgressMode::Auto && isatty(2) != 0);
    Progress progress(shown, stderr);
    const bool report = args.format == OutputFormat::Report;
    const bool namesFiles = report && ReportNamesFiles(args);
    if (args.format == OutputFormat::Csv) Write(kCsvHeader, stdout);

    Tally tally;
    const auto deliver = [&](const Input &input, PictureResult &&result) {
        if (namesFiles) {
            if (tally.pictures != 0) std::fputc('\n', stdout);
            if (result.outcome != Outcome::Failed) std::printf("File: %s\n", input.path.c_str());
        }
        Write(result.out, stdout);
        if (!result.err.empty()) {
            std::fflush(stdout);
            progress.Clear();
            Write(result.err, stderr);
        }
        tally.Count(result.outcome);
    };
    const auto idle = [&] { progress.Update(tally.pictures, inputs.Given(), inputs.Exhausted()); };

    PoolSettings pool;
    pool.threads = args.threads != 0 ? args.threads : std::max(1u, std::thread::hardware_concurrency());
    pool.unordered = args.unordered;
    RunPool(inputs, pool, read, deliver, idle);

    std::fflush(stdout);
    progress.Clear();
    if (!args.quiet && (tally.pictures > 1 || shown)) {
        std::fprintf(stderr, "zrread: %s\n", SummaryText(tally, progress.Seconds()).c_str());
    }
    if (tally.failed == tally.pictures) return kExitError;
    return tally.withSymbols != 0 ? kExitFound : kExitNothingFound;
}

}  // namespace
}  // namespace zr::zrread

int main(int argc, char **argv) {
    const int status = zr::zrread::Run(argc, argv);
    std::fflush(stdout);
    return status;
}
