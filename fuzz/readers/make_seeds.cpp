// Writes the seed corpora of the reader fuzz targets: symbols rendered with
// libzint as the scan targets take them (see picture_input.hpp), and
// codeword streams for the data decoders.
// Usage: reader_fuzz_seeds <folder>; fills <folder>/<target> for each target.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "picture_input.hpp"
#include "support/render.hpp"
#include "support/render_pdf417.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;
using zr::test::Raster;

void Write(const std::string &folder, const std::string &target, const std::string &name, const Bytes &b) {
    std::filesystem::create_directories(folder + "/" + target);
    std::ofstream(folder + "/" + target + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The picture at each depth with the prefix that rebuilds it, and once with
// its own header; a second 8-bit copy searches a rectangle round the symbol.
void WritePicture(const std::string &folder, const std::string &target, const std::string &name,
                  const Raster &r, const zr_fuzz::ScanOptions &options) {
    if (r.empty() || std::uint64_t(r.width) * std::uint64_t(r.height) > zr_fuzz::kMaxBuiltPixels ||
        r.width > 1024 || r.height > 1024)
        return;
    for (int bits : {1, 8, 24}) {
        const Bytes dib = zr::test::ToDib(r, bits);
        Bytes seed = zr_fuzz::BuiltPrefix(std::uint32_t(r.width), std::uint32_t(r.height),
                                          std::uint32_t(bits), zr_fuzz::kWriteSizeImage, options);
        const std::size_t pixels = zr_fuzz::kHeaderSize + zr_fuzz::PaletteBytes(std::uint32_t(bits));
        seed.insert(seed.end(), dib.begin() + std::ptrdiff_t(pixels), dib.end());
        Write(folder, target, name + "-" + std::to_string(bits), seed);
        if (bits == 8) {
            zr_fuzz::ScanOptions inside = options;
            inside.useRectangle = true;
            inside.left = std::uint32_t(r.width / 20);
            inside.top = std::uint32_t(r.height / 20);
            inside.width = std::uint32_t(r.width - r.width / 10);
            inside.height = std::uint32_t(r.height - r.height / 10);
            Bytes rect = zr_fuzz::BuiltPrefix(std::uint32_t(r.width), std::uint32_t(r.height), 8,
                                              zr_fuzz::kUseRectangle, inside);
            rect.insert(rect.end(), dib.begin() + std::ptrdiff_t(pixels), dib.end());
            Write(folder, target, name + "-rect", rect);
        }
        if (bits == 1) {
            Bytes raw = zr_fuzz::BuiltPrefix(1, 1, 8, 3, options);  // depth code 3: header as given
            raw.insert(raw.end(), dib.begin(), dib.end());
            Write(folder, target, name + "-header", raw);
        }
    }
}

Raster Render(int symbology, const std::string &data, int moduleSize, int quietZone, int option1 = -1,
              int option2 = 0, int barHeight = 0, double wideRatio = 0) {
    zr::test::SymbolOptions o;
    o.symbology = symbology;
    o.data = data;
    o.moduleSize = moduleSize;
    o.quietZone = quietZone;
    o.option1 = option1;
    o.option2 = option2;
    o.barHeight = barHeight;
    o.wideRatio = wideRatio;
    return zr::test::RenderSymbol(o);
}

void WriteScanSeeds(const std::string &folder) {
    zr_fuzz::ScanOptions bar;
    bar.a = 3;
    bar.b = 15;
    bar.symbologies = 0x1FF1FF;
    const struct {
        int symbology;
        const char *data;
    } linear[] = {
        {BARCODE_CODE39, "FUZZ-39"},   {BARCODE_CODE128, "Fuzz 128"}, {BARCODE_EANX, "501234567890"},
        {BARCODE_UPCA, "01234567890"}, {BARCODE_UPCE, "0123456"},     {BARCODE_C25INTER, "12345678"},
        {BARCODE_CODABAR, "A1234B"},   {BARCODE_CODE93, "FUZZ93"},    {BARCODE_EANX, "1234567"}};
    int n = 0;
    for (const auto &s : linear)
        WritePicture(folder, "bar_scan", "linear" + std::to_string(n++),
                     Render(s.symbology, s.data, 2, 10, -1, 0, 20), bar);
    WritePicture(folder, "bar_scan", "turned",
                 zr::test::RotateQuarter(Render(BARCODE_CODE39, "TURN", 2, 10, -1, 0, 20, 2.5), 1), bar);
    WritePicture(folder, "bar_scan", "wide", Render(BARCODE_CODE39, "WIDE-39", 2, 10, -1, 0, 20, 2.5), bar);

    zr_fuzz::ScanOptions twoD;
    twoD.a = 3;
    WritePicture(folder, "qr_scan", "v1", Render(BARCODE_QRCODE, "FUZZ QR 1", 2, 4, 1), twoD);
    WritePicture(folder, "qr_scan", "v2-numeric",
                 Render(BARCODE_QRCODE, "0123456789012345678901234", 2, 4, 2, 2), twoD);
    WritePicture(folder, "qr_scan", "v3-bytes", Render(BARCODE_QRCODE, "fuzz://qr?v=3&m=bytes", 2, 4, 3, 3),
                 twoD);
    WritePicture(folder, "qr_scan", "inverted", zr::test::Invert(Render(BARCODE_QRCODE, "INVERTED", 2, 4, 1)),
                 twoD);

    WritePicture(folder, "dm_scan", "ascii", Render(BARCODE_DATAMATRIX, "FUZZ-DM-1234", 4, 10), twoD);
    WritePicture(folder, "dm_scan", "c40", Render(BARCODE_DATAMATRIX, "ABCDEFGHIJKLMNOPQRSTUV", 3, 10), twoD);
    WritePicture(folder, "dm_scan", "rectangle", Render(BARCODE_DATAMATRIX, "RECT12", 4, 10, -1, 25), twoD);
    WritePicture(folder, "dm_scan", "bytes",
                 Render(BARCODE_DATAMATRIX, "\xC3\xA9t\xC3\xA9 \x01\x02\xFF", 3, 10), twoD);

    WritePicture(folder, "microqr_scan", "m1", Render(BARCODE_MICROQR, "12345", 3, 2, -1, 1), twoD);
    WritePicture(folder, "microqr_scan", "m2", Render(BARCODE_MICROQR, "FUZZ", 3, 2, -1, 2), twoD);
    WritePicture(folder, "microqr_scan", "m3", Render(BARCODE_MICROQR, "fuzz mqr", 3, 2, -1, 3), twoD);
    WritePicture(folder, "microqr_scan", "m4", Render(BARCODE_MICROQR, "MICRO QR M4 FUZZ", 3, 2, -1, 4),
                 twoD);

    zr_fuzz::ScanOptions pdf;
    pdf.a = 3;
    pdf.b = 15;
    for (const char *text :
         {"FUZZ PDF417", "0123456789012345678901234567890", "Mixed text, bytes \x01\xFE"}) {
        zr::test::Pdf417Options o;
        o.data = text;
        o.columns = 3;
        o.moduleSize = 1;
        o.rowHeight = 3;
        o.quietZone = 4;
        const Raster r = zr::test::RenderPdf417(o).picture;
        WritePicture(folder, "pdf417_scan", "pdf" + std::to_string(n++), r, pdf);
        WritePicture(folder, "pdf417_scan", "pdf" + std::to_string(n++) + "-turned",
                     zr::test::RotateQuarter(r, 1), pdf);
    }
}

// Appends `bits` bits of `value`, most significant first.
struct BitWriter {
    Bytes bytes;
    int used = 0;
    void Put(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used % 8 == 0) bytes.push_back(0);
            if ((value >> i) & 1) bytes.back() |= static_cast<std::uint8_t>(0x80 >> (used % 8));
            ++used;
        }
    }
};

