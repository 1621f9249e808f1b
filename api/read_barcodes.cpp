// ReadBarcodes: one packed DIB for every reader, each reader's C call, and
// their records turned into zr::Barcode values.
#include <cmath>
#include <new>
#include <stdexcept>

#include "api/formats.hpp"
#include "api/text.hpp"
#include "dm/scan_pass.hpp"
#include "pdf417/stages.hpp"
#include "qr/scan_pass.hpp"
#include "zr/ZrBar.h"
#include "zr/ZrDM.h"
#include "zr/ZrImgRW.h"
#include "zr/ZrMicroQR.h"
#include "zr/ZrPDF417.h"
#include "zr/ZrQR.h"
#include "zr/ZrReaders.hpp"

namespace zr {
namespace {

constexpr int kMaxSymbolsLimit = 255;
constexpr std::uint16_t kBitsGrey = 8;
constexpr std::uint16_t kBitsColour = 24;
constexpr std::uint8_t kFoundInverted = 2;
constexpr double kFullTurn = 360.0;
constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr const char *kCompactPdf417 = "compact";  // Barcode::version of a compact PDF417 symbol

// The view copied into a bottom-up packed DIB: 8-bit grey for grey views,
// 24-bit blue-green-red for colour ones (alpha dropped).
class PreparedDib {
  public:
    explicit PreparedDib(const ImageView &view) {
        const bool grey = view.format() == PixelFormat::Grey8;
        record_.width = static_cast<std::uint32_t>(view.width());
        record_.height = static_cast<std::uint32_t>(view.height());
        record_.bitsPerPixel = grey ? kBitsGrey : kBitsColour;
        const std::uint16_t status = ZrCreateImage(&record_);
        if (status == ZR_ERR_NO_MEMORY) throw std::bad_alloc();
        if (status != ZR_OK) throw std::invalid_argument("picture too large: " + StatusMessage(status));
        for (int y = 0; y < view.height(); ++y) CopyRow(view, y);
    }
    PreparedDib(const PreparedDib &) = delete;
    PreparedDib &operator=(const PreparedDib &) = delete;
    ~PreparedDib() { ZrDestroyImage(&record_); }

    const void *dib() const { return record_.dib; }

  private:
    void CopyRow(const ImageView &view, int y) {
        std::uint8_t *out = static_cast<std::uint8_t *>(record_.bits) +
                            static_cast<std::ptrdiff_t>(view.height() - 1 - y) * record_.pitch;
        const std::uint8_t *in = view.row(y);
        const int width = view.width();
        switch (view.format()) {
            case PixelFormat::Grey8:
                std::copy(in, in + width, out);
                break;
            case PixelFormat::BGR24:
                std::copy(in, in + 3 * width, out);
                break;
            case PixelFormat::RGB24:
                SwapToBgr(in, out, width, 3);
                break;
            case PixelFormat::RGBA32:
                SwapToBgr(in, out, width, 4);
                break;
            case PixelFormat::BGRA32:
                for (int x = 0; x < width; ++x, in += 4, out += 3) std::copy(in, in + 3, out);
                break;
        }
    }

    static void SwapToBgr(const std::uint8_t *in, std::uint8_t *out, int width, int step) {
        for (int x = 0; x < width; ++x, in += step, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }

    ZrImage record_{};
};

// Initialises a reader's scanner record and frees it on every way out.
template <typename Scanner, std::uint16_t (*Init)(Scanner *), std::uint16_t (*Free)(Scanner *)>
class ScannerRecord {
  public:
    ScannerRecord(const void *dib, const ReadOptions &options) {
        Init(&scanner_);
        scanner_.image = dib;
        scanner_.left = static_cast<std::uint32_t>(options.area.left);
        scanner_.top = static_cast<std::uint32_t>(options.area.top);
        scanner_.rectWidth = static_cast<std::uint32_t>(options.area.width);
        scanner_.rectHeight = static_cast<std::uint32_t>(options.area.height);
        scanner_.maxResults = static_cast<std::uint8_t>(options.maxSymbols);
    }
    ScannerRecord(const ScannerRecord &) = delete;
    ScannerRecord &operator=(const ScannerRecord &) = delete;
    ~ScannerRecord() { Free(&scanner_); }
    Scanner *operator->() { return &scanner_; }
    Scanner *get() { return &scanner_; }

