#include "progress.hpp"

#include <cmath>

namespace zr::zrread {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kRedrawEvery{200};
constexpr int kSecondsPerMinute = 60;

std::string Format(const char *format, double a, double b = 0.0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

void Tally::Count(Outcome outcome) {
    ++pictures;
    if (outcome == Outcome::Found) ++withSymbols;
    if (outcome == Outcome::Empty) ++without;
    if (outcome == Outcome::Failed) ++failed;
}

std::string ProgressText(std::size_t done, std::size_t known, bool allKnown, double seconds) {
    std::string text = std::to_string(done) + "/" + std::to_string(known) + (allKnown ? "" : "+") + " pictures";
    if (seconds <= 0.0 || done == 0) return text;
    const double rate = static_cast<double>(done) / seconds;
    text += Format(", %.1f per second", rate);
    if (allKnown) {
        const double left = std::ceil(static_cast<double>(known - done) / rate);
        text += Format(", %.0f:%02.0f left", std::floor(left / kSecondsPerMinute), std::fmod(left, kSecondsPerMinute));
    }
    return text;
}

std::string SummaryText(const Tally &tally, double seconds) {
    std::string text = std::to_string(tally.pictures) + " pictures: " + std::to_string(tally.withSymbols) +
                       " with symbols, " + std::to_string(tally.without) + " without, " +
                       std::to_string(tally.failed) + " failed; " + Format("%.2f s", seconds);
    if (seconds > 0.0) text += Format(" (%.1f per second)", static_cast<double>(tally.pictures) / seconds);
    return text;
}

Progress::Progress(bool shown, std::FILE *stream)
    : shown_(shown), stream_(stream), start_(Clock::now()), lastDrawn_(start_ - kRedrawEvery) {}

double Progress::Seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

void Progress::Update(std::size_t done, std::size_t known, bool allKnown) {
    if (!shown_) return;
    const Clock::time_point now = Clock::now();
    if (now - lastDrawn_ < kRedrawEvery) return;
    lastDrawn_ = now;
    const std::string text = "zrread: " + ProgressText(done, known, allKnown, Seconds());
    // Spaces over what a longer line before left on screen.
    const std::string padding(width_ > text.size() ? width_ - text.size() : 0, ' ');
    std::fprintf(stream_, "\r%s%s", text.c_str(), padding.c_str());
    std::fflush(stream_);
    width_ = text.size();
}

void Progress::Clear() {
    if (width_ == 0) return;
    std::fprintf(stream_, "\r%s\r", std::string(width_, ' ').c_str());
    std::fflush(stream_);
    width_ = 0;
    lastDrawn_ = Clock::now() - kRedrawEvery;
}

}  // namespace zr::zrread
