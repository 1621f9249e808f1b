// Start-pattern search of one pass: probe runs along the scan line, confirm
// them on a second line, track the bar edges down further lines and fit the
// bar direction; each confirmed candidate is handed on for measuring.
#include <algorithm>
#include <cstdlib>

#include "core/lines/bit_cursor.hpp"
#include "pdf417/stages.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kLineGap = 7;        // between scan lines
constexpr int kConfirmOffset = 5;  // confirmation and tracking lines
constexpr int kProbeRuns = 8;
constexpr int kTrackRuns = 9;
constexpr int kTrackLines = 7;
constexpr int kMaxShift = 8;
constexpr int kResumeAfter = 15;
constexpr int kPixelLimit = 4000;  // pixels one collection may walk
constexpr int kLineCapacity = 1000;

// Coordinates of a pass: u along the scan line, v across the lines.
struct PassAxes {
    bool vertical;
    PointI At(int u, int v) const { return vertical ? PointI{v, u} : PointI{u, v}; }
    int U(PointI p) const { return vertical ? p.y : p.x; }
    int V(PointI p) const { return vertical ? p.x : p.y; }
};

struct Window {
    int first = 0;  // index of the first run in the second line
    int u = 0;      // where it starts
    std::array<std::uint16_t, kProbeRuns> runs{};
};

// Candidate test of the eight probe runs (dark first).
bool CandidateRuns(const std::uint16_t *widths) {
    int maxDark = 0, maxLight = 0, minLight = 1 << 30;
    for (int i = 0; i < kProbeRuns; ++i) {
        const int w = widths[i];
        if (i % 2 == 0) {
            maxDark = std::max(maxDark, w);
        } else {
            maxLight = std::max(maxLight, w);
            minLight = std::min(minLight, w);
        }
    }
    return maxDark <= 12 * maxLight && maxLight <= 3 * maxDark && maxLight <= 6 * minLight && maxDark >= 3 &&
           maxDark <= 200 && maxLight >= 3 && maxLight <= 200;
}

// One call of NextStart: walks the pass's lines from `resume` with the
// search's buffers.
class PassSearch {
  public:
    explicit PassSearch(StartSearch &search)
        : image_(search.image),
          search_(search),
          axes_{search.settings.vertical},
          cursor_(search.image),
          view_(search.image),
          scanLine_(search.scanLine),
          probe_(search.probe),
          line_(search.line) {
        const Rect &a = search.settings.area;
        uEnd_ = axes_.vertical ? a.y1 : a.x1;
        uBegin_ = axes_.vertical ? a.y0 : a.x0;
        vEnd_ = axes_.vertical ? a.x1 : a.y1;
    }

    std::optional<StartCandidate> Next() {
        PointI &scan = search_.resume;
        for (;;) {
            int u = axes_.U(scan);
            const int v = axes_.V(scan);
            if (v >= vEnd_) return std::nullopt;
            if (search_.scanLineAt != v) {
                scanLine_.Read(view_, search_.settings.area, axes_.At(uBegin_, v), axes_.vertical);
                search_.scanChangesListed = false;
                search_.scanLineAt = v;
            }
            bool lineDone = false;
            while (!lineDone) {
                u = NextDark(u);
                if (u >= uEnd_) break;
                lines::RunEnd status = lines::RunEnd::Plausible;
                int stopU = 0;
                // Most probes fill their eight runs: the listed changes give the widths the
                // collection would, and the collection would stop where the eighth run ends.
                // Those that fail the candidate test move on at once.
                std::uint16_t *const widths = probe_.widths.data();
                if (!search_.scanChangesListed) {
                    search_.scanChanges.Read(scanLine_);
                    search_.scanChangesListed = true;
                }
                if (search_.scanChanges.FullWidths(u - uBegin_, kProbeRuns, kPixelLimit, widths)) {
                    if (!CandidateRuns(widths)) {
                        u += widths[0] + widths[1];
                        continue;
                    }
                    stopU = u;
                    for (int i = 0; i < kProbeRuns; ++i) stopU += widths[i];
                } else {
                    probe_.startX = axes_.At(u, v).x;
                    probe_.startY = axes_.At(u, v).y;
                    probe_.pixelLimit = kPixelLimit;
                    status = scanLine_.Collect(probe_, u - uBegin_);
                    stopU = axes_.U({probe_.stopX, probe_.stopY});
                }
                if (status == lines::RunEnd::LeftArea) {
                    lineDone = true;
                } else if (status == lines::RunEnd::Gap) {
                    u = std::max(stopU, u + 1);
                } else if (!CandidateRuns(probe_.widths.data())) {
                    u += probe_.widths[0] + probe_.widths[1];
                } else {
                    const std::optional<StartCandidate> candidate = Candidate(u, v);
                    // The horizontal pass resumes 15 pixels after the candidate, the vertical one where its
                    // runs ended, whether or not the candidate turns out to be a symbol.
                    const int resume = axes_.vertical ? std::max(stopU, u + 1) : stopU + kResumeAfter;
                    scan = axes_.At(resume, v);
                    if (candidate) return candidate;
                    u = resume;
                }
            }
            scan = axes_.At(uBegin_, v + kLineGap);
        }
    }

