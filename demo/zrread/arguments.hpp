// Command line of zrread.
#ifndef ZR_ZRREAD_ARGUMENTS_HPP
#define ZR_ZRREAD_ARGUMENTS_HPP

#include <string>
#include <vector>

#include "logic/settings.hpp"

namespace zr::zrread {

struct Arguments {
    bool help = false;
    bool info = false;
    bool json = false;
    std::vector<demo::ReaderKind> kinds;  // in the order given, no repeats
    demo::ReadSettings settings;
    std::vector<std::string> files;
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
