// One fuzz body for the five readers: build the picture and options from the
// input, scan, and check what every scan must leave behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "picture_input.hpp"
#include "support/readers.hpp"

namespace zr_fuzz {

[[noreturn]] inline void Fail(const char *reader, const char *what, unsigned value = 0) {
    std::fprintf(stderr, "%s fuzz: %s (%u)\n", reader, what, value);
    std::abort();
}

// Reader option bytes from the prefix.
inline void SetOptions(ZrBarScanner &s, const ScanOptions &o) {
    s.barColors = o.a;
    s.directions = o.b;
    s.extraFlags = o.c;
    s.symbologies = o.symbologies;
}
inline void SetOptions(ZrQRScanner &s, const ScanOptions &o) {
    s.scanFlags = o.a;
}
inline void SetOptions(ZrDMScanner &s, const ScanOptions &o) {
    s.scanFlags = o.a;
}
inline void SetOptions(ZrMicroQRScanner &s, const ScanOptions &o) {
    s.scanFlags = o.a;
}
inline void SetOptions(ZrPDF417Scanner &s, const ScanOptions &o) {
    s.barColors = o.a;
    s.directions = o.b;
}

// Reads every byte of the result's text up to its terminator or its length.
inline std::size_t TextLength(const QRResult &r) {
    return r.length;
}
inline std::size_t TextLength(const MicroQRResult &r) {
    return r.length;
}
template <typename Result>
std::size_t TextLength(const Result &r) {
    return strnlen(r.text, sizeof r.text);
}
inline std::size_t TextCapacity(const QRResult &r) {
    return sizeof r.text;
}
inline std::size_t TextCapacity(const MicroQRResult &r) {
    return sizeof r.text;
}
template <typename Result>
std::size_t TextCapacity(const Result &r) {
    return sizeof r.text - 1;  // room for the terminator
}

template <typename Reader>
std::uint16_t ScanAndCheck(typename Reader::Scanner &s, const std::vector<std::uint8_t> &dib,
                           const ScanOptions &o) {
    const std::uint32_t rect[4] = {s.left, s.top, s.rectWidth, s.rectHeight};
    const std::uint16_t status = Reader::Scan(&s);
    if (!Reader::Public(status)) Fail(Reader::kName, "internal status reached the caller", status);
    if (s.left != rect[0] || s.top != rect[1] || s.rectWidth != rect[2] || s.rectHeight != rect[3])
        Fail(Reader::kName, "rectangle not given back");
    if (s.image != dib.data()) Fail(Reader::kName, "image pointer changed");
    const unsigned capacity = o.maxResults == 0 ? 20u : o.maxResults;
    if (s.resultCount > capacity) Fail(Reader::kName, "more results than the list holds", s.resultCount);
    if (s.resultCount > 0 && s.results == nullptr) Fail(Reader::kName, "results counted but missing");
    typename Reader::Result r{};
    for (int i = 0; i < s.resultCount; ++i) {
        if (Reader::GetAt(&s, i, &r) != 0) Fail(Reader::kName, "get-at refused a stored result", unsigned(i));
        if (TextLength(r) > TextCapacity(r)) Fail(Reader::kName, "text longer than its field");
    }
    std::memset(&r, 0xA5, sizeof r);
    if (Reader::GetAt(&s, s.resultCount, &r) != ZR_ERR_BAD_ARGUMENT)
        Fail(Reader::kName, "get-at past the end");
    return status;
}

template <typename Reader>
int FuzzScan(const std::uint8_t *data, std::size_t size) {
    Picture picture;
    if (!BuildPicture(data, size, picture)) return -1;
    const ScanOptions &o = picture.options;
    // The block sits alone on the heap, so a read past its end is caught.
    const std::vector<std::uint8_t> before = picture.dib;

    typename Reader::Scanner s{};
    if (Reader::Init(&s) != 0) Fail(Reader::kName, "init failed");
    s.image = picture.dib.data();
    s.maxResults = o.maxResults;
    SetOptions(s, o);
    if (o.useRectangle) {
        s.left = o.left;
        s.top = o.top;
        s.rectWidth = o.width;
        s.rectHeight = o.height;
    }
    const std::uint16_t status = ScanAndCheck<Reader>(s, picture.dib, o);
    // ZR_FUZZ_PRINT=1 shows what each input read, e.g. to see that the seeds decode.
    static const bool print = std::getenv("ZR_FUZZ_PRINT") != nullptr;
    if (print) {
        std::fprintf(stderr, "%s: status %u, %u results", Reader::kName, status, unsigned(s.resultCount));
        typename Reader::Result r{};
        for (int i = 0; i < s.resultCount; ++i) {
            Reader::GetAt(&s, i, &r);
            std::fprintf(stderr, " \"%.*s\"", int(TextLength(r)), reinterpret_cast<const char *>(r.text));
        }
        std::fprintf(stderr, "\n");
    }
    if (o.scanTwice) {
        const std::uint8_t count = s.resultCount;
        std::vector<std::string> texts;
        typename Reader::Result r{};
        for (int i = 0; i < count; ++i) {
            Reader::GetAt(&s, i, &r);
            texts.push_back(std::string(reinterpret_cast<const char *>(r.text), TextLength(r)));
        }
        // Scanning again without freeing replaces the list with the same answer.
        if (ScanAndCheck<Reader>(s, picture.dib, o) != status || s.resultCount != count)
            Fail(Reader::kName, "a second scan answered differently");
        for (int i = 0; i < count; ++i) {
            Reader::GetAt(&s, i, &r);
            if (texts[std::size_t(i)] != std::string(reinterpret_cast<const char *>(r.text), TextLength(r)))
                Fail(Reader::kName, "a second scan read another text", unsigned(i));
        }
    }
    if (picture.dib != before) Fail(Reader::kName, "the caller's picture was written");
    if (Reader::Free(&s) != 0 || s.results != nullptr) Fail(Reader::kName, "free left the list");
    if (Reader::Free(&s) != 0) Fail(Reader::kName, "second free failed");
    return 0;
}

}  // namespace zr_fuzz
