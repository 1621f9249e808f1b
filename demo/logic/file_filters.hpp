// The file dialogs' titles and filters: a label and its patterns, separated by ';'.
#ifndef ZR_DEMO_FILE_FILTERS_HPP
#define ZR_DEMO_FILE_FILTERS_HPP

namespace zr::demo {

struct FileFilter {
    const char *label;
    const char *patterns;
};

constexpr const char *kOpenDialogTitle = "Open image file";

// The first entry's label leaves out *.tif although its patterns include it; PDF is offered but
// opening such a file reports an unsupported type.
constexpr FileFilter kOpenFilters[] = {
    {"Supported image formats (*.bmp;*.png;*.jpg;*.pdf)", "*.bmp;*.png;*.tif;*.jpg;*.pdf"},
    {"BMP Images (*.bmp)", "*.bmp"},
    {"PNG Images (*.png)", "*.png"},
    {"TIFF Images (*.tif)", "*.tif"},
    {"JPEG Images (*.jpg)", "*.jpg"},
    {"PDF Images (*.pdf)", "*.pdf"},
};

// Save As offers the types the image library writes.
constexpr FileFilter kSaveFilters[] = {
    {"BMP Images (*.bmp)", "*.bmp"},
    {"PNG Images (*.png)", "*.png"},
    {"TIFF Images (*.tif)", "*.tif"},
    {"JPEG Images (*.jpg)", "*.jpg"},
};

}  // namespace zr::demo

#endif  // ZR_DEMO_FILE_FILTERS_HPP
