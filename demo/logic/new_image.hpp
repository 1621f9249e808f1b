// The "Create a new image" request: sizes and resolution in the units the user chose.
#ifndef ZR_DEMO_NEW_IMAGE_HPP
#define ZR_DEMO_NEW_IMAGE_HPP

#include <cstdint>
#include <string>

#include "document.hpp"
#include "settings.hpp"

namespace zr::demo {

using SizeUnit = SearchUnit;  // pixels, inches, centimetres
enum class ResolutionUnit : uint8_t { PerInch = 0, PerCentimetre = 1 };

// Defaults of the dialog.
struct NewImageRequest {
    double width = 500;
    double height = 500;
    SizeUnit sizeUnit = SizeUnit::Pixels;
    double resolution = 72;
    ResolutionUnit resolutionUnit = ResolutionUnit::PerInch;
    uint16_t bitsPerPixel = 1;  // 1, 8 or 24
};

struct NewImageGeometry {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t dpi = 0;  // both directions
    uint16_t bitsPerPixel = 0;
};

NewImageGeometry NewImageSize(const NewImageRequest &request);

// Creates the image between two clock readings and stores return code and run time; on success the
// result copies go and the state records the new-image operation, which the report shows as it
// shows the others. On failure the document's image is left as it was (the caller closes a
// document made for the request).
uint16_t CreateNewImage(Document &document, const NewImageRequest &request);

// Unit changes while the dialog is open. `dpi` is the resolution in dots per inch.
double ConvertSize(double value, SizeUnit from, SizeUnit to, double dpi);
double ConvertResolution(double value, ResolutionUnit from, ResolutionUnit to);
// A size field: "%ld" in pixels, "%.3f" otherwise.
std::string SizeFieldText(double value, SizeUnit unit);

}  // namespace zr::demo

#endif  // ZR_DEMO_NEW_IMAGE_HPP
