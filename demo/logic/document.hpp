// A document of the demonstration program: one image, its zoom, and what the last operation left.
#ifndef ZR_DEMO_DOCUMENT_HPP
#define ZR_DEMO_DOCUMENT_HPP

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "zr/ZrBar.h"
#include "zr/ZrDM.h"
#include "zr/ZrImage.h"
#include "zr/ZrMicroQR.h"
#include "zr/ZrPDF417.h"
#include "zr/ZrQR.h"

namespace zr::demo {

enum class Operation : uint8_t {
    None = 0,
    OpenFile = 1,
    SaveFile = 2,
    ReadLinear = 3,
    ReadPdf417 = 4,
    ReadDataMatrix = 5,
    ReadQr = 6,
    ReadMicroQr = 7,
    NewImage = 8,
};

struct ReadState {
    Operation lastOperation = Operation::None;
    double runTime = 0.0;  // seconds
    uint16_t returnCode = 0;
    uint8_t symbolCount = 0;  // as the reader left it
    int selectedIndex = 0;
};

// Owns its image (released through the image library) and one list of result copies per reader
// kind; each list has its row in kReaderKinds (read.hpp), which reaches, shows and clears it.
struct Document {
    Document() = default;
    ~Document();
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    ZrImage image{};  // zero-filled: empty
    double zoom = 1.0;
    ReadState state;
    std::vector<ZrBarResult> linearResults;
    std::vector<QRResult> qrResults;
    std::vector<MicroQRResult> microQrResults;
    std::vector<ZrPDF417Result> pdf417Results;
    std::vector<DMResult> dataMatrixResults;
};

// Texts shown to the user when a file operation fails.
constexpr const char *kMessageNotSupported = "Image type not supported!";
constexpr const char *kMessageReadError = "Error while reading file";
constexpr const char *kMessageWriteError = "Error while writing file";

enum class ImageFormat : uint8_t { Unsupported, Tif, Png, Bmp, Jpg };

// The text after the last '.', in lower case; empty when the path has no dot.
std::string FileExtension(std::string_view path);
ImageFormat FormatFromPath(std::string_view path);

// Result of an open or save. `message` is null on success, else the text to show the user.
struct FileOutcome {
    bool ok = false;
    uint16_t status = 0;
    const char *message = nullptr;
};

// Opens an image by extension. On success the document's previous image and result copies are
// released, and the state records operation 1, return code 0 and the run time. On failure the
// document is left as it was.
FileOutcome OpenImage(Document &document, const char *path);

// Saves the image by extension: return code 11 for an unsupported type, the library's status for a
// failed write; on success operation 2 with return code 0 and the run time.
FileOutcome SaveImage(Document &document, const char *path);

// Processor time between two clock() readings, in seconds.
double ElapsedSeconds(std::clock_t start, std::clock_t end);

}  // namespace zr::demo

#endif  // ZR_DEMO_DOCUMENT_HPP
