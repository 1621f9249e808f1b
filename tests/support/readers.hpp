// One face for the five readers, so that the same tests run against each:
// its scanner and result records and its five exported calls. A reader joins
// EveryReader when its library is built (ZR_HAVE_QR ...).
#pragma once

#include <cstdint>
#include <string>

#include <zint.h>

#include "zr/ZrBar.h"
#include "zr/ZrDM.h"
#include "zr/ZrMicroQR.h"
#include "zr/ZrPDF417.h"
#include "zr/ZrQR.h"

namespace zr::test {

struct BarReader {
    using Scanner = ZrBarScanner;
    using Result = ZrBarResult;
    static constexpr const char *kName = "ZrBar";
    // Statuses a caller may see from this reader.
    static bool Public(std::uint16_t status) { return status <= 16; }
    static std::uint16_t Init(Scanner *s) { return ZrInitBarScanner(s); }
    static std::uint16_t Scan(Scanner *s) { return ZrScanBar(s); }
    static std::uint16_t GetAt(Scanner *s, int i, Result *r) { return GetBarcodeAt(s, i, r); }
    static std::uint16_t Free(Scanner *s) { return ZrFreeBarScanner(s); }
    static std::string Text(const Result &r) { return r.text; }
    static constexpr int kSymbology = BARCODE_CODE39;
    static constexpr const char *kData = "THREADS-1";
};

struct QRReader {
    using Scanner = ZrQRScanner;
    using Result = QRResult;
    static constexpr const char *kName = "ZrQR";
    // The status of the last finder triple tried may reach the caller.
    static bool Public(std::uint16_t status) {
        return status <= 16 || status == ZR_QR_CORRECTION_FAILED || status == ZR_QR_DATA_ENDED ||
               status == ZR_QR_MODE_NOT_DECODED || status == ZR_QR_TRIPLE_REJECTED;
    }
    static std::uint16_t Init(Scanner *s) { return ZrInitQRScanner(s); }
    static std::uint16_t Scan(Scanner *s) { return ZrScanQR(s); }
    static std::uint16_t GetAt(Scanner *s, int i, Result *r) { return GetQRAt(s, i, r); }
    static std::uint16_t Free(Scanner *s) { return ZrFreeQRScanner(s); }
    static std::string Text(const Result &r) { return std::string(r.text, r.length); }
    static constexpr int kSymbology = BARCODE_QRCODE;
    static constexpr const char *kData = "THREADS-QR";
};

struct MicroQRReader {
    using Scanner = ZrMicroQRScanner;
    using Result = MicroQRResult;
    static constexpr const char *kName = "ZrMicroQR";
    // The status of the last attempt may reach the caller.
    static bool Public(std::uint16_t status) {
        return status <= 16 || status == ZR_MICROQR_CORRECTION_FAILED || status == ZR_MICROQR_DATA_ENDED ||
               status == ZR_MICROQR_NO_CORNERS || status == ZR_MICROQR_MODE_NOT_DECODED ||
               status == ZR_MICROQR_NO_FORMAT;
    }
    static std::uint16_t Init(Scanner *s) { return ZrInitMicroQRScanner(s); }
    static std::uint16_t Scan(Scanner *s) { return ZrScanMicroQR(s); }
    static std::uint16_t GetAt(Scanner *s, int i, Result *r) { return GetMicroQRAt(s, i, r); }
    static std::uint16_t Free(Scanner *s) { return ZrFreeMicroQRScanner(s); }
    static std::string Text(const Result &r) {
        return std::string(reinterpret_cast<const char *>(r.text), r.length);
    }
    static constexpr int kSymbology = BARCODE_MICROQR;
    static constexpr const char *kData = "THREADS-MQR";
};

struct PDF417Reader {
    using Scanner = ZrPDF417Scanner;
    using Result = ZrPDF417Result;
    static constexpr const char *kName = "ZrPDF417";
    static bool Public(std::uint16_t status) { return status <= 16; }
    static std::uint16_t Init(Scanner *s) { return ZrInitPDF417Scanner(s); }
    static std::uint16_t Scan(Scanner *s) { return ZrScanPDF417(s); }
    static std::uint16_t GetAt(Scanner *s, int i, Result *r) { return GetPDF417At(s, i, r); }
    static std::uint16_t Free(Scanner *s) { return ZrFreePDF417Scanner(s); }
    static std::string Text(const Result &r) { return r.text; }
    static constexpr int kSymbology = BARCODE_PDF417;
    static constexpr const char *kData = "THREADS-PDF417";
};

struct DMReader {
    using Scanner = ZrDMScanner;
    using Result = DMResult;
    static constexpr const char *kName = "ZrDM";
    static bool Public(std::uint16_t status) { return status <= 16; }
    static std::uint16_t Init(Scanner *s) { return ZrInitDMScanner(s); }
    static std::uint16_t Scan(Scanner *s) { return ZrScanDM(s); }
    static std::uint16_t GetAt(Scanner *s, int i, Result *r) { return GetDMAt(s, i, r); }
    static std::uint16_t Free(Scanner *s) { return ZrFreeDMScanner(s); }
    static std::string Text(const Result &r) { return r.text; }
    static constexpr int kSymbology = BARCODE_DATAMATRIX;
    // 16 x 16 at 3 pixels a module: regions under 33 pixels (8-row rectangles) are not looked at.
    static constexpr const char *kData = "THREADS-DM-1234";
};

// Every reader built, as the arguments of a type-list template, so that
// each typed test lists them once: EveryReader<::testing::Types>.
template <template <class...> class List>
using EveryReader = List<BarReader
#if defined(ZR_HAVE_QR)
                         ,
                         QRReader
#endif
#if defined(ZR_HAVE_DM)
                         ,
                         DMReader
#endif
#if defined(ZR_HAVE_MICROQR)
                         ,
                         MicroQRReader
#endif
#if defined(ZR_HAVE_PDF417)
                         ,
                         PDF417Reader
#endif
                         >;

}  // namespace zr::test
