/* ZrMicroQR: reads Micro QR symbols (M1 to M4) located by their single
 * finder pattern. */
#ifndef ZR_ZRMICROQR_H
#define ZR_ZRMICROQR_H

#include <stdint.h>

#include "ZrImage.h"

#ifdef __cplusplus
extern "C" {
#endif

/* scanFlags */
#define ZR_MICROQR_DARK_ON_LIGHT 1u /* search the picture as given */
#define ZR_MICROQR_LIGHT_ON_DARK 2u /* search the inverted picture as well */
#define ZR_MICROQR_FIRST_LOOK_ONLY 0x80u /* only the first look: no second look */

/* Statuses of the last attempt that ZrScanMicroQR may return besides the
 * common codes; resultCount, not the status, tells whether symbols were read. */
#define ZR_MICROQR_CORRECTION_FAILED 5008u /* the codewords could not be corrected */
#define ZR_MICROQR_DATA_ENDED 5015u        /* the data bits ended inside a field */
#define ZR_MICROQR_NO_CORNERS 10001u       /* finder corners not built, or corner area outside */
#define ZR_MICROQR_MODE_NOT_DECODED 10002u /* a mode value the version does not decode */
#define ZR_MICROQR_NO_FORMAT 65535u        /* no format word matched, or a module outside */

/* barsColour of a result */
#define ZR_MICROQR_FOUND_AS_GIVEN 1u
#define ZR_MICROQR_FOUND_INVERTED 2u

typedef struct MicroQRResult {
    int32_t corners[8];  /* x0, y0 .. x3, y3, y from the top: 0 the finder's outer corner,
                            1 the end of the first row, 2 opposite, 3 the end of the first column */
    uint8_t version;     /* 1..4 for M1..M4 */
    uint8_t barsColour;  /* 1 found as given, 2 in the inverted picture */
    uint16_t confidence; /* 0..100: share of codewords needing no correction */
    uint16_t length;     /* decoded bytes in text */
    uint8_t text[38];    /* decoded bytes, then zero bytes (Kanji as Shift JIS) */
} MicroQRResult;

typedef struct ZrMicroQRScanner {
    const void *image; /* caller's packed DIB; never modified */
    uint32_t left;     /* search rectangle, y from the top; 0 size = to the edge */
    uint32_t top;
    uint32_t rectWidth;
    uint32_t rectHeight;
    uint8_t resultCount;    /* records found by the last scan */
    MicroQRResult *results; /* owned by the library until ZrFreeMicroQRScanner */
    uint8_t maxResults;     /* capacity of results; 0 means 20 (written back) */
    uint8_t scanFlags;      /* default 3; neither bit set means 3 (written back) */
    double runTime;         /* processor seconds the calling thread spent in the last scan
                               (0 when the picture could not be loaded) */
} ZrMicroQRScanner;

/* A null scanner record gets ZR_ERR_BAD_ARGUMENT (15) from every call, Free included, and so
 * does Get...At for an index outside 0 .. resultCount - 1. A scan writes back resultCount,
 * results and the defaults it applied (maxResults 0 becomes 20; scanFlags with neither bit set becomes 3). */
ZR_EXPORT uint32_t ZrMicroQRGetVersion(void);
ZR_EXPORT uint16_t ZrInitMicroQRScanner(ZrMicroQRScanner *scanner);
ZR_EXPORT uint16_t ZrScanMicroQR(ZrMicroQRScanner *scanner);
ZR_EXPORT uint16_t GetMicroQRAt(ZrMicroQRScanner *scanner, int index, MicroQRResult *result);
ZR_EXPORT uint16_t ZrFreeMicroQRScanner(ZrMicroQRScanner *scanner);

#ifdef __cplusplus
}
#endif

#endif /* ZR_ZRMICROQR_H */