  private:
    // First dark pixel of the line from u on, or uEnd_.
    int NextDark(int u) const {
        if (u >= uEnd_) return uEnd_;
        return uBegin_ + scanLine_.NextChange(u - uBegin_, false);
    }

    // Collects runs from u on the line `ahead` times kConfirmOffset on from the scan line v.
    int CollectAhead(int u, int v, int ahead, int pixelLimit, int capacity) {
        const int lineV = v + kConfirmOffset * ahead;
        line_.startX = axes_.At(u, lineV).x;
        line_.startY = axes_.At(u, lineV).y;
        line_.pixelLimit = static_cast<std::uint16_t>(std::min(pixelLimit, kPixelLimit));
        line_.capacity = static_cast<std::uint16_t>(capacity);
        lines::RunCollect(line_, image_);
        return line_.elements;
    }

    // Finds the candidate's first four runs on the line kConfirmOffset further on.
    bool Confirm(int u0, int v, int length, Window &window) {
        const int v2 = v + kConfirmOffset;
        if (v2 >= vEnd_) return false;
        const int from = std::max(uBegin_, u0 - kResumeAfter);
        const int count = CollectAhead(from, v, 1, length + 30, 1000);
        int best = -1, bestSum = length;
        for (int s = line_.startsLight ? 1 : 0; s + kProbeRuns <= count; s += 2) {
            int sum = 0;
            bool close = true;
            for (int i = 0; i < 4 && close; ++i) {
                const int d = std::abs(line_.widths[s + i] - probe_.widths[i]);
                close = d <= 2;
                sum += d;
            }
            if (close && sum < bestSum) {
                best = s;
                bestSum = sum;
            }
        }
        if (best < 0) return false;
        window.first = best;
        window.u = from;
        for (int i = 0; i < best; ++i) window.u += line_.widths[i];
        for (int i = 0; i < kProbeRuns; ++i) window.runs[i] = line_.widths[best + i];
        return true;
    }

    // Edge points of a line whose runs start at u: x0 and the four shifts of the bar pairs.
    void AddPoints(int u, int v, const std::uint16_t *runs, const Window &window) {
        int line = 0, reference = 0;
        for (int m = 0; m <= 4; ++m) {
            if (m > 0) {
                line += runs[2 * m - 2] + runs[2 * m - 1];
                reference += window.runs[2 * m - 2] + window.runs[2 * m - 1];
            }
            const int pu = u + line - reference;
            search_.edgePoints.push_back(axes_.vertical ? PointF{double(v), double(pu)}
                                                        : PointF{double(pu), double(v)});
        }
    }