  private:
    Scanner scanner_{};
};

// A reader's status: out of memory is the one failure the caller hears about;
// any other status leaves whatever records the scan stored.
void CheckScanStatus(std::uint16_t status) {
    if (status == ZR_ERR_NO_MEMORY) throw std::bad_alloc();
}

double Normalised(double degrees) {
    double angle = std::fmod(degrees, kFullTurn);
    if (angle < 0) angle += kFullTurn;
    return angle;
}

// The direction from the first corner to the second, y from the top.
double EdgeAngle(const std::array<Corner, 4> &position) {
    const double dx = position[1].x - position[0].x;
    const double dy = position[1].y - position[0].y;
    return Normalised(std::atan2(dy, dx) * kDegreesPerRadian);
}

std::array<Corner, 4> PositionOf(const std::int32_t (&corners)[8]) {
    std::array<Corner, 4> position;
    for (std::size_t i = 0; i < position.size(); ++i) position[i] = Corner{corners[2 * i], corners[2 * i + 1]};
    return position;
}

void SetData(Barcode &barcode, const char *bytes, std::size_t length, api::DefaultCharset charset,
             const std::vector<api::EciSpan> &ecis = {}) {
    barcode.bytes.assign(reinterpret_cast<const std::uint8_t *>(bytes),
                         reinterpret_cast<const std::uint8_t *>(bytes) + length);
    barcode.text = api::TextOf(std::string_view(bytes, length), ecis, charset);
    barcode.symbologyIdentifier = api::SymbologyIdentifier(barcode.format, barcode.isGS1);
}

// The length of a zero-terminated text in a fixed field.
template <std::size_t N>
std::size_t TerminatedLength(const char (&text)[N]) {
    std::size_t length = 0;
    while (length < N && text[length] != '\0') ++length;
    return length;
}

using BarRecord = ScannerRecord<ZrBarScanner, ZrInitBarScanner, ZrFreeBarScanner>;
using QRRecord = ScannerRecord<ZrQRScanner, ZrInitQRScanner, ZrFreeQRScanner>;
using MicroQRRecord = ScannerRecord<ZrMicroQRScanner, ZrInitMicroQRScanner, ZrFreeMicroQRScanner>;
using DMRecord = ScannerRecord<ZrDMScanner, ZrInitDMScanner, ZrFreeDMScanner>;
using PDF417Record = ScannerRecord<ZrPDF417Scanner, ZrInitPDF417Scanner, ZrFreePDF417Scanner>;

void ReadLinear(const void *dib, const ReadOptions &options, std::vector<Barcode> &out) {
    BarRecord scanner(dib, options);
    scanner->symbologies = api::LinearTypeBits(options.formats);
    scanner->barColors = options.linearColours;
    scanner->directions = options.linearDirections;
    scanner->extraFlags = static_cast<std::uint8_t>((options.linearThorough ? ZR_BAR_THOROUGH : 0u) |
                                                    (options.firstLookOnly ? ZR_BAR_FIRST_LOOK_ONLY : 0u));
    CheckScanStatus(ZrScanBar(scanner.get()));
    for (int i = 0; i < scanner->resultCount; ++i) {
        const ZrBarResult &result = scanner->results[i];
        Barcode barcode;
        barcode.format = api::FormatOfLinearType(result.type);
        barcode.isGS1 = barcode.format == BarcodeFormat::EAN128;
        barcode.position = PositionOf(result.corners);
        barcode.orientation = Normalised(result.angle);
        barcode.inverted = result.barColor == kFoundInverted;
        SetData(barcode, result.text, TerminatedLength(result.text), api::DefaultCharset::kLatin1);
        out.push_back(std::move(barcode));
    }
}

std::uint8_t TwoDimensionalFlags(const ReadOptions &options, std::uint8_t firstLookOnlyBit) {
    return static_cast<std::uint8_t>(options.linearColours | (options.firstLookOnly ? firstLookOnlyBit : 0u));
}

std::vector<api::EciSpan> EciSpansOf(const qr::EciMarks &marks) {
    std::vector<api::EciSpan> spans;
    for (std::size_t i = 0; i < marks.count; ++i) spans.push_back(api::EciSpan{marks.marks[i].position, marks.marks[i].eci});
    return spans;
}

// QR Code identifiers (ISO/IEC 18004 Annex F): plain, ECI, FNC1 first (GS1),
// both, FNC1 second, FNC1 second with ECI.
const char *QRIdentifier(qr::Fnc1 fnc1, bool eci) {
    switch (fnc1) {
        case qr::Fnc1::kFirst: return eci ? "]Q4" : "]Q3";
        case qr::Fnc1::kSecond: return eci ? "]Q6" : "]Q5";
        case qr::Fnc1::kNone: break;
    }
    return eci ? "]Q2" : "]Q1";
}

// The QR reader's own scan, which also gives the ECI designators and FNC1 mode of each result.
void ReadQR(const void *dib, const ReadOptions &options, std::vector<Barcode> &out) {
    QRRecord scanner(dib, options);
    scanner->scanFlags = TwoDimensionalFlags(options, ZR_QR_FIRST_LOOK_ONLY);
    std::vector<qr::TextDetails> details;
    CheckScanStatus(qr::Scan(scanner.get(), &details));
    for (int i = 0; i < scanner->resultCount; ++i) {
        const QRResult &result = scanner->results[i];
        Barcode barcode;
        barcode.format = BarcodeFormat::QRCode;
        barcode.position = PositionOf(result.corners);
        barcode.orientation = EdgeAngle(barcode.position);
        barcode.version = std::to_string(result.version);
        barcode.inverted = result.barsColour == kFoundInverted;
        const qr::TextDetails detail =
            static_cast<std::size_t>(i) < details.size() ? details[static_cast<std::size_t>(i)] : qr::TextDetails{};
        const std::vector<api::EciSpan> ecis = EciSpansOf(detail.eci);
        SetData(barcode, result.text, result.length, api::DefaultCharset::kLatin1OrShiftJis, ecis);
        barcode.isGS1 = detail.fnc1 == qr::Fnc1::kFirst;
        barcode.symbologyIdentifier = QRIdentifier(detail.fnc1, !ecis.empty());
        out.push_back(std::move(barcode));
    }
}

void ReadMicroQR(const void *dib, const ReadOptions &options, std::vector<Barcode> &out) {
    MicroQRRecord scanner(dib, options);
    scanner->scanFlags = TwoDimensionalFlags(options, ZR_MICROQR_FIRST_LOOK_ONLY);
    CheckScanStatus(ZrScanMicroQR(scanner.get()));
    for (int i = 0; i < scanner->resultCount; ++i) {
        const MicroQRResult &result = scanner->results[i];
        Barcode barcode;
        barcode.format = BarcodeFormat::MicroQRCode;
        barcode.position = PositionOf(result.corners);
        barcode.orientation = EdgeAngle(barcode.position);
        barcode.version = "M" + std::to_string(result.version);
        barcode.inverted = result.barsColour == kFoundInverted;
        SetData(barcode, reinterpret_cast<const char *>(result.text), result.length,
                api::DefaultCharset::kLatin1OrShiftJis);
        out.push_back(std::move(barcode));
    }
}

// DataMatrix identifiers: plain, FNC1 first (GS1), ECI, both.
const char *DataMatrixIdentifier(bool gs1, bool eci) {
    if (eci) return gs1 ? "]d5" : "]d4";
    return gs1 ? "]d2" : "]d1";
}

// The DataMatrix reader's own scan, which also gives every result's whole
// bytes (zero bytes included), FNC1 first and its ECI designators.
void ReadDM(const void *dib, const ReadOptions &options, std::vector<Barcode> &out) {
    DMRecord scanner(dib, options);
    scanner->scanFlags = TwoDimensionalFlags(options, ZR_DM_FIRST_LOOK_ONLY);
    std::vector<dm::ResultDetails> details;
    CheckScanStatus(dm::Scan(scanner.get(), &details));
    for (int i = 0; i < scanner->resultCount; ++i) {
        const DMResult &result = scanner->results[i];
        Barcode barcode;
        barcode.format = BarcodeFormat::DataMatrix;
        barcode.position = PositionOf(result.corners);
        barcode.orientation = EdgeAngle(barcode.position);
        barcode.version = std::to_string(result.rows) + "x" + std::to_string(result.columns);
        barcode.inverted = result.barsColour == kFoundInverted;
        if (static_cast<std::size_t>(i) >= details.size()) {
            SetData(barcode, result.text, TerminatedLength(result.text), api::DefaultCharset::kLatin1);
        } else {
            const dm::ResultDetails &detail = details[static_cast<std::size_t>(i)];
            std::vector<api::EciSpan> ecis;
            for (std::size_t k = 0; k < detail.data.eciCount; ++k)
                ecis.push_back(api::EciSpan{static_cast<std::size_t>(detail.data.ecis[k].position),
                                            detail.data.ecis[k].eci});
            barcode.isGS1 = detail.data.gs1;
            SetData(barcode, detail.bytes.data(), detail.bytes.size(), api::DefaultCharset::kLatin1, ecis);
            barcode.symbologyIdentifier = DataMatrixIdentifier(detail.data.gs1, !ecis.empty());
        }
        out.push_back(std::move(barcode));
    }
}

// The PDF417 reader's own scan, which also decodes every result again with
// its ECI designators honoured and without the record's length limit.
void ReadPDF417(const void *dib, const ReadOptions &options, std::vector<Barcode> &out) {
    PDF417Record scanner(dib, options);
    scanner->barColors = options.linearColours;
    scanner->directions = options.firstLookOnly ? ZR_PDF417_FIRST_LOOK_ONLY | ZR_PDF417_ALL_DIRECTIONS
                                                : ZR_PDF417_ALL_DIRECTIONS;
    std::vector<pdf417::DecodedData> details;
    CheckScanStatus(pdf417::Scan(scanner.get(), &details));
    for (int i = 0; i < scanner->resultCount; ++i) {
        const ZrPDF417Result &result = scanner->results[i];
        Barcode barcode;
        barcode.format = BarcodeFormat::PDF417;
        barcode.position = PositionOf(result.corners);
        barcode.orientation = Normalised(result.angle);
        barcode.ecLevel = std::to_string(result.ecLevel);
        barcode.inverted = result.barColor == kFoundInverted;
        if (static_cast<std::size_t>(i) >= details.size()) {
            SetData(barcode, result.text, TerminatedLength(result.text), api::DefaultCharset::kLatin1);
        } else {
            const pdf417::DecodedData &data = details[static_cast<std::size_t>(i)];
            std::vector<api::EciSpan> ecis;
            for (std::size_t k = 0; k < data.eciCount; ++k)
                ecis.push_back(api::EciSpan{data.ecis[k].position, data.ecis[k].eci});
            SetData(barcode, data.bytes.data(), data.length, api::DefaultCharset::kLatin1, ecis);
            if (data.compact) barcode.version = kCompactPdf417;
        }
        out.push_back(std::move(barcode));
    }
}

void CheckOptions(const ImageView &image, const ReadOptions &options) {
    if (options.maxSymbols < 1 || options.maxSymbols > kMaxSymbolsLimit)
        throw std::invalid_argument("ReadOptions: maxSymbols must be 1 to 255");
    const Area &area = options.area;
    if (area.left < 0 || area.top < 0 || area.width < 0 || area.height < 0)
        throw std::invalid_argument("ReadOptions: negative area");
    if (area.left >= image.width() || area.top >= image.height())
        throw std::invalid_argument("ReadOptions: area starts outside the picture");
    if ((options.linearColours & (DarkBars | LightBars)) == 0)
        throw std::invalid_argument("ReadOptions: no bar colour");
}

}  // namespace

std::vector<Barcode> ReadBarcodes(const ImageView &image, const ReadOptions &options) {
    CheckOptions(image, options);
    std::vector<Barcode> barcodes;
    if (options.formats.empty()) return barcodes;
    const PreparedDib prepared(image);
    if ((options.formats.bits() & BarcodeFormats::Linear().bits()) != 0)
        ReadLinear(prepared.dib(), options, barcodes);
    if (options.formats.has(BarcodeFormat::QRCode)) ReadQR(prepared.dib(), options, barcodes);
    if (options.formats.has(BarcodeFormat::MicroQRCode)) ReadMicroQR(prepared.dib(), options, barcodes);
    if (options.formats.has(BarcodeFormat::DataMatrix)) ReadDM(prepared.dib(), options, barcodes);
    if (options.formats.has(BarcodeFormat::PDF417)) ReadPDF417(prepared.dib(), options, barcodes);
    return barcodes;
}

}  // namespace zr
