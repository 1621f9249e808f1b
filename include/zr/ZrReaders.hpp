// ZrReaders: one call that runs every reader of the toolkit over a picture in
// memory and gives each symbol found as a zr::Barcode with its text in UTF-8.
//
//     zr::Image image = zr::ReadImageFile("label.png");
//     for (const zr::Barcode &barcode : zr::ReadBarcodes(image))
//         std::cout << zr::ToString(barcode.format) << ": " << barcode.text << '\n';
//
// Exceptions mean misuse (std::invalid_argument for a bad view or option) or a
// picture file that cannot be read (zr::ImageError); a picture without symbols,
// or one the readers cannot use, gives an empty list.
#ifndef ZR_ZRREADERS_HPP
#define ZR_ZRREADERS_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ZrImage.h"

namespace zr {

enum class PixelFormat : std::uint8_t { Grey8, RGB24, BGR24, RGBA32, BGRA32 };

// Bytes per pixel of a format.
ZR_EXPORT int BytesPerPixel(PixelFormat format);

// A picture the caller owns: rows top-down, `rowStride` bytes from one row to
// the next (0: packed rows; negative: the rows lie bottom-up in memory and
// `data` points at the top row). The pixels must outlive the view.
class ZR_EXPORT ImageView {
  public:
    // std::invalid_argument for null data, a side not above 0 or a stride
    // shorter than a row.
    ImageView(const std::uint8_t *data, int width, int height, PixelFormat format, std::ptrdiff_t rowStride = 0);

    const std::uint8_t *data() const { return data_; }
    int width() const { return width_; }
    int height() const { return height_; }
    PixelFormat format() const { return format_; }
    std::ptrdiff_t rowStride() const { return rowStride_; }
    const std::uint8_t *row(int y) const { return data_ + y * rowStride_; }

  private:
    const std::uint8_t *data_;
    int width_;
    int height_;
    PixelFormat format_;
    std::ptrdiff_t rowStride_;
};

// One value per symbology, each a bit of BarcodeFormats.
enum class BarcodeFormat : std::uint32_t {
    None = 0,
    Industrial2of5 = 1u << 0,
    Inverted2of5 = 1u << 1,
    Interleaved2of5 = 1u << 2,
    IATA2of5 = 1u << 3,
    Matrix2of5 = 1u << 4,
    Code39 = 1u << 5,
    Codabar = 1u << 6,
    BCDMatrix = 1u << 7,
    Datalogic2of5 = 1u << 8,
    Code128 = 1u << 9,
    EAN128 = 1u << 10,
    Code93 = 1u << 11,
    EAN13 = 1u << 12,
    UPCA = 1u << 13,
    EAN8 = 1u << 14,
    UPCE = 1u << 15,
    AddOn5 = 1u << 16,
    AddOn2 = 1u << 17,
    QRCode = 1u << 18,
    MicroQRCode = 1u << 19,
    DataMatrix = 1u << 20,
    PDF417 = 1u << 21,
};

// A set of formats.
class BarcodeFormats {
  public:
    constexpr BarcodeFormats() = default;
    constexpr BarcodeFormats(BarcodeFormat format) : bits_(static_cast<std::uint32_t>(format)) {}
    static constexpr BarcodeFormats All() { return FromBits(kAllBits); }
    static constexpr BarcodeFormats Linear() { return FromBits(kLinearBits); }
    static constexpr BarcodeFormats FromBits(std::uint32_t bits) {
        BarcodeFormats formats;
        formats.bits_ = bits & kAllBits;
        return formats;
    }
    constexpr std::uint32_t bits() const { return bits_; }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr bool has(BarcodeFormat format) const { return (bits_ & static_cast<std::uint32_t>(format)) != 0; }
    constexpr BarcodeFormats operator|(BarcodeFormats other) const { return FromBits(bits_ | other.bits_); }
    constexpr BarcodeFormats &operator|=(BarcodeFormats other) { return *this = *this | other; }
    constexpr bool operator==(BarcodeFormats other) const { return bits_ == other.bits_; }
    constexpr bool operator!=(BarcodeFormats other) const { return bits_ != other.bits_; }

