#include "settings.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "format.hpp"
#include "zr/ZrBar.h"

namespace zr::demo {
namespace {

// x + 0.5, then the integer part; kept inside the unsigned 32-bit range.
uint32_t RoundHalfUp(double value) {
    if (!(value > 0.0)) return 0;  // also NaN
    const double rounded = std::floor(value + 0.5);
    constexpr double kMax = std::numeric_limits<uint32_t>::max();
    return rounded >= kMax ? std::numeric_limits<uint32_t>::max() : static_cast<uint32_t>(rounded);
}

uint32_t ToPixels(double value, SearchUnit unit, uint32_t dpi) {
    switch (unit) {
        case SearchUnit::Inches:
            return RoundHalfUp(value * dpi);
        case SearchUnit::Centimetres:
            return RoundHalfUp(value * dpi * kInchesPerCentimetre);
        case SearchUnit::Pixels:
        default:
            return RoundHalfUp(value);
    }
}

uint32_t TruncateToPixels(double value) {
    if (!(value > 0.0)) return 0;
    constexpr double kMax = std::numeric_limits<uint32_t>::max();
    return value >= kMax ? std::numeric_limits<uint32_t>::max() : static_cast<uint32_t>(value);
}

}  // namespace

PixelRect SearchRectPixels(const ReadSettings &settings, uint32_t xDpi, uint32_t yDpi) {
    const SearchUnit unit = settings.searchUnit;
    PixelRect rect;
    rect.left = ToPixels(settings.searchStart[0], unit, xDpi);
    rect.top = ToPixels(settings.searchStart[1], unit, yDpi);
    rect.width = ToPixels(settings.searchSize[0], unit, xDpi);
    rect.height = ToPixels(settings.searchSize[1], unit, yDpi);
    return rect;
}

uint8_t MaxResultsFor(uint16_t maxSymbols) {
    return static_cast<uint8_t>(std::min<uint16_t>(maxSymbols, 255));
}

LinearOptions LinearOptionsFrom(const ReadSettings &settings) {
    LinearOptions options;
    options.maxResults = MaxResultsFor(settings.maxSymbols);
    options.barColors = settings.barsColourMask;
    options.directions = settings.orientation;
    options.extraFlags =
        static_cast<uint8_t>((settings.bestRecognition == 1 ? 1 : 0) | (settings.showUndecoded != 0 ? 2 : 0) |
                             (settings.firstLookOnly ? ZR_BAR_FIRST_LOOK_ONLY : 0));
    options.symbologies = settings.linearTypes;
    return options;
}

void ToggleLinearType(ReadSettings &settings, uint32_t typeBit) {
    settings.readerKind = ReaderKind::Linear;
    settings.linearTypes ^= typeBit;
}

void ChooseReaderKind(ReadSettings &settings, ReaderKind kind) {
    settings.readerKind = kind;
    if (kind == ReaderKind::Linear) {
        RestoreLinearTypes(settings);
        return;
    }
    if (settings.linearTypes != 0) settings.keptLinearTypes = settings.linearTypes;
    settings.linearTypes = 0;
}

bool RestoreLinearTypes(ReadSettings &settings) {
    if (settings.readerKind != ReaderKind::Linear || settings.linearTypes != 0 ||
        settings.keptLinearTypes == 0)
        return false;
    settings.linearTypes = settings.keptLinearTypes;
    return true;
}

bool IsLinearTypeChecked(const ReadSettings &settings, uint32_t typeBit) {
    return settings.readerKind == ReaderKind::Linear && (settings.linearTypes & typeBit) != 0;
}

bool ApplySelection(ReadSettings &settings, int x0, int y0, int x1, int y1, int scrollX, int scrollY,
                    double zoom, uint32_t imageWidth, uint32_t imageHeight) {
    if (!(zoom > 0.0)) return false;
    const int left = std::min(x0, x1), right = std::max(x0, x1);
    const int top = std::min(y0, y1), bottom = std::max(y0, y1);
    // Both corners are turned into image pixels and kept on the picture; the size is their difference.
    auto toPixels = [zoom](int view, int scroll, uint32_t limit) {
        return std::min(TruncateToPixels((static_cast<double>(view) + scroll) / zoom), limit);
    };
    const uint32_t imageLeft = toPixels(left, scrollX, imageWidth);
    const uint32_t imageTop = toPixels(top, scrollY, imageHeight);
    const uint32_t imageRight = toPixels(right, scrollX, imageWidth);
    const uint32_t imageBottom = toPixels(bottom, scrollY, imageHeight);
    // A size of 0 would mean "to the edge": a selection that covers no whole pixel selects nothing.
    if (imageRight <= imageLeft || imageBottom <= imageTop) return false;
    settings.searchUnit = SearchUnit::Pixels;
    settings.searchStart = {static_cast<double>(imageLeft), static_cast<double>(imageTop)};
    settings.searchSize = {static_cast<double>(imageRight - imageLeft),
                           static_cast<double>(imageBottom - imageTop)};
    return true;
}

bool HasSearchArea(const ReadSettings &settings) {
    for (const double value :
         {settings.searchStart[0], settings.searchStart[1], settings.searchSize[0], settings.searchSize[1]}) {
        if (value > 0.0) return true;  // negative values count as 0
    }
    return false;
}

std::string SearchAreaText(const ReadSettings &settings) {
    if (!HasSearchArea(settings)) return "Whole picture";
    const bool pixels = settings.searchUnit == SearchUnit::Pixels;
    const char *unit = pixels ? "px" : settings.searchUnit == SearchUnit::Inches ? "in" : "cm";
    auto number = [pixels](double value) { return Format(pixels ? "%.0f" : "%.2f", std::max(0.0, value)); };
    auto extent = [&number](double value) { return value > 0.0 ? number(value) : std::string("edge"); };
    return "Area: (" + number(settings.searchStart[0]) + ", " + number(settings.searchStart[1]) + "), " +
           extent(settings.searchSize[0]) + " x " + extent(settings.searchSize[1]) + " " + unit;
}

}  // namespace zr::demo
