// The file dialogs' titles and filters: a label and its patterns, separated by ';'.
#ifndef ZR_DEMO_FILE_FILTERS_HPP
#define ZR_DEMO_FILE_FILTERS_HPP

#include <cstddef>
#include <iterator>
#include <string_view>

#include "document.hpp"

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

// The Save As filter of a path's format (by its extension), so that the dialog starts on the
// document's own type; the first (BMP) for a path without a type the library writes.
inline size_t SaveFilterIndex(std::string_view path) {
    constexpr ImageFormat kSaveOrder[] = {ImageFormat::Bmp, ImageFormat::Png, ImageFormat::Tif,
                                          ImageFormat::Jpg};
    static_assert(std::size(kSaveOrder) == std::size(kSaveFilters), "one format per Save As filter");
    const ImageFormat format = FormatFromPath(path);
    for (size_t i = 0; i < std::size(kSaveOrder); ++i) {
        if (kSaveOrder[i] == format) return i;
    }
    return 0;
}

}  // namespace zr::demo

#endif  // ZR_DEMO_FILE_FILTERS_HPP
