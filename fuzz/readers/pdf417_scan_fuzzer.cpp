// Fuzz target: one PDF417 scan over a packed DIB and options built from the input.
#include "scan_fuzzer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    return zr_fuzz::FuzzScan<zr::test::PDF417Reader>(data, size);
}
