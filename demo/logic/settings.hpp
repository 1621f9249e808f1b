// Reading settings of the demonstration program and how they become a reader's options.
#ifndef ZR_DEMO_SETTINGS_HPP
#define ZR_DEMO_SETTINGS_HPP

#include <array>
#include <cstdint>
#include <string>

namespace zr::demo {

enum class ReaderKind : uint8_t { Linear = 0, Pdf417 = 1, DataMatrix = 2, Qr = 3, MicroQr = 4 };
constexpr int kReaderKindCount = 5;

enum class SearchUnit : uint8_t { Pixels = 0, Inches = 1, Centimetres = 2 };

// All eighteen linear symbologies.
constexpr uint32_t kAllLinearTypes = 2093567;  // 0x1FF1FF
constexpr double kInchesPerCentimetre = 0.39370078740157477;

// One set for the whole program; not kept between runs.
struct ReadSettings {
    ReaderKind readerKind = ReaderKind::Linear;
    SearchUnit searchUnit = SearchUnit::Pixels;
    std::array<double, 2> searchStart{0.0, 0.0};  // left, top in searchUnit
    std::array<double, 2> searchSize{0.0, 0.0};   // width, height; 0 = up to the image edge
    // The settings dialog accepts 1 to 1000 while the readers hold 8 bits, so the setting is wider
    // than a reader's option and is clamped when the scanner is filled.
    uint16_t maxSymbols = 20;
    uint8_t bestRecognition = 0;  // linear only: thorough search when 1
    uint8_t showUndecoded = 0;    // linear only: report undecoded symbols when not 0
    uint32_t linearTypes = kAllLinearTypes;
    // The linear types in use when a two-dimensional kind cleared them, given back when the linear
    // kind is chosen again with none checked.
    uint32_t keptLinearTypes = kAllLinearTypes;
    uint8_t barsColourMask = 3;  // bit 0 dark bars, bit 1 light bars
    uint8_t orientation = 15;    // bits 0..3: left-right, right-left, top-bottom, bottom-top
    bool firstLookOnly = false;  // every reader: the first look only, no second look
};

// Search rectangle in image pixels (0 width or height = to the edge).
struct PixelRect {
    uint32_t left = 0;
    uint32_t top = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

// Converts the search area to pixels with the image resolution (dots per inch), each value
// rounded half up. Negative values become 0.
PixelRect SearchRectPixels(const ReadSettings &settings, uint32_t xDpi, uint32_t yDpi);

// Options of the linear reader's scanner record.
struct LinearOptions {
    uint8_t maxResults = 0;
    uint8_t barColors = 0;
    uint8_t directions = 0;
    uint8_t extraFlags = 0;
    uint32_t symbologies = 0;
};

// maxSymbols above 255 is clamped to 255, the largest list a reader can hold.
uint8_t MaxResultsFor(uint16_t maxSymbols);
LinearOptions LinearOptionsFrom(const ReadSettings &settings);

// Symbols menu: a linear type item switches to the linear reader and toggles its bit; the other
// reader items switch kind and clear the linear types (kept in keptLinearTypes). Choosing the
// linear kind with no type checked gives the kept types back.
void ToggleLinearType(ReadSettings &settings, uint32_t typeBit);
void ChooseReaderKind(ReadSettings &settings, ReaderKind kind);
bool IsLinearTypeChecked(const ReadSettings &settings, uint32_t typeBit);

// The linear kind with no type checked reads nothing: the kept types come back. True when they did.
bool RestoreLinearTypes(ReadSettings &settings);

// Rubber-band selection on the image view: the dragged rectangle in view coordinates becomes the
// search area in image pixels (scroll added, divided by the zoom, truncated), clamped to the
// picture of imageWidth x imageHeight pixels. A rectangle that covers no whole pixel of the picture
// (wholly outside it, or too small at a large zoom) leaves the settings and returns false.
bool ApplySelection(ReadSettings &settings, int x0, int y0, int x1, int y1, int scrollX, int scrollY,
                    double zoom, uint32_t imageWidth, uint32_t imageHeight);

// True when the reads search part of the picture only.
bool HasSearchArea(const ReadSettings &settings);
// The search area as the status bar shows it: "Whole picture", or its start and size in its unit,
// e.g. "Area: (20, 250), 698 x 250 px" or "Area: (0.50, 1.00), edge x 2.00 in" (0 = to the edge).
std::string SearchAreaText(const ReadSettings &settings);

}  // namespace zr::demo

#endif  // ZR_DEMO_SETTINGS_HPP