    std::optional<StartCandidate> Candidate(int u0, int v) {
        int length = 0;
        for (int i = 0; i < kProbeRuns; ++i) length += probe_.widths[i];
        Window window;
        if (!Confirm(u0, v, length, window)) return std::nullopt;

        search_.edgePoints.clear();
        AddPoints(u0, v, probe_.widths.data(), window);
        AddPoints(window.u, v + kConfirmOffset, window.runs.data(), window);
        int lines = 2;
        int shift = window.u - u0;
        int last = window.u;
        for (int k = 1; k <= kTrackLines && std::abs(shift) < kMaxShift; ++k) {
            const int vk = v + kConfirmOffset * (k + 1);
            if (vk >= vEnd_) break;
            int u = last + shift;
            if (u < uBegin_ || u >= uEnd_) break;
            u = AlignToEdge(u, vk);
            if (u < 0) {
                last += shift;
                continue;
            }
            if (CollectAhead(u, v, k + 1, kPixelLimit, kTrackRuns) < kProbeRuns) {
                last += shift;
                continue;
            }
            int differences = 0, total = 0;
            bool close = true;
            for (int i = 0; i < kProbeRuns && close; ++i) {
                const int d = std::abs(line_.widths[i] - window.runs[i]);
                close = d <= 2;
                differences += d;
                total += line_.widths[i];
            }
            if (!close || total < 3 * differences) {
                last += shift;
                continue;
            }
            AddPoints(u, vk, line_.widths.data(), window);
            ++lines;
            shift = u - last;
            last = u;
        }
        if (lines < 3) return std::nullopt;
        const std::uint8_t mode = axes_.vertical ? lines::kHorizontal : lines::kVertical;
        const std::optional<double> fitted =
            lines::LineFitAngle(search_.edgePoints.data(), static_cast<int>(search_.edgePoints.size()), mode);
        if (!fitted) return std::nullopt;
        const double fit = *fitted;
        StartCandidate candidate;
        candidate.start = axes_.At(window.u, v + kConfirmOffset);
        int darkSum = 0, lightSum = 0;
        for (int i = 0; i < kProbeRuns; ++i) (i % 2 == 0 ? darkSum : lightSum) += window.runs[i];
        // The window starts on a run of the candidate's (dark) phase.
        candidate.meanDark = darkSum / 4.0;
        candidate.meanLight = lightSum / 4.0;
        candidate.angle = NormalizeAngle(axes_.vertical ? fit - 90 : fit + 90);
        return candidate;
    }

    // The start of the dark run at or near u on line v: back over dark pixels,
    // or forward over at most 3 light ones; -1 when no edge is near.
    int AlignToEdge(int u, int v) {
        cursor_.MoveTo(axes_.At(u, v));
        const std::uint8_t forward = axes_.vertical ? lines::kStepDown : lines::kStepRight;
        const std::uint8_t backward = axes_.vertical ? lines::kStepUp : lines::kStepLeft;
        if (cursor_.Dark()) {
            for (int k = 0; k < kMaxShift && u > uBegin_; ++k) {
                cursor_.Step(backward);
                if (!cursor_.Dark()) return u;
                --u;
            }
            return u;
        }
        for (int k = 0; k < 3; ++k) {
            if (u + 1 >= uEnd_) return -1;
            cursor_.Step(forward);
            ++u;
            if (cursor_.Dark()) return u;
        }
        return -1;
    }

    const ZrImage &image_;
    StartSearch &search_;
    PassAxes axes_;
    lines::BitCursor cursor_;
    BitImageView view_;
    lines::AxisLine &scanLine_;  // the scan line's pixels, which the probes collect from
    lines::RunScan &probe_;
    lines::RunScan &line_;
    int uBegin_ = 0, uEnd_ = 0, vEnd_ = 0;
};

}  // namespace

StartSearch::StartSearch(const ZrImage &searched, const ScanSettings &passSettings)
    : image(searched), settings(passSettings), resume{passSettings.area.x0, passSettings.area.y0} {
    const std::uint8_t direction = settings.vertical ? lines::kTopToBottom : lines::kLeftToRight;
    for (lines::RunScan *scan : {&probe, &line}) {
        scan->area = settings.area;
        scan->direction = direction;
    }
    probe.capacity = kProbeRuns;
    line.capacity = kLineCapacity;
    // The widths buffers are sized once here for the whole pass.
    probe.widths.assign(probe.capacity + 1u, 0);
    line.widths.assign(line.capacity + 1u, 0);
}

std::optional<StartCandidate> NextStart(StartSearch &search) {
    return PassSearch(search).Next();
}

}  // namespace zr::pdf417
