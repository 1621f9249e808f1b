#include "new_image.hpp"

#include <cmath>
#include <ctime>
#include <limits>

#include "format.hpp"
#include "read.hpp"
#include "zr/ZrImgRW.h"

namespace zr::demo {
namespace {

constexpr double kCentimetresPerInch = 2.54;

// Values out of range of the record's fields become 0 (which the image library rejects).
uint32_t ToField(double value) {
    if (!(value >= 0.0) || value >= static_cast<double>(std::numeric_limits<uint32_t>::max())) return 0;
    return static_cast<uint32_t>(value);
}

double InchesPerUnit(SizeUnit unit, double dpi) {
    switch (unit) {
        case SizeUnit::Inches:
            return 1.0;
        case SizeUnit::Centimetres:
            return kInchesPerCentimetre;
        case SizeUnit::Pixels:
        default:
            return dpi > 0.0 ? 1.0 / dpi : 0.0;
    }
}

}  // namespace

NewImageGeometry NewImageSize(const NewImageRequest &request) {
    NewImageGeometry geometry;
    geometry.bitsPerPixel = request.bitsPerPixel;
    geometry.dpi = request.resolutionUnit == ResolutionUnit::PerCentimetre
                       ? ToField(std::floor(request.resolution * kCentimetresPerInch + 0.5))
                       : ToField(request.resolution);
    const double dpi = geometry.dpi;
    auto pixels = [&](double value) {
        switch (request.sizeUnit) {
            case SizeUnit::Inches:
                return ToField(value * dpi);
            case SizeUnit::Centimetres:
                return ToField(std::floor(value * dpi * kInchesPerCentimetre + 0.5));
            case SizeUnit::Pixels:
            default:
                return ToField(value);
        }
    };
    geometry.width = pixels(request.width);
    geometry.height = pixels(request.height);
    return geometry;
}

uint16_t CreateNewImage(Document &document, const NewImageRequest &request) {
    const NewImageGeometry geometry = NewImageSize(request);
    ZrImage created{};
    created.width = geometry.width;
    created.height = geometry.height;
    created.bitsPerPixel = geometry.bitsPerPixel;
    created.xDpi = geometry.dpi;
    created.yDpi = geometry.dpi;
    const std::clock_t start = std::clock();
    const uint16_t status = ZrCreateImage(&created);
    const std::clock_t end = std::clock();
    document.state.returnCode = status;
    document.state.runTime = ElapsedSeconds(start, end);
    if (status != ZR_OK) {
        ZrDestroyImage(&created);
        return status;
    }
    ZrDestroyImage(&document.image);
    document.image = created;
    ClearResultCopies(document);
    document.state = ReadState{};
    document.state.lastOperation = Operation::NewImage;
    document.state.returnCode = ZR_OK;
    document.state.runTime = ElapsedSeconds(start, end);
    return ZR_OK;
}

double ConvertSize(double value, SizeUnit from, SizeUnit to, double dpi) {
    if (from == to) return value;
    const double inches = value * InchesPerUnit(from, dpi);
    const double perUnit = InchesPerUnit(to, dpi);
    return perUnit > 0.0 ? inches / perUnit : 0.0;
}

double ConvertResolution(double value, ResolutionUnit from, ResolutionUnit to) {
    if (from == to) return value;
    return to == ResolutionUnit::PerCentimetre ? value * kInchesPerCentimetre : value * kCentimetresPerInch;
}

std::string SizeFieldText(double value, SizeUnit unit) {
    if (unit == SizeUnit::Pixels) {
        const double limit = static_cast<double>(std::numeric_limits<long>::max());
        const long pixels = std::fabs(value) < limit ? static_cast<long>(value) : 0;
        return Format("%ld", pixels);
    }
    return Format("%.3f", value);
}

}  // namespace zr::demo
