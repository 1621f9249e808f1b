// One face for the five readers, so that the same hostile inputs and
// thread checks run against each: its scanner and result records and its
// five exported calls. A reader joins when its library is built.
#pragma once

#include <cstdint>
#include <string>

#include <zint.h>

#include "zr/ZrBar.h"
#if defined(ZR_HAVE_QR)
#include "zr/ZrQR.h"
#endif
#if defined(ZR_HAVE_DM)
#include "zr/ZrDM.h"
#endif
#if defined(ZR_HAVE_MICROQR)
#include "zr/ZrMicroQR.h"
#endif
#if defined(ZR_HAVE_PDF417)
#include "zr/ZrPDF417.h"
#endif

namespace zr::hardening {

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

}  // namespace zr::hardening
