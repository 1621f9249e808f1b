// Fuzz target: ZrReadPNG over arbitrary bytes.
#include "fuzz_input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static zr_fuzz::MemoryFile file;
    ZrImage image{};
    zr_fuzz::CheckRead(ZrReadPNG(&image, file.Put(data, size)), &image);
    ZrDestroyImage(&image);
    return 0;
}
