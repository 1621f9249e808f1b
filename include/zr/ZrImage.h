/* ZrImage: the image record shared by every ZrReaders library, and the
 * status codes their exported calls return. */
#ifndef ZR_ZRIMAGE_H
#define ZR_ZRIMAGE_H

#include <stdint.h>

/* Marks the exported calls of the shared libraries. */
#ifndef ZR_EXPORT
#if defined(__GNUC__)
#define ZR_EXPORT __attribute__((visibility("default")))
#else
#define ZR_EXPORT
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A picture held as one packed device-independent bitmap block: a 40-byte
 * BITMAPINFOHEADER, a palette (2 or 256 entries, none for 24 bits), then
 * bottom-up rows of `pitch` bytes. A record whose `dib` is null is empty;
 * an all-zero record is a valid empty record. */
typedef struct ZrImage {
    uint32_t width;        /* pixels per row */
    uint32_t height;       /* number of rows */
    uint16_t bitsPerPixel; /* 1, 8 or 24 */
    int32_t pitch;         /* bytes per stored row, a multiple of 4 */
    uint32_t size;         /* bytes of pixel data: height * pitch */
    void *dib;             /* header, palette and pixels; null when empty */
    void *bits;            /* first pixel row inside dib */
    uint32_t xDpi;         /* horizontal resolution, dots per inch */
    uint32_t yDpi;         /* vertical resolution, dots per inch */
    uint32_t reserved;     /* unused, zero */
    uint16_t polarity;     /* 1 bit: 1 = bit value 0 is dark, 0 = bit value 1 is dark */
} ZrImage;

/* Status codes. 0 is success (also when nothing was found). */
#define ZR_OK 0
#define ZR_ERR_NULL_IMAGE 1    /* null image record */
#define ZR_ERR_EMPTY_IMAGE 2   /* image record holds no pixels */
#define ZR_ERR_BAD_FORMAT 3    /* bits per pixel not 1, 8 or 24, or a DIB that cannot be read */
#define ZR_ERR_NO_MEMORY 10    /* memory allocation failed */
#define ZR_ERR_UNSUPPORTED 11  /* file type not supported */
#define ZR_ERR_FILE 12         /* file cannot be opened, read or written */
#define ZR_ERR_CORRUPT 13      /* file truncated or corrupt */
#define ZR_ERR_NULL_DIB 14     /* the scanner record's image is null */
#define ZR_ERR_BAD_ARGUMENT 15 /* null scanner record, or index out of range */
#define ZR_ERR_LIST_FULL 16    /* result list full */

#ifdef __cplusplus
}
#endif

#endif /* ZR_ZRIMAGE_H */
