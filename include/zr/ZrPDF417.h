/* ZrPDF417: reads PDF417 symbols whose rows run horizontally or vertically. */
#ifndef ZR_ZRPDF417_H
#define ZR_ZRPDF417_H

#include <stdint.h>

#include "ZrImage.h"

#ifdef __cplusplus
extern "C" {
#endif

/* barColors / barColor */
#define ZR_PDF417_DARK_BARS 1u
#define ZR_PDF417_LIGHT_BARS 2u

/* directions: either bit of a pair runs that pass */
#define ZR_PDF417_HORIZONTAL 3u /* rows lie roughly along x */
#define ZR_PDF417_VERTICAL 12u  /* rows lie roughly along y */
#define ZR_PDF417_ALL_DIRECTIONS 15u
#define ZR_PDF417_FIRST_LOOK_ONLY 0x80u /* in directions: only the first look, no second look */

typedef struct ZrPDF417Result {
    int32_t corners[8]; /* x, y pairs, y from the top: 1 and 4 on the start side, 2 and 3 on the stop
                           side; 1 and 2 bound the first row read, 3 and 4 the last */
    double angle;       /* degrees, 0 <= angle < 360: start side towards stop side */
    uint8_t barColor;   /* 1 dark bars, 2 light bars */
    uint8_t ecLevel;    /* error-correction level 0 to 8 */
    int16_t confidence; /* percent of codewords that needed no correction */
    int16_t rows;       /* symbol rows read */
    int16_t columns;    /* codeword columns with both row indicators (data columns + 2) */
    char text[1024];    /* decoded data, NUL-terminated, at most 1023 bytes */
} ZrPDF417Result;

typedef struct ZrPDF417Scanner {
    const void *image; /* caller's packed DIB; never modified */
    uint32_t left;     /* search rectangle, y from the top; 0 size = to the edge */
    uint32_t top;
    uint32_t rectWidth;
    uint32_t rectHeight;
    uint8_t resultCount;     /* records found by the last scan */
    ZrPDF417Result *results; /* owned by the library until ZrFreePDF417Scanner */
    uint8_t maxResults;      /* capacity of results; 0 means 20 (written back) */
    uint8_t barColors;       /* default 3; neither bit set means 3 (written back) */
    uint8_t directions;      /* default 15; no bit set means 15 (written back) */
    double runTime;          /* processor seconds the calling thread spent in the last scan
                                (0 when the picture could not be loaded) */
} ZrPDF417Scanner;

/* A null scanner record gets ZR_ERR_BAD_ARGUMENT (15) from every call, Free included, and so
 * does Get...At for an index outside 0 .. resultCount - 1. A scan writes back resultCount,
 * results and the defaults it applied (maxResults 0 becomes 20; barColors and directions without a
 * meaningful bit become 3 and 15; the search rectangle is left as given). */
ZR_EXPORT uint32_t ZrPDF417GetVersion(void);
ZR_EXPORT uint16_t ZrInitPDF417Scanner(ZrPDF417Scanner *scanner);
ZR_EXPORT uint16_t ZrScanPDF417(ZrPDF417Scanner *scanner);
ZR_EXPORT uint16_t GetPDF417At(ZrPDF417Scanner *scanner, int index, ZrPDF417Result *result);
ZR_EXPORT uint16_t ZrFreePDF417Scanner(ZrPDF417Scanner *scanner);

#ifdef __cplusplus
}
#endif

#endif /* ZR_ZRPDF417_H */
