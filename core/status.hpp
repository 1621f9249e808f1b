// Names of the status codes every reader's exported calls return. A reader's
// internal outcomes are a scoped enum in its own headers, turned into these
// numbers in one function beside its exported entry; running out of memory is
// a std::bad_alloc that the scan frame turns into kNoMemory.
#pragma once

#include <cstdint>

#include "zr/ZrImage.h"

namespace zr::status {

constexpr std::uint16_t kOk = ZR_OK;
constexpr std::uint16_t kNullImage = ZR_ERR_NULL_IMAGE;
constexpr std::uint16_t kEmptyImage = ZR_ERR_EMPTY_IMAGE;
constexpr std::uint16_t kBadFormat = ZR_ERR_BAD_FORMAT;
constexpr std::uint16_t kNoMemory = ZR_ERR_NO_MEMORY;
constexpr std::uint16_t kUnsupported = ZR_ERR_UNSUPPORTED;
constexpr std::uint16_t kFileError = ZR_ERR_FILE;
constexpr std::uint16_t kCorrupt = ZR_ERR_CORRUPT;
constexpr std::uint16_t kNullDib = ZR_ERR_NULL_DIB;
constexpr std::uint16_t kBadArgument = ZR_ERR_BAD_ARGUMENT;
constexpr std::uint16_t kListFull = ZR_ERR_LIST_FULL;

}  // namespace zr::status
