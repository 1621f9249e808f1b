// Fuzz target: ZrReadTIF over arbitrary bytes, first and second page.
#include "fuzz_input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static zr_fuzz::MemoryFile file;
    const char *path = file.Put(data, size);
    for (int page = 0; page < 2; ++page)
        zr_fuzz::CheckReads([path, page](ZrImage *image) { return ZrReadTIF(image, path, page); });
    return 0;
}
