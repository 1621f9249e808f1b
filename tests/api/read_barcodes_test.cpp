// ReadBarcodes against the readers' C calls: the same symbols, texts and
// corners whatever the pixel format or row order of the view.
#include <gtest/gtest.h>

#include <zint.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "support/render.hpp"
#include "zr/ZrBar.h"
#include "zr/ZrDM.h"
#include "zr/ZrImgRW.h"
#include "zr/ZrQR.h"
#include "zr/ZrReaders.hpp"

namespace {

using zr::test::Raster;

Raster Render(int symbology, const std::string &data, int inputMode = DATA_MODE, int moduleSize = 4) {
    zr::test::SymbolOptions options;
    options.symbology = symbology;
    options.data = data;
    options.inputMode = inputMode;
    options.moduleSize = moduleSize;
    std::string error;
    Raster raster = zr::test::RenderSymbol(options, &error);
    EXPECT_FALSE(raster.empty()) << error;
    return raster;
}

// A symbol whose data follows an ECI designator, drawn four pixels per
// module; `size` picks zint's size (0: the smallest that holds the data).
Raster RenderWithEci(const std::string &data, int eci, int symbology = BARCODE_QRCODE, int size = 0) {
    zint_symbol *symbol = ZBarcode_Create();
    symbol->symbology = symbology;
    symbol->eci = eci;
    symbol->option_2 = size;
    symbol->input_mode = DATA_MODE;
    symbol->scale = 0.5f;  // one pixel per module
    symbol->output_options = BARCODE_NO_QUIET_ZONES;
    Raster modules;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.data());
    if (ZBarcode_Encode_and_Buffer(symbol, bytes, static_cast<int>(data.size()), 0) < ZINT_ERROR && symbol->bitmap) {
        modules.width = symbol->bitmap_width;
        modules.height = symbol->bitmap_height;
        modules.pixels.resize(static_cast<std::size_t>(modules.width) * static_cast<std::size_t>(modules.height));
        for (std::size_t i = 0; i < modules.pixels.size(); ++i)
            modules.pixels[i] = symbol->bitmap[3 * i] < 128 ? 0 : 255;
    }
    ZBarcode_Delete(symbol);
    return zr::test::ExpandModules(modules, 4, 0, 10);
}

zr::ImageView GreyView(const Raster &raster) {
    return zr::ImageView(raster.pixels.data(), raster.width, raster.height, zr::PixelFormat::Grey8);
}

// The raster in a pixel format: grey copied into every colour channel, alpha opaque.
std::vector<std::uint8_t> InFormat(const Raster &raster, zr::PixelFormat format) {
    const int bytes = zr::BytesPerPixel(format);
    std::vector<std::uint8_t> out;
    out.reserve(raster.pixels.size() * static_cast<std::size_t>(bytes));
    for (const std::uint8_t grey : raster.pixels)
        for (int i = 0; i < bytes; ++i) out.push_back(i == 3 ? 255 : grey);
    return out;
}

std::vector<zr::Barcode> ReadOne(const zr::ImageView &view, zr::BarcodeFormats formats) {
    zr::ReadOptions options;
    options.formats = formats;
    return zr::ReadBarcodes(view, options);
}

