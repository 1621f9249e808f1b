// Command line of zrread.
#ifndef ZR_ZRREAD_ARGUMENTS_HPP
#define ZR_ZRREAD_ARGUMENTS_HPP

#include <string>
#include <vector>

#include "logic/settings.hpp"

namespace zr::zrread {

// What is printed for each picture: one line per symbol (text), one JSON object per picture
// (jsonl), one CSV row per symbol (csv), every reader's report (report), or one JSON object per
// picture and reader (json).
enum class OutputFormat { Text, Jsonl, Csv, Report, Json };

// The progress line on standard error: when it is a terminal, always, or never.
enum class ProgressMode { Auto, On, Off };

struct Arguments {
    bool help = false;
    bool info = false;
    bool recursive = false;  // -r: folders are walked
    bool unordered = false;  // results as they finish, not in input order
    bool quiet = false;      // no progress line and no summary
    unsigned threads = 0;    // -j N; 0: one per core
    double timeout = 0.0;    // seconds a picture may take; 0: no limit
    OutputFormat format = OutputFormat::Text;
    ProgressMode progress = ProgressMode::Auto;
    std::vector<demo::ReaderKind> kinds;  // in the order given, no repeats
    demo::ReadSettings settings;
    std::vector<std::string> files;  // files, folders and "-" (paths from standard input)
};

struct ParseOutcome {
    bool ok = false;
    std::string error;  // a usage error, without the program name
    Arguments arguments;
};

ParseOutcome ParseArguments(int argc, const char *const *argv);

extern const char kHelpText[];

}  // namespace zr::zrread

#endif  // ZR_ZRREAD_ARGUMENTS_HPP
