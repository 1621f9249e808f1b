/* Every public header compiles as strict C99, together. */
#include "zr/ZrBar.h"
#include "zr/ZrDM.h"
#include "zr/ZrImage.h"
#include "zr/ZrImgRW.h"
#include "zr/ZrQR.h"
#include "zr/ZrMicroQR.h"

static ZrImage image;
static ZrBarScanner scanner;
static ZrBarResult result;
static ZrQRScanner qrScanner;
static QRResult qrResult;
static ZrMicroQRScanner microQrScanner;
static ZrDMScanner dmScanner;

int main(void) {
    return (int)(image.width + scanner.resultCount + result.type + qrScanner.scanFlags + qrResult.length +
                 microQrScanner.scanFlags + dmScanner.scanFlags);
}
