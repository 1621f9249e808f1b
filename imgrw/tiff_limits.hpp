// Bounds of a TIFF page checked before its picture is allocated.
#pragma once

#include <tiffio.h>

#include <cstdint>

namespace zr::imgrw {

// Most libtiff may allocate at once while reading a file of `fileSize` bytes.
tmsize_t TiffMaxSingleAlloc(std::uint64_t fileSize);

// 13 when the directory at `offset` or the data of one of its tags runs past the
// end of `file` (tags of unknown types are left to libtiff, which ignores them).
std::uint16_t CheckDirectoryBytes(const std::uint8_t *file, std::uint64_t fileSize, std::uint64_t offset);

// 13 when the current page's strips or tiles cannot hold its picture: a strip or
// tile past the end of the file, stored bytes adding up to more than the file,
// or one whose decoded size is more than its compression can give from its
// stored bytes. Uncompressed data must be there in full.
std::uint16_t CheckStoredBytes(TIFF *tif, std::uint64_t fileSize);

}  // namespace zr::imgrw
