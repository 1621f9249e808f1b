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
    // With EciHandling::kHonour: the ECI designators (927 and its number) with
    // the length at which each takes effect.
    static constexpr std::size_t kMaxEcis = 8;  // more designators than these are not recorded
    struct Eci {
        std::uint32_t eci = 0;
        std::size_t position = 0;
    };
    std::array<Eci, kMaxEcis> ecis{};
    std::size_t eciCount = 0;
};

// How ECI codewords (925, 926, 927) are taken. kAsData is the C record's reading:
// the codeword is passed over and the number after it read as data. kHonour
// notes a 927 designator and passes over the numbers of all three.
enum class EciHandling : std::uint8_t { kAsData, kHonour };

// Decodes codewords[1 .. descriptor-1]; codewords[0] is the length
// descriptor, which must lie in 1 .. dataCapacity (the codewords before the
// error-correction codewords). False, with `out` empty, for a bad length
// descriptor, a value above 928 or a byte group that does not fit.
bool DecodeData(const std::vector<int> &codewords, int dataCapacity, DecodedData &out,
                EciHandling eciHandling = EciHandling::kAsData);

}  // namespace zr::pdf417
