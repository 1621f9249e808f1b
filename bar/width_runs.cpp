// Width-run checkers and decoders.
#include "bar/width_runs.hpp"

#include <cmath>
#include <string_view>

#include "bar/code39.hpp"

namespace zr::bar {
namespace {

// A group's mean rounding error per element must stay below this.
constexpr double kGroupErrorLimit = 0.75;
// The mean rounding error per character must stay below this.
constexpr double kCharacterErrorLimit = 1.65;

constexpr std::size_t kCode39Elements = 9;
constexpr std::size_t kCode39Stride = 10;
constexpr int kCode39Modules = 12;
constexpr std::string_view kCode39StartStop = "010010100";

}  // namespace

double ModuleClasses(const Widths &widths, std::size_t first, std::size_t count, int modules,
                     std::string &classes) {
    if (modules <= 0 || first > widths.size() || count > widths.size() - first) return kRejectedGroup;
    double sum = 0;
    for (std::size_t i = first; i < first + count; ++i) sum += widths[i];
    if (sum <= 0) return kRejectedGroup;
    const double module = sum / modules;
    double error = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        const double r = widths[i] / module;
        const double rounded = std::floor(r + 0.5);
        if (rounded < 1 || rounded > 4) return kRejectedGroup;
        classes += static_cast<char>('0' + static_cast<int>(rounded) - 1);
        error += std::fabs(r - rounded);
    }
    return error;
}

std::uint16_t Code39RunCheck(const Widths &widths) {
    std::string classes;
    const double error = ModuleClasses(widths, 0, kCode39Elements, kCode39Modules, classes);
    if (error == kRejectedGroup || classes != kCode39StartStop) return kNoMatch;
    return error / kCode39Elements < kGroupErrorLimit ? 0 : kNoMatch;
}

std::uint16_t Code39RunDecode(const Widths &widths, char (&text)[kTextSize]) {
    text[0] = '\0';
    const std::size_t n = widths.size();
    if (n < kCode39Elements) return kNoMatch;
    // Every group after the start, the stop included, is a 12-module character.
    const std::size_t k = (n - kCode39Elements) / kCode39Stride;
    if (k == 0) return kNoMatch;

    // The built string has the shape of the line: the gaps, which carry no
    // information, are entered as "0".
    std::string classes;
    classes.reserve(n + 1);
    if (ModuleClasses(widths, 0, kCode39Elements, kCode39Modules, classes) == kRejectedGroup) return kNoMatch;
    double total = 0;
    for (std::size_t i = 0; i < k; ++i) {
        classes += '0';
        const double error = ModuleClasses(widths, kCode39Stride + kCode39Stride * i, kCode39Elements,
                                           kCode39Modules, classes);
        if (error == kRejectedGroup) return kNoMatch;
        total += error;
    }

    const std::uint16_t status = Code39Decode(classes, text);
    if ((status != 0 && status != kCheckFailed) || total / k >= kCharacterErrorLimit) {
        text[0] = '\0';
        return kNoMatch;
    }
    return status;
}

}  // namespace zr::bar