TEST(ReadBarcodes, GivesTheCRecordsTextsAndCornersForEachReader) {
    const Raster qr = Render(BARCODE_QRCODE, "HELLO 123");
    const std::vector<std::uint8_t> dib = zr::test::ToDib(qr, 8);
    ZrQRScanner scanner{};
    ZrInitQRScanner(&scanner);
    scanner.image = dib.data();
    ZrScanQR(&scanner);
    ASSERT_EQ(scanner.resultCount, 1);
    const std::vector<zr::Barcode> read = ReadOne(GreyView(qr), zr::BarcodeFormat::QRCode);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].text, std::string(scanner.results[0].text, scanner.results[0].length));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(read[0].position[i].x, scanner.results[0].corners[2 * i]);
        EXPECT_EQ(read[0].position[i].y, scanner.results[0].corners[2 * i + 1]);
    }
    EXPECT_EQ(read[0].symbologyIdentifier, "]Q1");
    EXPECT_EQ(zr::ToString(read[0].format), "QR Code");
    EXPECT_NEAR(read[0].orientation, 0.0, 1.0);
    ZrFreeQRScanner(&scanner);

    const Raster dm = Render(BARCODE_DATAMATRIX, "DataMatrix 42");
    const std::vector<std::uint8_t> dmDib = zr::test::ToDib(dm, 8);
    ZrDMScanner dmScanner{};
    ZrInitDMScanner(&dmScanner);
    dmScanner.image = dmDib.data();
    ZrScanDM(&dmScanner);
    ASSERT_EQ(dmScanner.resultCount, 1);
    const std::vector<zr::Barcode> dmRead = ReadOne(GreyView(dm), zr::BarcodeFormat::DataMatrix);
    ASSERT_EQ(dmRead.size(), 1u);
    EXPECT_EQ(dmRead[0].text, dmScanner.results[0].text);
    EXPECT_EQ(dmRead[0].position[2].x, dmScanner.results[0].corners[4]);
    EXPECT_EQ(dmRead[0].symbologyIdentifier, "]d1");
    ZrFreeDMScanner(&dmScanner);
}

TEST(ReadBarcodes, EveryPixelFormatAndBottomUpRowsReadAlike) {
    const Raster picture = Render(BARCODE_CODE128, "Format 128", DATA_MODE, 3);
    const std::vector<zr::Barcode> grey = zr::ReadBarcodes(GreyView(picture));
    ASSERT_EQ(grey.size(), 1u);
    EXPECT_EQ(grey[0].text, "Format 128");
    EXPECT_EQ(grey[0].format, zr::BarcodeFormat::Code128);
    EXPECT_EQ(grey[0].symbologyIdentifier, "]C0");
    for (const zr::PixelFormat format : {zr::PixelFormat::RGB24, zr::PixelFormat::BGR24, zr::PixelFormat::RGBA32,
                                         zr::PixelFormat::BGRA32}) {
        const std::vector<std::uint8_t> pixels = InFormat(picture, format);
        const std::vector<zr::Barcode> read =
            zr::ReadBarcodes(zr::ImageView(pixels.data(), picture.width, picture.height, format));
        ASSERT_EQ(read.size(), 1u) << static_cast<int>(format);
        EXPECT_EQ(read[0].text, grey[0].text);
        EXPECT_EQ(read[0].position, grey[0].position);
    }
    // The rows stored bottom-up: the view starts at the last stored row and steps back.
    Raster flipped = picture;
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(&flipped.at(0, picture.height - 1 - y), picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width), static_cast<std::size_t>(picture.width));
    const zr::ImageView bottomUp(&flipped.at(0, picture.height - 1), picture.width, picture.height,
                                 zr::PixelFormat::Grey8, -static_cast<std::ptrdiff_t>(picture.width));
    const std::vector<zr::Barcode> read = zr::ReadBarcodes(bottomUp);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].position, grey[0].position);
}

TEST(ReadBarcodes, FormatsAreasAndMisuse) {
    const Raster picture = Render(BARCODE_QRCODE, "only QR");
    EXPECT_TRUE(ReadOne(GreyView(picture), zr::BarcodeFormat::DataMatrix).empty());
    EXPECT_TRUE(ReadOne(GreyView(picture), zr::BarcodeFormats()).empty());
    zr::ReadOptions options;
    options.firstLookOnly = true;
    EXPECT_EQ(zr::ReadBarcodes(GreyView(picture), options).size(), 1u);
    options.area = {0, 0, 20, 20};  // a corner without the symbol
    EXPECT_TRUE(zr::ReadBarcodes(GreyView(picture), options).empty());

    options = {};
    options.maxSymbols = 0;
    EXPECT_THROW(zr::ReadBarcodes(GreyView(picture), options), std::invalid_argument);
    options = {};
    options.area.left = -1;
    EXPECT_THROW(zr::ReadBarcodes(GreyView(picture), options), std::invalid_argument);
    EXPECT_THROW(zr::ImageView(nullptr, 1, 1, zr::PixelFormat::Grey8), std::invalid_argument);
    EXPECT_THROW(zr::ImageView(picture.pixels.data(), 10, 10, zr::PixelFormat::RGB24, 20), std::invalid_argument);

    // A picture of noise gives nothing, never an exception.
    Raster noise = zr::test::AddNoise(zr::test::Canvas(200, 150, 128), 120, 7);
    EXPECT_TRUE(zr::ReadBarcodes(GreyView(noise)).empty());
}

