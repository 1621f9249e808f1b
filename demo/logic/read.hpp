// The Read command: fills a reader's scanner record from the settings, runs the reader and keeps a
// copy of its results in the document.
#ifndef ZR_DEMO_READ_HPP
#define ZR_DEMO_READ_HPP

#include <cstdint>
#include <vector>

#include "document.hpp"
#include "read_dm.hpp"
#include "read_microqr.hpp"
#include "read_pdf417.hpp"
#include "read_qr.hpp"
#include "settings.hpp"
#include "zr/ZrBar.h"

namespace zr::demo {

// Refresh hints for the views: fit to window, results of a read (kHintFirstRead + reader kind).
constexpr uint16_t kHintFitWindow = 1025;
constexpr uint16_t kHintFirstRead = 1026;

uint16_t ReadLinear(Document &document, const ReadSettings &settings);

using ReadFunction = uint16_t (*)(Document &, const ReadSettings &);

// One row per reader kind; `read` is null while that reader is not built into the program.
struct ReaderKindInfo {
    ReaderKind kind;
    const char *name;  // short name on the command line
    Operation operation;
    ReadFunction read;
};

constexpr ReaderKindInfo kReaderKinds[kReaderKindCount] = {
    {ReaderKind::Linear, "linear", Operation::ReadLinear, ReadLinear},
    {ReaderKind::Pdf417, "pdf417", Operation::ReadPdf417, ReadPdf417},
    {ReaderKind::DataMatrix, "dm", Operation::ReadDataMatrix, ReadDataMatrix},
    {ReaderKind::Qr, "qr", Operation::ReadQr, ReadQr},
    {ReaderKind::MicroQr, "microqr", Operation::ReadMicroQr, ReadMicroQr},
};

constexpr bool ReaderKindsInOrder() {
    for (int i = 0; i < kReaderKindCount; ++i) {
        if (static_cast<int>(kReaderKinds[i].kind) != i) return false;
    }
    return true;
}
static_assert(ReaderKindsInOrder(), "kReaderKinds is indexed by reader kind");

const ReaderKindInfo &ReaderKindInfoFor(ReaderKind kind);
bool IsReaderBuilt(ReaderKind kind);
uint16_t RefreshHintFor(ReaderKind kind);

// Runs the reader of settings.readerKind. A kind whose reader is not built returns 11 and leaves
// the document unchanged.
uint16_t ReadSymbols(Document &document, const ReadSettings &settings);

// Number of result copies the last read left in the document.
size_t ResultCopyCount(const Document &document);

// Step 1 to 3 of a linear read: the record zeroed, image, rectangle and options set.
void FillLinearScanner(ZrBarScanner &scanner, const Document &document, const ReadSettings &settings);

// Copies the scanner's results field by field, the text up to its NUL. At most the array's
// capacity is copied whatever resultCount says; a null array gives no copies.
std::vector<ZrBarResult> CopyLinearResults(const ZrBarScanner &scanner);

}  // namespace zr::demo

#endif  // ZR_DEMO_READ_HPP
