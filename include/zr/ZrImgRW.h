/* ZrImgRW: reads and writes BMP, PNG, JPEG and TIFF files as ZrImage records. */
#ifndef ZR_ZRIMGRW_H
#define ZR_ZRIMGRW_H

#include <stdint.h>

#include "ZrImage.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Reads fill an empty record with a bottom-up packed DIB of 1, 8 or 24 bits;
 * on failure they return a non-zero status and leave the record empty.
 * Writes never change the record. */
ZR_EXPORT uint16_t ZrReadBMP(ZrImage *image, const char *path);
ZR_EXPORT uint16_t ZrReadPNG(ZrImage *image, const char *path);
ZR_EXPORT uint16_t ZrReadJPG(ZrImage *image, const char *path);
ZR_EXPORT uint16_t ZrReadTIF(ZrImage *image, const char *path, int page);
ZR_EXPORT uint16_t ZrWriteBMP(const ZrImage *image, const char *path);
ZR_EXPORT uint16_t ZrWritePNG(const ZrImage *image, const char *path);
ZR_EXPORT uint16_t ZrWriteJPG(const ZrImage *image, const char *path);
ZR_EXPORT uint16_t ZrWriteTIF(const ZrImage *image, const char *path, int page);
/* A blank white image of the record's width, height, bitsPerPixel, xDpi, yDpi. */
ZR_EXPORT uint16_t ZrCreateImage(ZrImage *image);
/* Frees the pixel block; a zero-filled record is accepted. */
ZR_EXPORT uint16_t ZrDestroyImage(ZrImage *image);
ZR_EXPORT uint32_t ZrGetImgVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* ZR_ZRIMGRW_H */