TEST(ReadBarcodes, FormatNamesRoundTrip) {
    EXPECT_EQ(zr::BarcodeFormatFromString("code128"), zr::BarcodeFormat::Code128);
    EXPECT_EQ(zr::BarcodeFormatFromString("EAN-13"), zr::BarcodeFormat::EAN13);
    EXPECT_EQ(zr::BarcodeFormatFromString("upca"), zr::BarcodeFormat::UPCA);
    EXPECT_EQ(zr::BarcodeFormatFromString("qrcode"), zr::BarcodeFormat::QRCode);
    EXPECT_EQ(zr::BarcodeFormatFromString("microqrcode"), zr::BarcodeFormat::MicroQRCode);
    EXPECT_EQ(zr::BarcodeFormatFromString("DataMatrix"), zr::BarcodeFormat::DataMatrix);
    EXPECT_EQ(zr::BarcodeFormatFromString("pdf417"), zr::BarcodeFormat::PDF417);
    for (std::uint32_t bit = 1; bit < (1u << 22); bit <<= 1) {
        const auto format = static_cast<zr::BarcodeFormat>(bit);
        EXPECT_EQ(zr::BarcodeFormatFromString(zr::ToString(format)), format) << zr::ToString(format);
    }
    EXPECT_THROW(zr::BarcodeFormatFromString("code 12"), std::invalid_argument);
    EXPECT_EQ(zr::BarcodeFormatsFromString("qrcode,ean8"), zr::BarcodeFormat::QRCode | zr::BarcodeFormat::EAN8);
    EXPECT_EQ(zr::BarcodeFormatsFromString("all"), zr::BarcodeFormats::All());
}

TEST(ReadBarcodes, GS1SymbolsCarryTheirIdentifier) {
    const std::vector<zr::Barcode> linear =
        zr::ReadBarcodes(GreyView(Render(BARCODE_GS1_128, "[01]09521234543213[10]ABC", GS1_MODE, 3)));
    ASSERT_EQ(linear.size(), 1u);
    EXPECT_TRUE(linear[0].isGS1);
    EXPECT_EQ(linear[0].symbologyIdentifier, "]C1");

    // DataMatrix: FNC1 first marks GS1; a variable-length field ends with a group separator.
    const std::vector<zr::Barcode> dm = ReadOne(GreyView(Render(BARCODE_DATAMATRIX, "[10]ABC[01]09521234543213", GS1_MODE)),
                                                zr::BarcodeFormat::DataMatrix);
    ASSERT_EQ(dm.size(), 1u);
    EXPECT_TRUE(dm[0].isGS1);
    EXPECT_EQ(dm[0].symbologyIdentifier, "]d2");
    EXPECT_EQ(dm[0].text, "10ABC\x1D" "0109521234543213");
    // QR Code: the second look reads FNC1 first, where '%' in alphanumeric data stands for the separator.
    const std::vector<zr::Barcode> qr = ReadOne(GreyView(Render(BARCODE_QRCODE, "[10]AB%C[21]12", GS1_MODE)),
                                                zr::BarcodeFormat::QRCode);
    ASSERT_EQ(qr.size(), 1u);
    EXPECT_TRUE(qr[0].isGS1);
    EXPECT_EQ(qr[0].symbologyIdentifier, "]Q3");
    EXPECT_EQ(qr[0].text, "10AB%C\x1D" "2112");
    const std::vector<zr::Barcode> plain = ReadOne(GreyView(Render(BARCODE_DATAMATRIX, "10ABC")), zr::BarcodeFormat::DataMatrix);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_FALSE(plain[0].isGS1);
}

