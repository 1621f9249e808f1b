/* ZrImgRW: reads and writes BMP, PNG, JPEG and TIFF files as ZrImage records. */
#ifndef ZR_ZRIMGRW_H
#define ZR_ZRIMGRW_H

#include <stddef.h>
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
/* File types told apart by their first bytes (ZrDetectImageType). */
#define ZR_IMAGE_UNKNOWN 0
#define ZR_IMAGE_BMP 1
#define ZR_IMAGE_PNG 2
#define ZR_IMAGE_JPEG 3
#define ZR_IMAGE_TIFF 4
/* The type of a file from its first bytes; ZR_IMAGE_UNKNOWN for null or unrecognised bytes. */
ZR_EXPORT uint16_t ZrDetectImageType(const void *bytes, size_t size);
/* Reads a BMP, PNG, JPEG or TIFF (first page) file held in memory, its type told by content:
 * ZR_ERR_UNSUPPORTED (11) when no type matches, ZR_ERR_BAD_ARGUMENT (15) for null bytes;
 * otherwise the codes of the reader for that type. */
ZR_EXPORT uint16_t ZrReadImageMemory(ZrImage *image, const void *bytes, size_t size);
/* Reads a file of any of the four types, told by content, not by its name. */
ZR_EXPORT uint16_t ZrReadImage(ZrImage *image, const char *path);
/* A blank white image of the record's width, height, bitsPerPixel, xDpi, yDpi. */
ZR_EXPORT uint16_t ZrCreateImage(ZrImage *image);
/* Frees the pixel block; a zero-filled record is accepted. */
ZR_EXPORT uint16_t ZrDestroyImage(ZrImage *image);
ZR_EXPORT uint32_t ZrGetImgVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* ZR_ZRIMGRW_H */
