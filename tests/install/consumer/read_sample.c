/* Reads the linear barcodes of one PNG file through the installed libraries. */
#include <stdio.h>
#include <zr/ZrBar.h>
#include <zr/ZrImgRW.h>

int main(int argc, char **argv) {
    ZrImage image = {0};
    ZrBarScanner scanner;
    int i;
    if (argc < 2 || ZrReadPNG(&image, argv[1]) != ZR_OK) return 2;
    ZrInitBarScanner(&scanner);
    scanner.image = image.dib;
    if (ZrScanBar(&scanner) != ZR_OK) return 3;
    for (i = 0; i < scanner.resultCount; ++i) {
        ZrBarResult result;
        GetBarcodeAt(&scanner, i, &result);
        printf("%s\n", result.text);
    }
    ZrFreeBarScanner(&scanner);
    ZrDestroyImage(&image);
    return scanner.resultCount > 0 ? 0 : 1;
}
