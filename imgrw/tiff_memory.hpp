// A TIFF file held in memory, opened through libtiff's client interface.
#pragma once

#include <tiffio.h>

#include <cstdint>

namespace zr::imgrw {

// The file's bytes for libtiff to read from. A read that runs past the end means
// the file is shorter than its directory says, which libtiff reports for some
// tags only as a warning; the flag lets the caller fail the read for it.
struct TiffMemory {
    const std::uint8_t *data;
    std::uint64_t size;
    std::uint64_t position;
    bool shortRead;
};

// Opens `memory` for reading (null on failure). libtiff reads strips and tiles
// in place, as from a mapped file; `memory` must outlive the handle.
TIFF *OpenInMemory(const char *name, TiffMemory *memory, TIFFOpenOptions *options);

}  // namespace zr::imgrw
