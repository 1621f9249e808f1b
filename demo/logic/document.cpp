#include "document.hpp"

#include <cctype>

#include "read.hpp"
#include "zr/ZrImgRW.h"

namespace zr::demo {
namespace {

struct FormatCalls {
    ImageFormat format;
    const char *extension;
    uint16_t (*read)(ZrImage *, const char *);
    uint16_t (*write)(const ZrImage *, const char *);
};

// TIFF calls take a page number; the program always uses the first page.
constexpr FormatCalls kFormats[] = {
    {ImageFormat::Tif, "tif", [](ZrImage *image, const char *path) { return ZrReadTIF(image, path, 0); },
     [](const ZrImage *image, const char *path) { return ZrWriteTIF(image, path, 0); }},
    {ImageFormat::Png, "png", ZrReadPNG, ZrWritePNG},
    {ImageFormat::Bmp, "bmp", ZrReadBMP, ZrWriteBMP},
    {ImageFormat::Jpg, "jpg", ZrReadJPG, ZrWriteJPG},
};

const FormatCalls *CallsFor(const char *path) {
    if (path == nullptr) return nullptr;
    const ImageFormat format = FormatFromPath(path);
    for (const FormatCalls &calls : kFormats) {
        if (calls.format == format) return &calls;
    }
    return nullptr;
}

}  // namespace

Document::~Document() {
    ZrDestroyImage(&image);
}

std::string FileExtension(std::string_view path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string extension(path.substr(dot + 1));
    for (char &c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

ImageFormat FormatFromPath(std::string_view path) {
    const std::string extension = FileExtension(path);
    for (const FormatCalls &calls : kFormats) {
        if (extension == calls.extension) return calls.format;
    }
    return ImageFormat::Unsupported;
}

double ElapsedSeconds(std::clock_t start, std::clock_t end) {
    // The reading time was first defined as ticks x 0.001, which holds where clock() counts
    // milliseconds (CLOCKS_PER_SEC = 1000). Dividing by CLOCKS_PER_SEC gives seconds everywhere.
    return static_cast<double>(end - start) / CLOCKS_PER_SEC;
}

FileOutcome OpenImage(Document &document, const char *path) {
    const FormatCalls *calls = CallsFor(path);
    if (calls == nullptr) return {false, ZR_ERR_UNSUPPORTED, kMessageNotSupported};

    // Read into a record of its own so that a failed open leaves the document untouched.
    ZrImage loaded{};
    const std::clock_t start = std::clock();
    const uint16_t status = calls->read(&loaded, path);
    const std::clock_t end = std::clock();
    if (status != ZR_OK) {
        ZrDestroyImage(&loaded);
        return {false, status, kMessageReadError};
    }

    ZrDestroyImage(&document.image);
    document.image = loaded;
    // Results belong to the previous picture.
    ClearResultCopies(document);
    document.state = ReadState{};
    document.state.lastOperation = Operation::OpenFile;
    document.state.returnCode = ZR_OK;
    document.state.runTime = ElapsedSeconds(start, end);
    return {true, ZR_OK, nullptr};
}

FileOutcome SaveImage(Document &document, const char *path) {
    const FormatCalls *calls = CallsFor(path);
    if (calls == nullptr) {
        document.state.returnCode = ZR_ERR_UNSUPPORTED;
        return {false, ZR_ERR_UNSUPPORTED, kMessageNotSupported};
    }
    const std::clock_t start = std::clock();
    const uint16_t status = calls->write(&document.image, path);
    const std::clock_t end = std::clock();
    document.state.returnCode = status;
    if (status != ZR_OK) return {false, status, kMessageWriteError};
    document.state.lastOperation = Operation::SaveFile;
    document.state.runTime = ElapsedSeconds(start, end);
    return {true, ZR_OK, nullptr};
}

}  // namespace zr::demo
