/* Every public header compiles as strict C99, together. */
#include "zr/ZrBar.h"
#include "zr/ZrImage.h"
#include "zr/ZrImgRW.h"
#include "zr/ZrPDF417.h"

static ZrImage image;
static ZrBarScanner scanner;
static ZrBarResult result;
static ZrPDF417Scanner pdf417Scanner;
static ZrPDF417Result pdf417Result;

int main(void) {
    return (int)(image.width + scanner.resultCount + result.type) + pdf417Scanner.resultCount + pdf417Result.rows;
}
