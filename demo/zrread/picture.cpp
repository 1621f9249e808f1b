#include "picture.hpp"

#include <cmath>
#include <exception>
#include <new>
#include <vector>

#include "api/formats.hpp"
#include "logic/document.hpp"
#include "logic/json.hpp"
#include "logic/read.hpp"
#include "logic/report.hpp"
#include "records.hpp"
#include "zr/ZrImgRW.h"

namespace zr::zrread {
namespace {

void AppendLines(std::string &out, const std::vector<std::string> &lines) {
    for (const std::string &line : lines) {
        out += line;
        out.push_back('\n');
    }
}

void AppendReport(std::string &out, const demo::Document &document) {
    AppendLines(out, demo::ReportHeadLines(document.state));
    const size_t shown = document.state.symbolCount;
    for (size_t i = 0; i < shown; ++i) {
        const std::vector<std::string> details = demo::DetailLines(document, i);
        if (details.empty()) continue;
        out += "Barcode no: " + std::to_string(i) + "\n";
        AppendLines(out, details);
    }
}

// The picture's resolution, for a search area in inches or centimetres.
bool ResolutionOf(const std::string &file, std::uint32_t &xDpi, std::uint32_t &yDpi) {
    ZrImage image{};
    if (ZrReadImage(&image, file.c_str()) != ZR_OK) return false;
    xDpi = image.xDpi;
    yDpi = image.yDpi;
    ZrDestroyImage(&image);
    return true;
}

Area AreaOf(const demo::PixelRect &rect) {
    return Area{static_cast<int>(rect.left), static_cast<int>(rect.top), static_cast<int>(rect.width),
                static_cast<int>(rect.height)};
}

}  // namespace

ReadOptions ApiOptions(const Arguments &args) {
    const demo::ReadSettings &settings = args.settings;
    ReadOptions options;
    BarcodeFormats formats;
    for (const demo::ReaderKind kind : args.kinds) {
        switch (kind) {
            case demo::ReaderKind::Linear:
                for (std::uint32_t bit = 1; bit != 0; bit <<= 1) {
                    if ((settings.linearTypes & bit) != 0) formats |= api::FormatOfLinearType(bit);
                }
                break;
            case demo::ReaderKind::Pdf417:
                formats |= BarcodeFormat::PDF417;
                break;
            case demo::ReaderKind::DataMatrix:
                formats |= BarcodeFormat::DataMatrix;
                break;
            case demo::ReaderKind::Qr:
                formats |= BarcodeFormat::QRCode;
                break;
            case demo::ReaderKind::MicroQr:
                formats |= BarcodeFormat::MicroQRCode;
                break;
        }
    }
    options.formats = formats;
    options.maxSymbols = demo::MaxResultsFor(settings.maxSymbols);
    options.firstLookOnly = settings.firstLookOnly;
    options.linearDirections = settings.orientation;
    options.linearColours = settings.barsColourMask;
    options.linearThorough = settings.bestRecognition != 0;
    if (settings.searchUnit == demo::SearchUnit::Pixels) options.area = AreaOf(demo::SearchRectPixels(settings, 0, 0));
    return options;
}

PictureReader::PictureReader(const Arguments &args) : args_(args), options_(ApiOptions(args)) {}

PictureResult PictureReader::Read(const Input &input) const {
    if (!input.error.empty()) return Failure(input.path, input.path + ": " + input.error);
    try {
        if (args_.format == OutputFormat::Report || args_.format == OutputFormat::Json) {
            return ReadWithReports(input.path);
        }
        return ReadWithApi(input.path);
    } catch (const std::bad_alloc &) {
        return Failure(input.path, input.path + ": out of memory");
    } catch (const std::exception &error) {
        return Failure(input.path, error.what());
    } catch (...) {
        return Failure(input.path, input.path + ": unexpected error");
    }
}

PictureResult PictureReader::ReadWithApi(const std::string &file) const {
    const Image image = ReadImageFile(file);
    if (args_.settings.searchUnit == demo::SearchUnit::Pixels) return Success(file, ReadBarcodes(image, options_));
    std::uint32_t xDpi = 0;
    std::uint32_t yDpi = 0;
    if (!ResolutionOf(file, xDpi, yDpi)) return Failure(file, file + ": the resolution cannot be read");
    ReadOptions options = options_;
    options.area = AreaOf(demo::SearchRectPixels(args_.settings, xDpi, yDpi));
    return Success(file, ReadBarcodes(image, options));
}

// Every requested reader's report, or its JSON line, as zrread has always printed them.
PictureResult PictureReader::ReadWithReports(const std::string &file) const {
    PictureResult result;
    demo::Document document;
    const demo::FileOutcome opened = demo::OpenImage(document, file.c_str());
    if (!opened.ok) return Failure(file, file + ": " + opened.message);
    const bool json = args_.format == OutputFormat::Json;
    if (!json && args_.info) AppendLines(result.out, demo::ImageInfoLines(document.image));
    demo::ReadSettings settings = args_.settings;
    for (const demo::ReaderKind kind : args_.kinds) {
        settings.readerKind = kind;
        demo::ReadSymbols(document, settings);
        if (document.state.symbolCount != 0) result.outcome = Outcome::Found;
        if (json) {
            result.out += demo::ReadJsonLine(file, kind, document, args_.info) + "\n";
        } else {
            AppendReport(result.out, document);
        }
    }
    return result;
}

PictureResult PictureReader::Success(const std::string &file, const std::vector<Barcode> &barcodes) const {
    PictureResult result;
    result.outcome = barcodes.empty() ? Outcome::Empty : Outcome::Found;
    switch (args_.format) {
        case OutputFormat::Jsonl:
            result.out = JsonlRecord(file, kStatusOk, barcodes);
            break;
        case OutputFormat::Csv:
            result.out = CsvRows(file, kStatusOk, barcodes);
            break;
        default:
            result.out = TextLines(file, barcodes);
    }
    return result;
}

PictureResult PictureReader::Failure(const std::string &file, const std::string &error) const {
    PictureResult result;
    result.outcome = Outcome::Failed;
    switch (args_.format) {
        case OutputFormat::Jsonl:
            result.out = JsonlRecord(file, error, {});
            break;
        case OutputFormat::Csv:
            result.out = CsvRows(file, error, {});
            break;
        default:
            result.err = "zrread: " + EscapeLine(error) + "\n";
    }
    return result;
}

}  // namespace zr::zrread
