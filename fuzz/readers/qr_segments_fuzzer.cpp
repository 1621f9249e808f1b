// Fuzz target: QR Code data segments over arbitrary corrected codewords.
// Input: version byte (1 + value % 40), then the data codewords (at most the
// largest symbol's 2956).
#include <cstdlib>
#include <vector>

#include "qr/segments.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    constexpr std::size_t kMaxDataCodewords = 2956;
    if (size < 1 || size - 1 > kMaxDataCodewords) return -1;
    const int version = 1 + data[0] % 40;
    // The codewords alone on the heap, so that a read past the last one is caught.
    const std::vector<std::uint8_t> codewords(data + 1, data + size);
    static zr::qr::DecodedText text;
    text.Clear();
    zr::qr::DecodeSegments(codewords.data(), codewords.size(), version, text);
    if (text.length > text.bytes.size()) std::abort();
    return 0;
}