TEST(ReadBarcodes, BytesGoPastZeroBytesAndTheRecordsLength) {
    const std::string data("A\0B\0", 4);
    for (const int symbology : {BARCODE_DATAMATRIX, BARCODE_PDF417}) {
        const std::vector<zr::Barcode> read =
            ReadOne(GreyView(Render(symbology, data)), zr::BarcodeFormat::DataMatrix | zr::BarcodeFormat::PDF417);
        ASSERT_EQ(read.size(), 1u) << symbology;
        EXPECT_EQ(std::string(read[0].bytes.begin(), read[0].bytes.end()), data) << symbology;
        EXPECT_EQ(read[0].text, data) << symbology;
    }
    // PDF417 data past the C record's 1023 bytes.
    std::string longText;
    while (longText.size() < 1200) longText += "PDF ABCDEFGHIJKLMNOPQRSTUVWXYZ ";
    const Raster pdf417 = Render(BARCODE_PDF417, longText, DATA_MODE, 2);
    const std::vector<zr::Barcode> read = ReadOne(GreyView(pdf417), zr::BarcodeFormat::PDF417);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].text, longText);
}

// Compact PDF417 says so in `version`, and only there: full symbols leave it empty.
TEST(ReadBarcodes, CompactPdf417IsTold) {
    const std::vector<zr::Barcode> compact =
        ReadOne(GreyView(Render(BARCODE_PDF417COMP, "Compact symbol")), zr::BarcodeFormat::PDF417);
    ASSERT_EQ(compact.size(), 1u);
    EXPECT_EQ(compact[0].text, "Compact symbol");
    EXPECT_EQ(compact[0].version, "compact");
    const std::vector<zr::Barcode> full =
        ReadOne(GreyView(Render(BARCODE_PDF417, "Full symbol")), zr::BarcodeFormat::PDF417);
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(full[0].version, "");
}

TEST(ReadBarcodes, EciAndCharacterSetsGiveUtf8) {
    // Byte data that is valid UTF-8 stays UTF-8; other bytes read as ISO-8859-1.
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e \xD0\x96";
    std::vector<zr::Barcode> read = ReadOne(GreyView(RenderWithEci(utf8, 26)), zr::BarcodeFormat::QRCode);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].text, utf8);
    EXPECT_EQ(read[0].symbologyIdentifier, "]Q2");
    // ISO-8859-5, UTF-16BE and Shift JIS after their ECI designators.
    struct EciCase {
        std::string bytes;
        int eci;
        std::string text;
    };
    const EciCase cases[] = {
        {"\xB6\xD5\xDB\xD5\xD7\xDE", 7, "\xD0\x96\xD0\xB5\xD0\xBB\xD0\xB5\xD0\xB7\xD0\xBE"},
        {std::string("\x04\x16\x00\x41", 4), 25, "\xD0\x96" "A"},
        {"\x93\xFA\x96\x7B", 20, "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"\xE9t\xE9", 3, "\xC3\xA9t\xC3\xA9"},
    };
    for (const EciCase &eciCase : cases) {
        read = ReadOne(GreyView(RenderWithEci(eciCase.bytes, eciCase.eci)), zr::BarcodeFormat::QRCode);
        ASSERT_EQ(read.size(), 1u) << eciCase.eci;
        EXPECT_EQ(read[0].text, eciCase.text) << eciCase.eci;
        EXPECT_EQ(std::string(read[0].bytes.begin(), read[0].bytes.end()), eciCase.bytes) << eciCase.eci;
        EXPECT_EQ(read[0].symbologyIdentifier, "]Q2");
        // Longer data gives DataMatrix sizes the reader locates (it misses some of the smallest).
        std::string bytes, text;
        for (int i = 0; i < 6; ++i) {
            bytes += eciCase.bytes;
            text += eciCase.text;
        }
        read = ReadOne(GreyView(RenderWithEci(bytes, eciCase.eci, BARCODE_DATAMATRIX)), zr::BarcodeFormat::DataMatrix);
        ASSERT_EQ(read.size(), 1u) << eciCase.eci;
        EXPECT_EQ(read[0].text, text) << eciCase.eci;
        EXPECT_EQ(std::string(read[0].bytes.begin(), read[0].bytes.end()), bytes) << eciCase.eci;
        EXPECT_EQ(read[0].symbologyIdentifier, "]d4");
        read = ReadOne(GreyView(RenderWithEci(bytes, eciCase.eci, BARCODE_PDF417)), zr::BarcodeFormat::PDF417);
        ASSERT_EQ(read.size(), 1u) << eciCase.eci;
        EXPECT_EQ(read[0].text, text) << eciCase.eci;
        EXPECT_EQ(std::string(read[0].bytes.begin(), read[0].bytes.end()), bytes) << eciCase.eci;
    }
    // A DMRE symbol, which only the second look reads, keeps its ECI too (zint's size 37 is 12 x 64).
    read = ReadOne(GreyView(RenderWithEci(cases[0].bytes, cases[0].eci, BARCODE_DATAMATRIX, 37)),
                   zr::BarcodeFormat::DataMatrix);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].version, "12x64");
    EXPECT_EQ(read[0].text, cases[0].text);
    EXPECT_EQ(read[0].symbologyIdentifier, "]d4");
    read = ReadOne(GreyView(Render(BARCODE_QRCODE, "caf\xE9")), zr::BarcodeFormat::QRCode);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].text, "caf\xC3\xA9");
    EXPECT_EQ(read[0].bytes, (std::vector<std::uint8_t>{'c', 'a', 'f', 0xE9}));
    // Kanji mode holds Shift JIS bytes.
    read = ReadOne(GreyView(Render(BARCODE_QRCODE, "\xE6\x97\xA5\xE6\x9C\xAC", UNICODE_MODE)),
                   zr::BarcodeFormat::QRCode);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].text, "\xE6\x97\xA5\xE6\x9C\xAC");
}

