// Turns corrected data codewords into bytes: text compaction with its four
// sub-modes, byte compaction (901, 924 and the 913 shift) and numeric
// compaction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zr::pdf417 {

constexpr std::size_t kDecodeBufferSize = 3072;  // output bytes, NUL included

struct DecodedData {
    std::array<char, kDecodeBufferSize> bytes{};  // NUL-terminated
    std::size_t length = 0;                       // bytes before the NUL
    bool truncated = false;                       // output reached the buffer's end and was cut
};

// Decodes codewords[1 .. descriptor-1]; codewords[0] is the length
// descriptor, which must lie in 1 .. dataCapacity (the codewords before the
// error-correction codewords). False, with `out` empty, for a bad length
// descriptor, a value above 928 or a byte group that does not fit.
bool DecodeData(const std::vector<int> &codewords, int dataCapacity, DecodedData &out);

}  // namespace zr::pdf417
