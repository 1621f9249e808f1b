// The reader kinds of the demonstration program in one table, and the Read command that runs one
// of them. Each row names its kind, says how to read it, and how to reach, show and drop the
// result copies the document keeps of it; the report, the JSON, the outlines, the menus and
// zrread all go through this table.
#ifndef ZR_DEMO_READ_HPP
#define ZR_DEMO_READ_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document.hpp"
#include "read_dm.hpp"
#include "read_linear.hpp"
#include "read_pdf417.hpp"
#include "read_qr_family.hpp"
#include "settings.hpp"
#include "shapes.hpp"

namespace zr::demo {

// Refresh hints for the views: fit to window, results of a read (kHintFirstRead + reader kind).
constexpr uint16_t kHintFitWindow = 1025;
constexpr uint16_t kHintFirstRead = 1026;

using ReadFunction = uint16_t (*)(Document &, const ReadSettings &);

struct ReaderKindInfo {
    ReaderKind kind;
    const char *name;            // short name on zrread's command line and in its JSON
    const char *title;           // the kind as the status bar names it
    const char *menuText;        // its item in Barcode > Symbols; null for linear (its types are items)
    const char *operationLabel;  // the report's first line after a read
    Operation operation;
    ReadFunction read;  // null while that reader is not built into the program
    // The document's copies of this kind's results.
    size_t (*copyCount)(const Document &);
    std::vector<std::string> (*detailLines)(const Document &, size_t index);  // empty past the end
    std::string (*resultJson)(const Document &, size_t index);                // empty past the end
    std::vector<SymbolShape> (*shapes)(const Document &);
    void (*clearCopies)(Document &);
    void (*moveCopies)(Document &to, Document &from);
};

// The document-side calls of a kind, from its copy list and its per-result texts.
template <auto Copies, auto Lines, auto ToJson>
struct KindCopyCalls {
    static size_t Count(const Document &document) { return (document.*Copies).size(); }
    static std::vector<std::string> Details(const Document &document, size_t index) {
        const auto &copies = document.*Copies;
        return index < copies.size() ? Lines(copies[index]) : std::vector<std::string>{};
    }
    static std::string Json(const Document &document, size_t index) {
        const auto &copies = document.*Copies;
        return index < copies.size() ? ToJson(copies[index]) : std::string{};
    }
    static std::vector<SymbolShape> Shapes(const Document &document) { return ShapesOf(document.*Copies); }
    static void Clear(Document &document) { (document.*Copies).clear(); }
    static void Move(Document &to, Document &from) { to.*Copies = std::move(from.*Copies); }
};

template <auto Copies, auto Lines, auto ToJson>
constexpr ReaderKindInfo KindRow(ReaderKind kind, const char *name, const char *title, const char *menuText,
                                 const char *operationLabel, Operation operation, ReadFunction read) {
    using Calls = KindCopyCalls<Copies, Lines, ToJson>;
    return {kind,         name,           title,       menuText,      operationLabel, operation,  read,
            Calls::Count, Calls::Details, Calls::Json, Calls::Shapes, Calls::Clear,   Calls::Move};
}

inline constexpr ReaderKindInfo kReaderKinds[kReaderKindCount] = {
    KindRow<&Document::linearResults, LinearDetailLines, LinearResultJson>(
        ReaderKind::Linear, "linear", "Linear", nullptr, "Read linear barcodes", Operation::ReadLinear,
        ReadLinear),
    KindRow<&Document::pdf417Results, Pdf417DetailLines, Pdf417ResultJson>(
        ReaderKind::Pdf417, "pdf417", "PDF417", "&PDF417", "Read PDF417 barcode", Operation::ReadPdf417,
        ReadPdf417),
    KindRow<&Document::dataMatrixResults, DataMatrixDetailLines, DataMatrixResultJson>(
        ReaderKind::DataMatrix, "dm", "Data Matrix", "&Data Matrix", "Read DataMatrix barcode",
        Operation::ReadDataMatrix, ReadDataMatrix),
    KindRow<&Document::qrResults, QrFamilyDetailLines<QRResult>, QrFamilyResultJson<QRResult>>(
        ReaderKind::Qr, "qr", "QR Code", "&QR Code", "Read QR code", Operation::ReadQr, ReadQr),
    KindRow<&Document::microQrResults, QrFamilyDetailLines<MicroQRResult>, QrFamilyResultJson<MicroQRResult>>(
        ReaderKind::MicroQr, "microqr", "Micro QR Code", "Micro QR Code", "Read Micro QR code",
        Operation::ReadMicroQr, ReadMicroQr),
};

constexpr bool ReaderKindsInOrder() {
    for (int i = 0; i < kReaderKindCount; ++i) {
        if (static_cast<int>(kReaderKinds[i].kind) != i) return false;
    }
    return true;
}
static_assert(ReaderKindsInOrder(), "kReaderKinds is indexed by reader kind");

const ReaderKindInfo &ReaderKindInfoFor(ReaderKind kind);
// The row whose read `operation` is; null for the file operations and before any operation.
const ReaderKindInfo *ReaderKindOf(Operation operation);
bool IsReaderBuilt(ReaderKind kind);
uint16_t RefreshHintFor(ReaderKind kind);

// Runs the reader of settings.readerKind. A kind whose reader is not built returns 11 and leaves
// the document unchanged.
uint16_t ReadSymbols(Document &document, const ReadSettings &settings);

// Number of result copies the last read left in the document.
size_t ResultCopyCount(const Document &document);

// Drops the result copies of every kind (they belong to the picture they were read from).
void ClearResultCopies(Document &document);

// Hands a read made on another document record of the same picture to `to`: the read state and
// the copies of `kind`; the other kinds' copies in `to` stay.
void MoveReadResults(Document &to, Document &from, ReaderKind kind);

}  // namespace zr::demo

#endif  // ZR_DEMO_READ_HPP
