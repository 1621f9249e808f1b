/* ZrDM: reads ECC 200 DataMatrix symbols (24 square and 6 rectangular sizes). */
#ifndef ZR_ZRDM_H
#define ZR_ZRDM_H

#include <stdint.h>

#include "ZrImage.h"

#ifdef __cplusplus
extern "C" {
#endif

/* scanFlags */
#define ZR_DM_DARK_ON_LIGHT 1u /* search the picture as given */
#define ZR_DM_LIGHT_ON_DARK 2u /* search the inverted picture */
#define ZR_DM_BOTH 3u
#define ZR_DM_FIRST_LOOK_ONLY 0x80u /* only the first look: no second look */

#define ZR_DM_TEXT_SIZE 3119

typedef struct DMResult {
    int32_t corners[8]; /* x0, y0 .. x3, y3, y from the top; reading frame: top-left, top-right,
                           bottom-right, bottom-left (the finder corner) */
    int16_t rows;       /* modules, finder and timing included */
    int16_t columns;
    uint8_t barsColour;         /* 1 dark on light, 2 light on dark */
    char text[ZR_DM_TEXT_SIZE]; /* decoded data, zero-terminated */
} DMResult;

typedef struct ZrDMScanner {
    const void *image; /* caller's packed DIB; never modified */
    uint32_t left;     /* search rectangle, y from the top; 0 size = to the edge */
    uint32_t top;
    uint32_t rectWidth;
    uint32_t rectHeight;
    uint8_t resultCount; /* records found by the last scan */
    DMResult *results;   /* owned by the library until ZrFreeDMScanner */
    uint8_t maxResults;  /* capacity of results; 0 means 20 (written back) */
    uint8_t scanFlags;   /* ZR_DM_*; 0 or above 3 means 3, ZR_DM_FIRST_LOOK_ONLY aside (written
                            back by the scan) */
    double runTime;      /* processor seconds the calling thread spent in the last scan
                            (0 when the picture could not be loaded) */
} ZrDMScanner;

/* A null scanner record gets ZR_ERR_BAD_ARGUMENT (15) from every call, Free included, and so
 * does Get...At for an index outside 0 .. resultCount - 1. A scan writes back resultCount,
 * results and the defaults it applied (maxResults 0 becomes 20; scanFlags 0 or above 3 becomes 3). */
ZR_EXPORT uint32_t ZrDMGetVersion(void);
ZR_EXPORT uint16_t ZrInitDMScanner(ZrDMScanner *scanner);
ZR_EXPORT uint16_t ZrScanDM(ZrDMScanner *scanner);
ZR_EXPORT uint16_t GetDMAt(ZrDMScanner *scanner, int index, DMResult *result);
ZR_EXPORT uint16_t ZrFreeDMScanner(ZrDMScanner *scanner);

#ifdef __cplusplus
}
#endif

#endif /* ZR_ZRDM_H */