TEST(ReadImage, FilesAndMemoryByContent) {
    const Raster picture = Render(BARCODE_QRCODE, "from a file");
    ZrImage record{};
    record.width = static_cast<std::uint32_t>(picture.width);
    record.height = static_cast<std::uint32_t>(picture.height);
    const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 8);
    const std::string path = ::testing::TempDir() + "/api_read_image.bmp.png";  // the name does not count
    {
        ZrImage image{};
        image.width = record.width;
        image.height = record.height;
        image.bitsPerPixel = 8;
        ASSERT_EQ(ZrCreateImage(&image), ZR_OK);
        for (int y = 0; y < picture.height; ++y)
            std::memcpy(static_cast<std::uint8_t *>(image.bits) + (picture.height - 1 - y) * image.pitch,
                        picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width), static_cast<std::size_t>(picture.width));
        ASSERT_EQ(ZrWriteTIF(&image, path.c_str(), 0), ZR_OK);
        ZrDestroyImage(&image);
    }
    const zr::Image image = zr::ReadImageFile(path);
    std::vector<zr::Barcode> read = zr::ReadBarcodes(image);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].text, "from a file");

    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(ZrDetectImageType(bytes.data(), bytes.size()), ZR_IMAGE_TIFF);
    read = zr::ReadBarcodes(zr::DecodeImage(bytes.data(), bytes.size()));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].text, "from a file");

    const char notAPicture[] = "plain text";
    EXPECT_EQ(ZrDetectImageType(notAPicture, sizeof notAPicture), ZR_IMAGE_UNKNOWN);
    try {
        zr::DecodeImage(notAPicture, sizeof notAPicture);
        FAIL() << "no exception";
    } catch (const zr::ImageError &error) {
        EXPECT_EQ(error.status(), ZR_ERR_UNSUPPORTED);
        EXPECT_NE(std::string(error.what()).find("not supported"), std::string::npos);
    }
    EXPECT_THROW(zr::ReadImageFile(path + ".missing"), zr::ImageError);
    // A truncated file: the reader's status, no crash.
    EXPECT_THROW(zr::DecodeImage(bytes.data(), bytes.size() / 3), zr::ImageError);
    std::remove(path.c_str());
}

}  // namespace
