// Edges of grey-level profiles.
#include "core/edges/grey_edges.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace zr::edges {
namespace {

// Differences either side of a slope's peak that place its edge.
constexpr int kCentroidReach = 1;

}  // namespace

// Per block: the lowest and highest level of its samples.
void GreyEdgeFinder::BlockExtremes(const std::uint8_t *profile, int n) {
    constexpr int kBlock = GreyEdgeSettings::kBlock;
    const int blocks = (n + kBlock - 1) / kBlock;
    blockMin_.resize(static_cast<std::size_t>(blocks));
    blockMax_.resize(static_cast<std::size_t>(blocks));
    // Whole blocks in a loop of fixed count over bytes, which the compiler
    // turns into a few vector minimum and maximum steps; then the last block.
    const int whole = n / kBlock;
    for (int b = 0; b < whole; ++b) {
        const std::uint8_t *p = profile + b * kBlock;
        std::uint8_t low = 255, high = 0;
        for (int i = 0; i < kBlock; ++i) {
            low = std::min(low, p[i]);
            high = std::max(high, p[i]);
        }
        blockMin_[static_cast<std::size_t>(b)] = low;
        blockMax_[static_cast<std::size_t>(b)] = high;
    }
    for (int b = whole; b < blocks; ++b) {
        const std::uint8_t *p = profile + b * kBlock;
        const int count = n - b * kBlock;
        int low = 255, high = 0;
        for (int i = 0; i < count; ++i) {
            low = std::min<int>(low, p[i]);
            high = std::max<int>(high, p[i]);
        }
        blockMin_[static_cast<std::size_t>(b)] = low;
        blockMax_[static_cast<std::size_t>(b)] = high;
    }
}

// The threshold of the edges whose peak lies in block b, from the range of
// levels over the block and kReach blocks either side. Worked out when a
// slope first needs it and kept for the line (kUnknown until then): most
// slopes of a line fall below the least threshold and need none.
int GreyEdgeFinder::Threshold(int b) {
    int &threshold = threshold_[static_cast<std::size_t>(b)];
    if (threshold != kUnknown) return threshold;
    const auto blocks = static_cast<int>(blockMin_.size());
    int low = 255, high = 0;
    for (int k = std::max(0, b - GreyEdgeSettings::kReach);
         k <= std::min(blocks - 1, b + GreyEdgeSettings::kReach); ++k) {
        low = std::min(low, blockMin_[static_cast<std::size_t>(k)]);
        high = std::max(high, blockMax_[static_cast<std::size_t>(k)]);
    }
    threshold = std::max(
        {settings_.minContrast, noiseFloor_, relativeThreshold_[static_cast<std::size_t>(high - low)]});
    return threshold;
}

GreyEdgeFinder::GreyEdgeFinder(GreyEdgeSettings settings) : settings_(settings) {
    for (std::size_t range = 0; range < relativeThreshold_.size(); ++range)
        relativeThreshold_[range] =
            static_cast<int>(std::ceil(settings_.rangeShare * static_cast<double>(range)));
}

// Appends an edge, merging it into the last one when both have one sense.
void GreyEdgeFinder::Emit(double position, int change) {
    if (!edges_.empty() && (edges_.back().change > 0) == (change > 0)) {
        GreyEdge &last = edges_.back();
        const double a = std::abs(last.change), b = std::abs(change);
        last.position = (last.position * a + position * b) / (a + b);
        last.change += change;
        return;
    }
    edges_.push_back({position, change});
}

