// libtiff's client procedures over a file held in memory.
#include "imgrw/tiff_memory.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zr::imgrw {
namespace {

TiffMemory *MemoryOf(thandle_t handle) {
    return static_cast<TiffMemory *>(handle);
}

tmsize_t MemoryRead(thandle_t handle, void *buffer, tmsize_t wanted) {
    TiffMemory *m = MemoryOf(handle);
    if (wanted < 0) return -1;
    const std::uint64_t available = m->position < m->size ? m->size - m->position : 0;
    const std::uint64_t count = std::min<std::uint64_t>(available, static_cast<std::uint64_t>(wanted));
    if (count < static_cast<std::uint64_t>(wanted)) m->shortRead = true;
    if (count) std::memcpy(buffer, m->data + m->position, static_cast<std::size_t>(count));
    m->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t MemoryWrite(thandle_t, void *, tmsize_t) {
    return -1;
}

toff_t MemorySeek(thandle_t handle, toff_t offset, int whence) {
    TiffMemory *m = MemoryOf(handle);
    const std::uint64_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? m->size : 0;
    m->position = base + offset;  // unsigned wrap-around gives back relative moves
    return m->position;
}

int MemoryClose(thandle_t) {
    return 0;
}
toff_t MemorySize(thandle_t handle) {
    return MemoryOf(handle)->size;
}
// The file is in memory already: libtiff reads strips and tiles in place.
int MemoryMap(thandle_t handle, void **base, toff_t *size) {
    TiffMemory *m = MemoryOf(handle);
    *base = const_cast<std::uint8_t *>(m->data);
    *size = m->size;
    return 1;
}
void MemoryUnmap(thandle_t, void *, toff_t) {}

}  // namespace

TIFF *OpenInMemory(const char *name, TiffMemory *memory, TIFFOpenOptions *options) {
    return TIFFClientOpenExt(name, "r", memory, MemoryRead, MemoryWrite, MemorySeek, MemoryClose, MemorySize,
                             MemoryMap, MemoryUnmap, options);
}

}  // namespace zr::imgrw
