/* ZrQR: reads QR Code symbols, versions 1 to 40, located by their three
 * finder patterns. */
#ifndef ZR_ZRQR_H
#define ZR_ZRQR_H

#include <stdint.h>

#include "ZrImage.h"

#ifdef __cplusplus
extern "C" {
#endif

/* scanFlags */
#define ZR_QR_DARK_ON_LIGHT 1 /* search the picture as given */
#define ZR_QR_LIGHT_ON_DARK 2 /* search the inverted picture */
#define ZR_QR_FIRST_LOOK_ONLY 0x80 /* only the first look: no second look */

/* Internal statuses that ZrScanQR can return: the status of the last finder
 * triple it tried. resultCount, not the status, tells whether symbols were read. */
#define ZR_QR_CORRECTION_FAILED 5008 /* codewords could not be corrected */
#define ZR_QR_DATA_ENDED 5015        /* the data stream ended inside a field */
#define ZR_QR_MODE_NOT_DECODED 5016  /* a mode that is not decoded */
#define ZR_QR_TRIPLE_REJECTED 65535  /* triangle, version or format test failed */

typedef struct QRResult {
    int32_t corners[8];  /* x0, y0 .. x3, y3, y from the top: corner finder, the finder along
                            the first row, the corner without a finder, the remaining finder */
    uint8_t version;     /* 1..40, from the finder spacing; size is 4 x version + 17 modules */
    uint8_t barsColour;  /* 1 found as given, 2 found in the inverted picture */
    uint16_t confidence; /* 0..100: share of codewords left unchanged by correction */
    uint16_t length;     /* decoded bytes in text (which may hold zero bytes) */
    char text[7090];     /* decoded bytes, then zero bytes to the end */
} QRResult;

typedef struct ZrQRScanner {
    const void *image; /* caller's packed DIB; never modified */
    uint32_t left;     /* search rectangle, y from the top; 0 size = to the edge */
    uint32_t top;
    uint32_t rectWidth;
    uint32_t rectHeight;
    uint8_t resultCount; /* records found by the last scan */
    QRResult *results;   /* owned by the library until ZrFreeQRScanner */
    uint8_t maxResults;  /* capacity of results; 0 means 20 (written back) */
    uint8_t scanFlags;   /* ZR_QR_DARK_ON_LIGHT | ZR_QR_LIGHT_ON_DARK; default 3; neither bit
                            set means 3 (written back) */
    double runTime;      /* processor seconds the calling thread spent in the last scan
                            (0 when the picture could not be loaded) */
} ZrQRScanner;

/* A null scanner record gets ZR_ERR_BAD_ARGUMENT (15) from every call, Free included, and so
 * does Get...At for an index outside 0 .. resultCount - 1. A scan writes back resultCount,
 * results and the defaults it applied (maxResults 0 becomes 20; scanFlags with neither bit set becomes 3). */
ZR_EXPORT uint32_t ZrQRGetVersion(void);
ZR_EXPORT uint16_t ZrInitQRScanner(ZrQRScanner *scanner);
ZR_EXPORT uint16_t ZrScanQR(ZrQRScanner *scanner);
ZR_EXPORT uint16_t GetQRAt(ZrQRScanner *scanner, int index, QRResult *result);
ZR_EXPORT uint16_t ZrFreeQRScanner(ZrQRScanner *scanner);

#ifdef __cplusplus
}
#endif

#endif /* ZR_ZRQR_H */
