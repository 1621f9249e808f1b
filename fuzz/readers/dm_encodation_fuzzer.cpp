// Fuzz target: DataMatrix encodations over arbitrary corrected data codewords.
// Input: two bytes for the text capacity (0: the reader's own), then the data
// codewords (at most the largest symbol's 1558).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dm/codewords.hpp"
#include "dm/symbol.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    constexpr std::size_t kMaxDataCodewords = 1558;
    if (size < 2 || size - 2 > kMaxDataCodewords) return -1;
    const int asked = data[0] | data[1] << 8;
    const int capacity = asked == 0 ? zr::dm::kTextCapacity : 1 + asked % zr::dm::kTextCapacity;
    // Codewords and text alone on the heap, at their exact sizes.
    const std::vector<std::int32_t> codewords(data + 2, data + size);
    std::vector<char> text(static_cast<std::size_t>(capacity), '\x7F');
    zr::dm::DecodeDMData(codewords.data(), static_cast<int>(codewords.size()), text.data(), capacity);
    if (std::memchr(text.data(), '\0', text.size()) == nullptr) {
        std::fprintf(stderr, "dm encodation fuzz: text not terminated within %d bytes\n", capacity);
        std::abort();
    }
    return 0;
}
