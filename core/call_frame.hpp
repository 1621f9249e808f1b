// The frame every reader's exported calls share: init, scan timing, the
// working image, the rectangle rules, the result list, get-at and free.
// Each reader instantiates it with its scanner record, result record and search.
#pragma once

#include <time.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "core/geom/geom.hpp"
#include "core/grey.hpp"
#include "core/image.hpp"
#include "core/prepare.hpp"

namespace zr {

constexpr std::uint8_t kDefaultMaxResults = 20;

// Search corners of the two-dimensional readers (inclusive ends).
using SearchCorners = geom::SearchBounds;

// Processor time of the calling thread, in seconds. A scan runs on the
// caller's thread alone, so the difference of two readings is the scan's own
// time, whatever other threads of the process do meanwhile (clock() would
// add theirs).
inline double ThreadSeconds() {
    timespec now{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return 0;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Common head defaults; the reader sets its own options afterwards.
template <class Scanner>
std::uint16_t InitScannerHead(Scanner *scanner) {
    if (scanner == nullptr) return ZR_ERR_BAD_ARGUMENT;
    scanner->image = nullptr;
    scanner->left = scanner->top = scanner->rectWidth = scanner->rectHeight = 0;
    scanner->resultCount = 0;
    scanner->results = nullptr;
    scanner->maxResults = kDefaultMaxResults;
    return ZR_OK;
}

// Copies result `index` into the caller's record; 15 when out of range.
template <class Scanner, class Result>
std::uint16_t GetResultAt(const Scanner *scanner, int index, Result *destination) {
    if (scanner == nullptr || destination == nullptr || scanner->results == nullptr)
        return ZR_ERR_BAD_ARGUMENT;
    if (index < 0 || index >= scanner->resultCount || index >= scanner->maxResults)
        return ZR_ERR_BAD_ARGUMENT;
    std::memcpy(destination, &scanner->results[index], sizeof(Result));
    return ZR_OK;
}

template <class Scanner>
std::uint16_t FreeResults(Scanner *scanner) {
    if (scanner == nullptr) return ZR_ERR_BAD_ARGUMENT;
    std::free(scanner->results);
    scanner->results = nullptr;
    return ZR_OK;
}

// Replaces the result list with a zero-filled array of maxResults records.
template <class Scanner>
std::uint16_t PrepareResultList(Scanner *scanner) {
    if (scanner->maxResults == 0) scanner->maxResults = kDefaultMaxResults;
    scanner->resultCount = 0;
    std::free(scanner->results);
    scanner->results = nullptr;
    using Result = std::remove_pointer_t<decltype(scanner->results)>;
    scanner->results = static_cast<Result *>(std::calloc(scanner->maxResults, sizeof(Result)));
    return scanner->results == nullptr ? ZR_ERR_NO_MEMORY : ZR_OK;
}

// Rectangle rules of the linear and PDF417 readers: clamped in place (the
// frame puts the caller's values back after the search).
template <class Scanner>
void ClampRectangle(Scanner *scanner, std::uint32_t width, std::uint32_t height) {
    if (scanner->left >= width) scanner->left = 0;
    if (scanner->top >= height) scanner->top = 0;
    if (scanner->rectWidth == 0 || scanner->rectWidth > width - scanner->left)
        scanner->rectWidth = width - scanner->left;
    if (scanner->rectHeight == 0 || scanner->rectHeight > height - scanner->top)
        scanner->rectHeight = height - scanner->top;
}

// Rectangle rules of the two-dimensional readers: the scanner is not changed.
template <class Scanner>
SearchCorners SearchCornersOf(const Scanner *scanner, std::uint32_t width, std::uint32_t height) {
    SearchCorners c;
    c.x0 = scanner->left < width ? scanner->left : 0;
    c.y0 = scanner->top < height ? scanner->top : 0;
    const std::uint64_t right = std::uint64_t{scanner->left} + scanner->rectWidth;
    const std::uint64_t bottom = std::uint64_t{scanner->top} + scanner->rectHeight;
    c.x1 = scanner->rectWidth != 0 && right <= width ? static_cast<std::uint32_t>(right) : width - 1;
    c.y1 = scanner->rectHeight != 0 && bottom <= height ? static_cast<std::uint32_t>(bottom) : height - 1;
    return c;
}

// Working image owned by one scan call.
struct WorkingImage {
    ZrImage image{};
    WorkingImage() = default;
    WorkingImage(const WorkingImage &) = delete;
    WorkingImage &operator=(const WorkingImage &) = delete;
    ~WorkingImage() { ImageDestroy(&image); }
};

// Loads the caller's DIB and makes it bi-level. 14 when the DIB is null.
inline std::uint16_t LoadBiLevel(const void *dib, ZrImage *work) {
    if (dib == nullptr) return ZR_ERR_NULL_DIB;
    return DibToBiLevel(work, dib);
}

// Loads as LoadBiLevel does and, with `grey` given, keeps a colour picture's
// grey levels there for a second look's preparation.
inline std::uint16_t LoadBiLevelKeepingGrey(const void *dib, ZrImage *work, std::vector<std::uint8_t> *grey) {
    if (dib == nullptr) return ZR_ERR_NULL_DIB;
    return DibToBiLevel(work, dib, grey);
}

enum class RectangleRule { ClampInPlace, Corners };

// Runs `body` and turns any exception into 10 (no memory): nothing may be
// thrown through an exported C function.
template <class Body>
std::uint16_t NoThrow(Body &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return ZR_ERR_NO_MEMORY;
    }
}

// One scan call: timing, `prepare(dib, work)` loading the working image,
// rectangle, result list, then `search(work)` which returns the scan's
// status. For ClampInPlace the caller's rectangle is restored afterwards.
// An exception from any stage ends the scan with 10; the results stored
// until then stay valid and counted.
template <RectangleRule rule, class Scanner, class Prepare, class Search>
std::uint16_t RunScanFrame(Scanner *scanner, Prepare &&prepare, Search &&search) noexcept {
    const double start = ThreadSeconds();
    if (scanner == nullptr) return ZR_ERR_BAD_ARGUMENT;
    const std::uint32_t saved[4] = {scanner->left, scanner->top, scanner->rectWidth, scanner->rectHeight};
    bool prepared = false;
    std::uint16_t status = NoThrow([&]() -> std::uint16_t {
        WorkingImage work;
        std::uint16_t result = prepare(scanner->image, &work.image);
        if (result != ZR_OK) return result;
        prepared = true;
        if (rule == RectangleRule::ClampInPlace) ClampRectangle(scanner, work.image.width, work.image.height);
        result = PrepareResultList(scanner);
        if (result == ZR_OK) result = search(work.image);
        return result;
    });
    const double end = ThreadSeconds();
    if (rule == RectangleRule::ClampInPlace) {
        scanner->left = saved[0];
        scanner->top = saved[1];
        scanner->rectWidth = saved[2];
        scanner->rectHeight = saved[3];
    }
    // A picture that could not be loaded was not scanned: no run time.
    scanner->runTime = prepared ? end - start : 0;
    return status;
}

}  // namespace zr
