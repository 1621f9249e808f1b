/* ZrBar: reads linear barcodes of eighteen symbologies. */
#ifndef ZR_ZRBAR_H
#define ZR_ZRBAR_H

#include <stdint.h>

#include "ZrImage.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Symbology bits: the `symbologies` option and the `type` of a result. */
#define ZR_BAR_INDUSTRIAL_2OF5 0x1u
#define ZR_BAR_INVERTED_2OF5 0x2u
#define ZR_BAR_INTERLEAVED_2OF5 0x4u
#define ZR_BAR_IATA_2OF5 0x8u
#define ZR_BAR_MATRIX_2OF5 0x10u
#define ZR_BAR_CODE39 0x20u
#define ZR_BAR_CODABAR 0x40u
#define ZR_BAR_BCD_MATRIX 0x80u
#define ZR_BAR_DATALOGIC_2OF5 0x100u
#define ZR_BAR_CODE128 0x1000u
#define ZR_BAR_EAN128 0x2000u
#define ZR_BAR_CODE93 0x4000u
#define ZR_BAR_EAN13 0x8000u
#define ZR_BAR_UPCA 0x10000u
#define ZR_BAR_EAN8 0x20000u
#define ZR_BAR_UPCE 0x40000u
#define ZR_BAR_ADDON5 0x80000u
#define ZR_BAR_ADDON2 0x100000u
#define ZR_BAR_ALL 0x1FF1FFu

/* barColors / barColor */
#define ZR_BAR_DARK_BARS 1u
#define ZR_BAR_LIGHT_BARS 2u

/* directions */
#define ZR_BAR_LEFT_TO_RIGHT 1u
#define ZR_BAR_RIGHT_TO_LEFT 2u
#define ZR_BAR_TOP_TO_BOTTOM 4u
#define ZR_BAR_BOTTOM_TO_TOP 8u
#define ZR_BAR_ALL_DIRECTIONS 15u

/* extraFlags */
#define ZR_BAR_THOROUGH 1u
#define ZR_BAR_REPORT_UNREAD 2u
#define ZR_BAR_FIRST_LOOK_ONLY 0x80u /* only the first look: no second look on grey levels */

typedef struct ZrBarResult {
    int32_t corners[8]; /* x0, y0 .. x3, y3: start edge, then end edge, y from the top */
    uint32_t type;      /* symbology bit */
    double angle;       /* reading direction, degrees, 0 <= angle < 360 */
    uint8_t barColor;   /* 1 dark bars, 2 light bars */
    uint8_t checksum;   /* 1 when the check character(s) verified */
    char text[86];      /* zero-terminated; "???" for an unread symbol */
} ZrBarResult;

typedef struct ZrBarScanner {
    const void *image; /* caller's packed DIB; never modified */
    uint32_t left;     /* search rectangle, y from the top; 0 size = to the edge */
    uint32_t top;
    uint32_t rectWidth;
    uint32_t rectHeight;
    uint8_t resultCount;  /* records found by the last scan */
    ZrBarResult *results; /* owned by the library until ZrFreeBarScanner */
    uint8_t maxResults;   /* capacity of results; 0 means 20 (written back) */
    uint8_t barColors;    /* default 3; neither bit set means 3 (written back) */
    uint8_t directions;   /* default 15 (also searches the diagonals); no bit set means 15
                             (written back) */
    uint8_t extraFlags;   /* default 0 */
    uint32_t symbologies; /* default ZR_BAR_ALL; 0 means ZR_BAR_ALL (written back) */
    double runTime;       /* processor seconds the calling thread spent in the last scan
                             (0 when the picture could not be loaded) */
} ZrBarScanner;

/* A null scanner record gets ZR_ERR_BAD_ARGUMENT (15) from every call, Free included, and so
 * does Get...At for an index outside 0 .. resultCount - 1. A scan writes back resultCount,
 * results and the defaults it applied (maxResults 0 becomes 20; barColors, directions and symbologies
 * without a meaningful bit become 3, 15 and ZR_BAR_ALL; the search rectangle is left as given). */
ZR_EXPORT uint32_t ZrBarGetVersion(void);
ZR_EXPORT uint16_t ZrInitBarScanner(ZrBarScanner *scanner);
ZR_EXPORT uint16_t ZrScanBar(ZrBarScanner *scanner);
ZR_EXPORT uint16_t GetBarcodeAt(ZrBarScanner *scanner, int index, ZrBarResult *result);
ZR_EXPORT uint16_t ZrFreeBarScanner(ZrBarScanner *scanner);

#ifdef __cplusplus
}
#endif

#endif /* ZR_ZRBAR_H */
