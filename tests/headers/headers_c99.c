/* Every public header compiles as strict C99, together. */
#include "zr/ZrBar.h"
#include "zr/ZrDM.h"
#include "zr/ZrImage.h"
#include "zr/ZrImgRW.h"
#include "zr/ZrMicroQR.h"
#include "zr/ZrPDF417.h"
#include "zr/ZrQR.h"

static ZrImage image;
static ZrBarScanner scanner;
static ZrBarResult result;
static ZrQRScanner qrScanner;
static QRResult qrResult;
static ZrMicroQRScanner microQrScanner;
static ZrPDF417Scanner pdf417Scanner;
static ZrPDF417Result pdf417Result;
static ZrDMScanner dmScanner;

int main(void) {
    return (int)(image.width + scanner.resultCount + result.type + dmScanner.scanFlags) +
           pdf417Scanner.resultCount + pdf417Result.rows + qrScanner.scanFlags + qrResult.length +
           microQrScanner.scanFlags;
}
