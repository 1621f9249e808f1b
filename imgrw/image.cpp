// Creating, destroying and versioning image records.
#include "zr/ZrImgRW.h"

#include "core/image.hpp"

extern "C" {

ZR_EXPORT std::uint16_t ZrCreateImage(ZrImage *image) {
    return zr::ImageCreate(image);
}

ZR_EXPORT std::uint16_t ZrDestroyImage(ZrImage *image) {
    return zr::ImageDestroy(image);
}

// Version 1.0: major in the high 16 bits, minor in the low 16 bits.
ZR_EXPORT std::uint32_t ZrGetImgVersion(void) {
    return 0x10000;
}

}  // extern "C"
