#include "report.hpp"

#include <cstring>

#include "format.hpp"
#include "read_common.hpp"
#include "read_dm.hpp"
#include "read_microqr.hpp"
#include "read_pdf417.hpp"
#include "read_qr.hpp"
#include "symbologies.hpp"

namespace zr::demo {

const char *OperationLabel(Operation operation) {
    switch (operation) {
        case Operation::OpenFile:
            return "Open file";
        case Operation::SaveFile:
            return "Save file";
        case Operation::ReadLinear:
            return "Read linear barcodes";
        case Operation::ReadPdf417:
            return "Read PDF417 barcode";
        case Operation::ReadDataMatrix:
            return "Read DataMatrix barcode";
        case Operation::ReadQr:
            return "Read QR code";
        case Operation::ReadMicroQr:
            return "Read Micro QR code";
        case Operation::None:
        default:
            return "";
    }
}

bool ShowsSymbolCount(Operation operation) {
    return operation != Operation::None && operation != Operation::OpenFile &&
           operation != Operation::SaveFile;
}

std::vector<std::string> ReportHeadLines(const ReadState &state) {
    std::vector<std::string> lines;
    if (state.lastOperation == Operation::None) return lines;
    lines.emplace_back(OperationLabel(state.lastOperation));
    lines.push_back(Format("Run time: %.3f seconds", state.runTime));
    lines.push_back(Format("Return code: %d", state.returnCode));
    if (ShowsSymbolCount(state.lastOperation))
        lines.push_back(Format("Barcodes found: %d", state.symbolCount));
    return lines;
}

std::vector<std::string> LinearDetailLines(const ZrBarResult &result) {
    std::vector<std::string> lines;
    lines.push_back(PositionLine(result.corners));
    lines.push_back(Format("Bars color: %s", result.barColor == 1 ? "black" : "white"));
    lines.push_back(Format("Skew angle: %.2f degrees", result.angle));
    lines.push_back(Format("Checksum: %d", result.checksum));
    lines.push_back(Format("Type: %s", LinearTypeName(result.type)));
    lines.emplace_back(result.text, strnlen(result.text, sizeof result.text));
    return lines;
}

std::vector<std::string> DetailLines(const Document &document, size_t index) {
    switch (document.state.lastOperation) {
        case Operation::ReadLinear:
            if (index < document.linearResults.size())
                return LinearDetailLines(document.linearResults[index]);
            return {};
        case Operation::ReadQr:
            if (index < document.qrResults.size()) return QrDetailLines(document.qrResults[index]);
            return {};
        case Operation::ReadMicroQr:
            if (index < document.microQrResults.size())
                return MicroQrDetailLines(document.microQrResults[index]);
            return {};
        case Operation::ReadPdf417:
            if (index < document.pdf417Results.size())
                return Pdf417DetailLines(document.pdf417Results[index]);
            return {};
        case Operation::ReadDataMatrix:
            if (index < document.dataMatrixResults.size())
                return DataMatrixDetailLines(document.dataMatrixResults[index]);
            return {};
        default:
            return {};
    }
}

std::vector<std::string> ImageInfoLines(const ZrImage &image) {
    std::vector<std::string> lines;
    lines.push_back(Format("Width: %d", static_cast<int>(image.width)));
    lines.push_back(Format("Height: %d", static_cast<int>(image.height)));
    lines.push_back(Format("Pitch: %d", image.pitch));
    lines.push_back(Format("BitsPerPixel: %d", image.bitsPerPixel));
    if (image.xDpi != 0 && image.yDpi != 0) {
        const double xDpi = image.xDpi, yDpi = image.yDpi;
        lines.push_back(
            Format("Resolution: %d x %d dpi", static_cast<int>(image.xDpi), static_cast<int>(image.yDpi)));
        lines.push_back(Format("%.2f x %.2f inch", image.width / xDpi, image.height / yDpi));
        lines.push_back(
            Format("%.2f x %.2f centimeters", image.width * 2.54 / xDpi, image.height * 2.54 / yDpi));
    }
    return lines;
}

}  // namespace zr::demo