void WriteDecoderSeeds(const std::string &folder) {
    // QR Code version 1 (count widths 10, 9, 8, 8): numeric, alphanumeric,
    // byte, Kanji and ECI segments, then the terminator and padding.
    BitWriter qr;
    qr.Put(0x7, 4), qr.Put(26, 8);                                          // ECI 26
    qr.Put(0x1, 4), qr.Put(5, 10), qr.Put(123, 10), qr.Put(45, 7);          // numeric "12345"
    qr.Put(0x2, 4), qr.Put(3, 9), qr.Put(10 * 45 + 11, 11), qr.Put(36, 6);  // alphanumeric "AB "
    qr.Put(0x4, 4), qr.Put(2, 8), qr.Put('h', 8), qr.Put('i', 8);           // bytes "hi"
    qr.Put(0x8, 4), qr.Put(1, 8), qr.Put(0x0AA, 13);                        // one Kanji
    qr.Put(0, 4);
    Bytes qrSeed = {0};  // version 1
    qrSeed.insert(qrSeed.end(), qr.bytes.begin(), qr.bytes.end());
    while (qrSeed.size() < 20) qrSeed.push_back(qrSeed.size() % 2 ? 0xEC : 0x11);
    Write(folder, "qr_segments", "mixed", qrSeed);

    // Micro QR M4-L (mode 3 bits; count widths 6, 5, 5, 4): numeric, then bytes.
    BitWriter mqr;
    mqr.Put(0, 3), mqr.Put(3, 6), mqr.Put(123, 10);
    mqr.Put(2, 3), mqr.Put(2, 5), mqr.Put('o', 8), mqr.Put('k', 8);
    mqr.Put(0, 9);
    Bytes mqrSeed = {4, 0, 0};
    mqrSeed.insert(mqrSeed.end(), mqr.bytes.begin(), mqr.bytes.end());
    Write(folder, "microqr_segments", "m4", mqrSeed);
    Write(folder, "microqr_segments", "m1", {1, 0, 0, 0x40 | 0x01, 0xEC, 0x00});

    // DataMatrix: ASCII, digit pairs, then C40, Text, X12, EDIFACT and Base 256
    // latches, upper shift, FNC1 and ECI.
    Write(folder, "dm_encodation", "ascii", {0, 0, 'F' + 1, 'Z' + 1, 130 + 12, 232, 235, 'a' + 1, 129, 70});
    Write(folder, "dm_encodation", "c40",
          {0, 0, 230, 91, 11, 254, 66, 239, 91, 11, 254, 238, 89, 191, 254, 129});
    Write(folder, "dm_encodation", "edifact", {0, 0, 240, 16, 65, 20, 124, 0, 0});
    Write(folder, "dm_encodation", "base256", {0, 0, 231, 150, 44, 200, 10, 241, 27, 'A' + 1, 236, 129});

    // PDF417 codewords as libzint writes them: text, byte and numeric compaction.
    for (const char *text : {"PDF417 Text mixed 123 punct!?", "\x01\x02\x03\x04\x05\x06\xFF\xFE\x80",
                             "1234567890123456789012"}) {
        zr::test::Pdf417Options o;
        o.data = text;
        o.level = 0;
        const zr::test::Pdf417Symbol symbol = zr::test::RenderPdf417(o, true);
        if (symbol.codewords.empty()) continue;
        const int data = symbol.codewords[0];
        Bytes seed = {static_cast<std::uint8_t>(data), static_cast<std::uint8_t>(data >> 8), 0};
        for (int codeword : symbol.codewords) {
            seed.push_back(static_cast<std::uint8_t>(codeword));
            seed.push_back(static_cast<std::uint8_t>(codeword >> 8));
        }
        Write(folder, "pdf417_compaction", "zint" + std::to_string(seed.size()), seed);
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    WriteScanSeeds(argv[1]);
    WriteDecoderSeeds(argv[1]);
    return 0;
}
