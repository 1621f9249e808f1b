// One scan of a picture with any reader (its traits in readers.hpp): the
// record set up by the reader's Init, adjusted by `configure`, scanned, the
// results copied out with Get...At and the record freed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/readers.hpp"
#include "support/render.hpp"

namespace zr::test {

template <class Reader>
struct ScanOutcome {
    std::uint16_t status = 0;
    std::vector<typename Reader::Result> results;
    typename Reader::Scanner after{};  // the record as the scan left it (results freed)

    std::string Text(std::size_t i = 0) const {
        return i < results.size() ? Reader::Text(results[i]) : std::string("<none>");
    }
};

template <class Reader>
ScanOutcome<Reader> ScanWith(const std::vector<std::uint8_t> &dib,
                             const std::function<void(typename Reader::Scanner &)> &configure = {}) {
    typename Reader::Scanner scanner;
    EXPECT_EQ(Reader::Init(&scanner), 0);
    scanner.image = dib.data();
    if (configure) configure(scanner);
    ScanOutcome<Reader> outcome;
    outcome.status = Reader::Scan(&scanner);
    for (int i = 0; i < scanner.resultCount; ++i) {
        typename Reader::Result r;
        EXPECT_EQ(Reader::GetAt(&scanner, i, &r), 0);
        outcome.results.push_back(r);
    }
    EXPECT_EQ(Reader::Free(&scanner), 0);
    outcome.after = scanner;
    return outcome;
}

// The picture as a packed DIB of `bitsPerPixel` bits, then ScanWith.
template <class Reader>
ScanOutcome<Reader> ScanWith(const Raster &picture, int bitsPerPixel = 8,
                             const std::function<void(typename Reader::Scanner &)> &configure = {}) {
    return ScanWith<Reader>(ToDib(picture, bitsPerPixel), configure);
}

}  // namespace zr::test
