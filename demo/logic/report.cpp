#include "report.hpp"

#include "format.hpp"
#include "read.hpp"

namespace zr::demo {

const char *OperationLabel(Operation operation) {
    switch (operation) {
        case Operation::OpenFile:
            return "Open file";
        case Operation::SaveFile:
            return "Save file";
        case Operation::NewImage:
            return "New image";
        default: {
            const ReaderKindInfo *kind = ReaderKindOf(operation);
            return kind != nullptr ? kind->operationLabel : "";
        }
    }
}

bool ShowsSymbolCount(Operation operation) {
    return ReaderKindOf(operation) != nullptr;
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

std::vector<std::string> DetailLines(const Document &document, size_t index) {
    const ReaderKindInfo *kind = ReaderKindOf(document.state.lastOperation);
    return kind != nullptr ? kind->detailLines(document, index) : std::vector<std::string>{};
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
