// Fuzz target: Micro QR data segments over arbitrary corrected codewords.
// Input: version byte, level byte (a value above 127 takes the data bit count
// from the next byte instead of the version's table), then up to 24 codewords.
#include <cstdio>
#include <cstdlib>

#include "microqr/candidate.hpp"

namespace mqr = zr::microqr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 3 || size - 3 > mqr::kMaxCodewords) return -1;
    const int version = data[0] % 6;  // 0 and 5 do not exist
    const bool fromTable = data[1] < 128;
    const int dataBits = fromTable ? mqr::MicroDataBits(version, data[1] % 3) : data[2] - 8;
    mqr::Codewords codewords{};
    for (std::size_t i = 3; i < size; ++i) codewords[i - 3] = data[i];
    static zr::qr::DecodedText text;
    text.Clear();
    mqr::DecodeMicroSegments(codewords, dataBits, version, text);
    // A symbol's whole text fits its result record (terminator included).
    if (fromTable && dataBits > 0 && text.length > sizeof(MicroQRResult{}.text) - 1) {
        std::fprintf(stderr, "micro qr segments fuzz: %zu bytes from M%d\n", text.length, version);
        std::abort();
    }
    return 0;
}
