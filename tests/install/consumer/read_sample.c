/* Reads one PNG file through the installed libraries: the linear barcodes,
 * then each two-dimensional reader in turn, printing every text found. */
#include <stdio.h>
#include <zr/ZrBar.h>
#include <zr/ZrDM.h>
#include <zr/ZrImgRW.h>
#include <zr/ZrMicroQR.h>
#include <zr/ZrPDF417.h>
#include <zr/ZrQR.h>

int main(int argc, char **argv) {
    ZrImage image = {0};
    ZrBarScanner bar;
    ZrQRScanner qr;
    ZrDMScanner dm;
    ZrMicroQRScanner microQr;
    ZrPDF417Scanner pdf417;
    int i, found;
    if (argc < 2 || ZrReadPNG(&image, argv[1]) != ZR_OK) return 2;

    ZrInitBarScanner(&bar);
    bar.image = image.dib;
    if (ZrScanBar(&bar) != ZR_OK) return 3;
    for (i = 0; i < bar.resultCount; ++i) {
        ZrBarResult result;
        GetBarcodeAt(&bar, i, &result);
        printf("%s\n", result.text);
    }
    found = bar.resultCount;
    ZrFreeBarScanner(&bar);

    /* The two-dimensional readers find nothing in a linear symbol, and say so with a count of 0. */
    ZrInitQRScanner(&qr);
    qr.image = image.dib;
    ZrScanQR(&qr);
    found += qr.resultCount;
    ZrFreeQRScanner(&qr);
    ZrInitDMScanner(&dm);
    dm.image = image.dib;
    ZrScanDM(&dm);
    found += dm.resultCount;
    ZrFreeDMScanner(&dm);
    ZrInitMicroQRScanner(&microQr);
    microQr.image = image.dib;
    ZrScanMicroQR(&microQr);
    found += microQr.resultCount;
    ZrFreeMicroQRScanner(&microQr);
    ZrInitPDF417Scanner(&pdf417);
    pdf417.image = image.dib;
    ZrScanPDF417(&pdf417);
    found += pdf417.resultCount;
    ZrFreePDF417Scanner(&pdf417);

    printf("versions %x %x %x %x %x\n", (unsigned)ZrBarGetVersion(), (unsigned)ZrQRGetVersion(),
           (unsigned)ZrDMGetVersion(), (unsigned)ZrMicroQRGetVersion(), (unsigned)ZrPDF417GetVersion());
    ZrDestroyImage(&image);
    return found == 1 ? 0 : 1;
}
