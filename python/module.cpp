// The native part of the Python package zrreaders: pictures as numpy arrays,
// file bytes or paths, read with the GIL released.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "zr/ZrImgRW.h"
#include "zr/ZrReaders.hpp"

namespace py = pybind11;

namespace {

constexpr int kGreyChannels = 1;
constexpr int kRgbChannels = 3;
constexpr int kRgbaChannels = 4;

zr::ReadOptions Options(std::uint32_t formats, int maxSymbols, bool firstLookOnly) {
    zr::ReadOptions options;
    options.formats = zr::BarcodeFormats::FromBits(formats);
    options.maxSymbols = maxSymbols;
    options.firstLookOnly = firstLookOnly;
    return options;
}

// An H x W, H x W x 1, H x W x 3 (RGB) or H x W x 4 (RGBA) uint8 array whose
// pixels lie side by side in each row; rows may be any distance apart.
std::vector<zr::Barcode> ReadArray(const py::array &array, std::uint32_t formats, int maxSymbols, bool firstLookOnly) {
    if (!py::isinstance<py::array_t<std::uint8_t>>(array)) throw std::invalid_argument("the array must be uint8");
    const py::ssize_t dims = array.ndim();
    if (dims != 2 && dims != 3) throw std::invalid_argument("the array must be H x W or H x W x C");
    const int channels = dims == 2 ? kGreyChannels : static_cast<int>(array.shape(2));
    zr::PixelFormat format = zr::PixelFormat::Grey8;
    if (channels == kRgbChannels) {
        format = zr::PixelFormat::RGB24;
    } else if (channels == kRgbaChannels) {
        format = zr::PixelFormat::RGBA32;
    } else if (channels != kGreyChannels) {
        throw std::invalid_argument("the array must have 1, 3 or 4 channels");
    }
    if (array.strides(1) != channels || (dims == 3 && array.strides(2) != 1))
        throw std::invalid_argument("the pixels of a row must be contiguous");
    const zr::ImageView view(static_cast<const std::uint8_t *>(array.data()), static_cast<int>(array.shape(1)),
                             static_cast<int>(array.shape(0)), format, array.strides(0));
    const zr::ReadOptions options = Options(formats, maxSymbols, firstLookOnly);
    py::gil_scoped_release released;
    return zr::ReadBarcodes(view, options);
}

std::vector<zr::Barcode> ReadBytes(const py::bytes &bytes, std::uint32_t formats, int maxSymbols, bool firstLookOnly) {
    const std::string_view data = bytes;  // kept alive by the caller's reference
    const zr::ReadOptions options = Options(formats, maxSymbols, firstLookOnly);
    py::gil_scoped_release released;
    return zr::ReadBarcodes(zr::DecodeImage(data.data(), data.size()), options);
}

std::vector<zr::Barcode> ReadFile(const std::string &path, std::uint32_t formats, int maxSymbols, bool firstLookOnly) {
    const zr::ReadOptions options = Options(formats, maxSymbols, firstLookOnly);
    py::gil_scoped_release released;
    return zr::ReadBarcodes(zr::ReadImageFile(path), options);
}

py::list PositionOf(const zr::Barcode &barcode) {
    py::list corners;
    for (const zr::Corner &corner : barcode.position) corners.append(py::make_tuple(corner.x, corner.y));
    return corners;
}

}  // namespace

PYBIND11_MODULE(_zrreaders, module) {
    module.doc() = "Native part of zrreaders";

    py::enum_<zr::BarcodeFormat> format(module, "BarcodeFormat", py::arithmetic());
    for (std::uint32_t bit = 1; bit <= static_cast<std::uint32_t>(zr::BarcodeFormat::PDF417); bit <<= 1) {
        const auto value = static_cast<zr::BarcodeFormat>(bit);
        const std::string name = zr::ToString(value);
        // The C++ enumerator names, without spaces.
        static constexpr const char *kNames[] = {
            "Industrial2of5", "Inverted2of5", "Interleaved2of5", "IATA2of5", "Matrix2of5", "Code39",
            "Codabar", "BCDMatrix", "Datalogic2of5", "Code128", "EAN128", "Code93", "EAN13", "UPCA",
            "EAN8", "UPCE", "AddOn5", "AddOn2", "QRCode", "MicroQRCode", "DataMatrix", "PDF417"};
        std::size_t index = 0;
        while ((1u << index) != bit) ++index;
        format.value(kNames[index], value);
    }
    // Replaces pybind11's own __str__ (a def would only add an overload behind it).
    format.attr("__str__") = py::cpp_function([](zr::BarcodeFormat value) { return zr::ToString(value); },
                                              py::name("__str__"), py::is_method(format));
    module.def("format_from_string", &zr::BarcodeFormatFromString, py::arg("name"));

    py::class_<zr::Barcode>(module, "Barcode")
        .def_readonly("format", &zr::Barcode::format)
        .def_readonly("text", &zr::Barcode::text)
        .def_property_readonly("bytes",
                               [](const zr::Barcode &b) {
                                   return py::bytes(reinterpret_cast<const char *>(b.bytes.data()), b.bytes.size());
                               })
        .def_readonly("symbology_identifier", &zr::Barcode::symbologyIdentifier)
        .def_property_readonly("position", &PositionOf)
        .def_readonly("orientation", &zr::Barcode::orientation)
        .def_readonly("ec_level", &zr::Barcode::ecLevel)
        .def_readonly("version", &zr::Barcode::version)
        .def_readonly("inverted", &zr::Barcode::inverted)
        .def_readonly("is_gs1", &zr::Barcode::isGS1)
        .def("__repr__", [](const zr::Barcode &b) {
            return "<Barcode " + zr::ToString(b.format) + " " + py::repr(py::str(b.text)).cast<std::string>() + ">";
        });

    py::register_exception<zr::ImageError>(module, "ImageError", PyExc_ValueError);

    module.def("read_array", &ReadArray, py::arg("array"), py::arg("formats"), py::arg("max_symbols"),
               py::arg("first_look_only"));
    module.def("read_bytes", &ReadBytes, py::arg("data"), py::arg("formats"), py::arg("max_symbols"),
               py::arg("first_look_only"));
    // The picture type a file's first bytes show (0: none the image library reads).
    module.def(
        "image_type",
        [](const py::bytes &head) {
            const std::string_view data = head;
            return ZrDetectImageType(data.data(), data.size());
        },
        py::arg("head"));
    module.def("read_file", &ReadFile, py::arg("path"), py::arg("formats"), py::arg("max_symbols"),
               py::arg("first_look_only"));
}
