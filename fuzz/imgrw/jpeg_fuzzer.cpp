// Fuzz target: ZrReadJPG over arbitrary bytes.
#include "fuzz_input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static zr_fuzz::MemoryFile file;
    const char *path = file.Put(data, size);
    zr_fuzz::CheckReads([path](ZrImage *image) { return ZrReadJPG(image, path); });
    return 0;
}
