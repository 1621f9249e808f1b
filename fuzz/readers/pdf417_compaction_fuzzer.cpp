// Fuzz target: PDF417 text, byte and numeric compaction over arbitrary
// corrected codewords. Input: two bytes for the data capacity (value % 1000),
// a flag byte (bit 0: codewords as given, also above 928; else value % 929),
// then the codewords, two bytes each (at most 928).
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "pdf417/data.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 3 || (size - 3) / 2 > 928) return -1;
    const int capacity = (data[0] | data[1] << 8) % 1000;
    const bool raw = (data[2] & 1) != 0;
    std::vector<int> codewords;
    for (std::size_t i = 3; i + 1 < size; i += 2) {
        const int value = data[i] | data[i + 1] << 8;
        codewords.push_back(raw ? value : value % 929);
    }
    static zr::pdf417::DecodedData out;
    const bool decoded = zr::pdf417::DecodeData(codewords, capacity, out);
    if (!decoded && out.length != 0) std::abort();  // a failed decoding leaves nothing behind
    if (out.length >= out.bytes.size() || out.bytes[out.length] != '\0') {
        std::fprintf(stderr, "pdf417 compaction fuzz: length %zu\n", out.length);
        std::abort();
    }
    return 0;
}
