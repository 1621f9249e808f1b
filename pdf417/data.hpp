// Turns corrected data codewords into bytes: text compaction with its four
// sub-modes, byte compaction (901, 924 and the 913 shift) and numeric
// compaction. ECI designators and the Macro PDF417 control block are read
// into their own fields, never into the text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zr::pdf417 {

constexpr std::size_t kDecodeBufferSize = 3072;  // output bytes, NUL included
constexpr int kNoEci = -1;
constexpr int kNoSegmentField = -1;
constexpr std::size_t kFileIdStore = 32;  // file ID codewords kept; longer IDs are cut

// What a Macro PDF417 control block (ISO/IEC 15438, 928 ... [923 fields] [922])
// says about the symbol's place in a structured append.
struct MacroBlock {
    bool present = false;
    int segmentIndex = kNoSegmentField;  // 0 .. 99998
    int segmentCount = kNoSegmentField;  // from the optional segment count field
    bool lastSegment = false;            // the block ended with the terminator 922
    std::array<int, kFileIdStore> fileId{};
    std::size_t fileIdLength = 0;
};

struct DecodedData {
    std::array<char, kDecodeBufferSize> bytes{};  // NUL-terminated
    std::size_t length = 0;                       // bytes before the NUL
    bool truncated = false;                       // output reached the buffer's end and was cut
    int eci = kNoEci;                             // the first ECI designator met; bytes stay as they are
    // Every ECI designator with the length of the text at which it takes effect.
    static constexpr std::size_t kMaxEcis = 8;  // more designators than these are not recorded
    struct Eci {
        std::uint32_t eci = 0;
        std::size_t position = 0;
    };
    std::array<Eci, kMaxEcis> ecis{};
    std::size_t eciCount = 0;
    MacroBlock macro;
    bool compact = false;  // a compact symbol: no right row indicator, a one-module stop (set by the scan)
};

// Decodes codewords[1 .. descriptor-1]; codewords[0] is the length
// descriptor, which must lie in 1 .. dataCapacity (the codewords before the
// error-correction codewords). False, with `out` empty, for a bad length
// descriptor, a value above 928, a byte group that does not fit or an ECI
// designator without its arguments.
bool DecodeData(const std::vector<int> &codewords, int dataCapacity, DecodedData &out);

}  // namespace zr::pdf417
