// The progress line on standard error while a batch runs, and the summary after it.
#ifndef ZR_ZRREAD_PROGRESS_HPP
#define ZR_ZRREAD_PROGRESS_HPP

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

#include "picture.hpp"

namespace zr::zrread {

// Pictures of the batch by outcome.
struct Tally {
    std::size_t pictures = 0;
    std::size_t withSymbols = 0;
    std::size_t without = 0;
    std::size_t failed = 0;

    void Count(Outcome outcome);
};

// "done/total pictures, N per second, M:SS left"; total "N+" while the input is not all known.
std::string ProgressText(std::size_t done, std::size_t known, bool allKnown, double seconds);

// "P pictures: W with symbols, N without, F failed; S s (R per second)"
std::string SummaryText(const Tally &tally, double seconds);

class Progress {
  public:
    Progress(bool shown, std::FILE *stream);
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    // Redraws the line, at most a few times a second.
    void Update(std::size_t done, std::size_t known, bool allKnown);
    // Takes the line away so that other text can be written to the stream.
    void Clear();
    double Seconds() const;

  private:
    bool shown_;
    std::FILE *stream_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDrawn_;
    std::size_t width_ = 0;  // of the line on screen; 0 when none is
};

}  // namespace zr::zrread

#endif  // ZR_ZRREAD_PROGRESS_HPP