const std::vector<GreyEdge> &GreyEdgeFinder::Find(const std::uint8_t *profile, int n) {
    edges_.clear();
    if (n < 2) return edges_;
    // No slope changes by more than the line's range: a line flatter than
    // the smallest change an edge needs has none (most lines of an empty
    // picture), found without walking its slopes.
    BlockExtremes(profile, n);
    const int lowest = *std::min_element(blockMin_.begin(), blockMin_.end());
    const int highest = *std::max_element(blockMax_.begin(), blockMax_.end());
    if (highest - lowest < std::max(settings_.minContrast, noiseFloor_)) return edges_;
    threshold_.assign(blockMin_.size(), kUnknown);
    // Every threshold is at least this: a slope changing less is no edge,
    // told from its ends alone (most slopes of noise).
    const int least = std::max(settings_.minContrast, noiseFloor_);
    const std::uint8_t *p = profile;
    const int last = n - 1;
    int i = 0;
    while (i < last) {
        if (p[i + 1] == p[i]) {
            ++i;
            continue;
        }
        // One slope: differences of one sense, with flat steps inside it.
        const int start = i;
        const int sense = p[i + 1] > p[i] ? 1 : -1;
        if (sense > 0) {
            while (i < last && p[i + 1] >= p[i]) ++i;
        } else {
            while (i < last && p[i + 1] <= p[i]) ++i;
        }
        // The slope's differences add up to the change between its ends.
        const int change = (p[i] - p[start]) * sense;
        if (change < least) continue;
        // Its steepest difference, the first of equals.
        int peak = 0, peakAt = start;
        for (int k = start; k < i; ++k) {
            const int d = (p[k + 1] - p[k]) * sense;
            if (d > peak) {
                peak = d;
                peakAt = k;
            }
        }
        if (change < Threshold(peakAt / GreyEdgeSettings::kBlock)) continue;
        // The centroid of the differences within kCentroidReach of the peak, within the slope.
        long moment = 0, weight = 0;
        for (int k = std::max(start, peakAt - kCentroidReach); k <= std::min(i - 1, peakAt + kCentroidReach);
             ++k) {
            const int d = (p[k + 1] - p[k]) * sense;
            moment += static_cast<long>(k - peakAt) * d;
            weight += d;
        }
        Emit(peakAt + 0.5 + static_cast<double>(moment) / static_cast<double>(weight), change * sense);
    }
    return edges_;
}

int NoiseFloor(const std::uint8_t *levels, int width, int height) {
    constexpr int kRowStep = 8;
    constexpr int kBlock = GreyEdgeSettings::kBlock;
    constexpr double kPercentile = 0.05;
    constexpr double kMultiple = 4.5;
    std::array<std::uint32_t, 256> blocks{};  // blocks by their mean difference
    std::uint32_t count = 0;
    for (int y = kRowStep / 2; y < height; y += kRowStep) {
        const std::uint8_t *row = levels + static_cast<std::ptrdiff_t>(y) * width;
        for (int x = 0; x + kBlock < width; x += kBlock) {
            int sum = 0;
            for (int i = x; i < x + kBlock; ++i) sum += std::abs(row[i + 1] - row[i]);
            ++blocks[static_cast<std::size_t>(sum / kBlock)];
            ++count;
        }
    }
    const auto wanted = static_cast<std::uint32_t>(kPercentile * count);
    std::uint32_t seen = 0;
    for (std::size_t mean = 0; mean < blocks.size(); ++mean) {
        seen += blocks[mean];
        if (seen > wanted) return static_cast<int>(kMultiple * static_cast<double>(mean));
    }
    return 0;
}

const std::vector<GreyEdge> &GreyEdgeFinder::FindOutside(const std::uint8_t *profile, int n,
                                                         const std::vector<SkippedStretch> &skipped) {
    if (skipped.empty()) return Find(profile, n);
    joined_.clear();
    int from = 0;
    const auto searchUpTo = [&](int to) {
        if (to - from < 2) return;
        for (const GreyEdge &e : Find(profile + from, to - from)) {
            if (!joined_.empty() && (joined_.back().change > 0) == (e.change > 0)) continue;
            joined_.push_back({e.position + from, e.change});
        }
    };
    for (const SkippedStretch &stretch : skipped) {
        searchUpTo(std::clamp(static_cast<int>(std::floor(stretch.from)), 0, n));
        from = std::max(from, std::clamp(static_cast<int>(std::ceil(stretch.to)) + 1, 0, n));
    }
    searchUpTo(n);
    return joined_;
}

}  // namespace zr::edges