  private:
    static constexpr std::uint32_t kLinearBits = (1u << 18) - 1;
    static constexpr std::uint32_t kAllBits = (1u << 22) - 1;
    std::uint32_t bits_ = 0;
};

constexpr BarcodeFormats operator|(BarcodeFormat a, BarcodeFormat b) {
    return BarcodeFormats(a) | BarcodeFormats(b);
}

// The display name ("QR Code", "Code 128", ...); "None" for None.
ZR_EXPORT std::string ToString(BarcodeFormat format);
// A format from a name as `zrread --types` takes it ("code128", "ean-13", "Code 39", "upca", ...)
// or "qrcode", "microqrcode", "datamatrix", "pdf417"; case, spaces, '-' and '_' do not count.
// std::invalid_argument for an unknown name.
ZR_EXPORT BarcodeFormat BarcodeFormatFromString(std::string_view name);
// A comma-separated list of names; "all" for every format.
ZR_EXPORT BarcodeFormats BarcodeFormatsFromString(std::string_view names);

// A search rectangle in pixels, y from the top; a side of 0 reaches the edge.
struct Area {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Bits of ReadOptions::linearDirections and linearColours.
enum LinearDirection : std::uint8_t { LeftToRight = 1, RightToLeft = 2, TopToBottom = 4, BottomToTop = 8 };
enum BarColour : std::uint8_t { DarkBars = 1, LightBars = 2 };

struct ReadOptions {
    BarcodeFormats formats = BarcodeFormats::All();
    int maxSymbols = 20;  // per reader, 1 to 255
    Area area;
    bool firstLookOnly = false;  // only each reader's first look, no second look
    std::uint8_t linearDirections = LeftToRight | RightToLeft | TopToBottom | BottomToTop;
    std::uint8_t linearColours = DarkBars | LightBars;  // also the 2-D readers' polarities
    bool linearThorough = false;
};

// A point of a picture in pixels, y from the top.
struct Corner {
    int x = 0;
    int y = 0;
    bool operator==(const Corner &other) const { return x == other.x && y == other.y; }
};

struct Barcode {
    BarcodeFormat format = BarcodeFormat::None;
    std::string text;                 // UTF-8
    std::vector<std::uint8_t> bytes;  // the decoded data as the reader gives it
    std::string symbologyIdentifier;  // ISO/IEC 15424, e.g. "]Q1", "]C1", "]E0"
    std::array<Corner, 4> position;   // the reader's four corners, in its order
    double orientation = 0;           // degrees, 0 <= orientation < 360
    std::string ecLevel;              // empty when the reader does not report it
    std::string version;              // "7", "M2", "16x16", "compact" (PDF417); empty for linear symbols
    bool inverted = false;            // light on dark
    bool isGS1 = false;
};

// Runs each requested reader once over the picture.
ZR_EXPORT std::vector<Barcode> ReadBarcodes(const ImageView &image, const ReadOptions &options = {});

// A picture file that could not be read; `status` is the ZrImgRW code.
class ZR_EXPORT ImageError : public std::runtime_error {
  public:
    ImageError(std::uint16_t status, const std::string &what);
    std::uint16_t status() const { return status_; }

  private:
    std::uint16_t status_;
};

// The meaning of a status code of the toolkit's C calls.
ZR_EXPORT std::string StatusMessage(std::uint16_t status);

// A picture read from a file: grey (8 bits) or colour (BGR, 24 bits).
class ZR_EXPORT Image {
  public:
    Image(Image &&) noexcept;
    Image &operator=(Image &&) noexcept;
    ~Image();

    int width() const;
    int height() const;
    ImageView view() const;
    operator ImageView() const { return view(); }

  private:
    friend struct ImageAccess;
    struct Pixels;
    explicit Image(std::unique_ptr<Pixels> pixels);
    std::unique_ptr<Pixels> pixels_;
};

// PNG, JPEG, TIFF or BMP, told by content; ImageError when the file cannot be read.
ZR_EXPORT Image ReadImageFile(const std::string &path);
ZR_EXPORT Image DecodeImage(const void *bytes, std::size_t size);

}  // namespace zr

#endif  // ZR_ZRREADERS_HPP
