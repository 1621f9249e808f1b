// Symbols drawn by libzint at one pixel per module, then scaled to exact module sizes.
#include "render.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

namespace zr::test {
namespace {

// Upper bound on the pixels of one expanded picture, so that a mistaken argument fails cleanly
// instead of exhausting memory.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;
// Bar height for single-row symbols when none is asked for.
constexpr int kDefaultBarHeight = 50;

// Owns one zint symbol.
class ZintSymbol {
  public:
    ZintSymbol() : symbol_(ZBarcode_Create()) {}
    ~ZintSymbol() { ZBarcode_Delete(symbol_); }
    ZintSymbol(const ZintSymbol &) = delete;
    ZintSymbol &operator=(const ZintSymbol &) = delete;
    zint_symbol *get() const { return symbol_; }

  private:
    zint_symbol *symbol_;
};

// Encodes and rasterises with no text, no margin and one pixel per module (zint's raster
// draws scale 1 as two pixels per module). Returns zint's status.
int EncodeToBitmap(zint_symbol *s, const SymbolOptions &options, float height) {
    s->symbology = options.symbology;
    s->option_1 = options.option1;
    s->option_2 = options.option2;
    s->option_3 = options.option3;
    s->input_mode = options.inputMode;
    s->show_hrt = 0;
    s->scale = 0.5f;
    s->whitespace_width = 0;
    s->whitespace_height = 0;
    s->border_width = 0;
    s->output_options = BARCODE_NO_QUIET_ZONES;
    s->height = height;
    const auto *bytes = reinterpret_cast<const unsigned char *>(options.data.data());
    return ZBarcode_Encode_and_Buffer(s, bytes, static_cast<int>(options.data.size()), 0);
}

void SetError(std::string *error, const std::string &text) {
    if (error != nullptr) *error = text;
}

}  // namespace

Raster EncodeModules(const SymbolOptions &options, std::string *error) {
    if (options.barHeight < 0) {
        SetError(error, "negative barHeight");
        return {};
    }
    const int barHeight = options.barHeight > 0 ? options.barHeight : kDefaultBarHeight;
    auto symbol = std::make_unique<ZintSymbol>();
    int status = EncodeToBitmap(symbol->get(), options, static_cast<float>(barHeight));
    // The bar height is meant for single-row symbols; stacked symbols keep zint's row heights.
    if (status < ZINT_ERROR && symbol->get()->rows > 1) {
        symbol = std::make_unique<ZintSymbol>();
        status = EncodeToBitmap(symbol->get(), options, 0.0f);
    }
    const zint_symbol *s = symbol->get();
    if (status >= ZINT_ERROR) {
        SetError(error, s->errtxt[0] != '\0' ? s->errtxt : "zint failed");
        return {};
    }
    if (s->bitmap == nullptr || s->bitmap_width != s->width || s->bitmap_height <= 0) {
        SetError(error, "symbology is not drawn in square modules");
        return {};
    }
    Raster modules;
    modules.width = s->bitmap_width;
    modules.height = s->bitmap_height;
    modules.pixels.resize(static_cast<std::size_t>(modules.width) * modules.height);
    for (std::size_t i = 0; i < modules.pixels.size(); ++i) {
        modules.pixels[i] = s->bitmap[3 * i] < 128 ? 0 : 255;  // red byte of an RGB triple
    }
    SetError(error, "");
    return modules;
}

Raster PatternModules(const std::string &elements, int barHeight) {
    if (elements.empty() || barHeight < 1) return {};
    int width = 0;
    for (char c : elements) {
        if (c < '1' || c > '9') return {};
        width += c - '0';
    }
    Raster modules = Canvas(width, barHeight, 255);
    int x = 0;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const int run = elements[i] - '0';
        if (i % 2 == 0) {  // bar
            for (int y = 0; y < barHeight; ++y) std::fill_n(&modules.at(x, y), run, std::uint8_t{0});
        }
        x += run;
    }
    return modules;
}

Raster ExpandModules(const Raster &modules, int moduleSize, double wideRatio, int quietZone) {
    if (modules.empty() || moduleSize < 1 || wideRatio < 0 || quietZone < 0) return {};
    const int wide = wideRatio > 0 ? std::max(1, static_cast<int>(std::lround(wideRatio * moduleSize))) : 0;

    // Redraw each module row as pixel runs.
    std::vector<std::vector<std::uint8_t>> rows(modules.height);
    std::int64_t rowWidth = 0;
    for (int y = 0; y < modules.height; ++y) {
        std::vector<std::uint8_t> &row = rows[y];
        for (int x = 0; x < modules.width;) {
            const std::uint8_t grey = modules.at(x, y);
            int run = 1;
            while (x + run < modules.width && modules.at(x + run, y) == grey) ++run;
            const int pixels = wide > 0 && run > 1 ? wide : run * moduleSize;
            if (static_cast<std::int64_t>(row.size()) + pixels > kMaxPixels) return {};
            row.insert(row.end(), pixels, grey);
            x += run;
        }
        rowWidth = std::max<std::int64_t>(rowWidth, static_cast<std::int64_t>(row.size()));
    }

    const std::int64_t margin = std::int64_t{quietZone} * moduleSize;
    const std::int64_t width = rowWidth + 2 * margin;
    const std::int64_t height = std::int64_t{modules.height} * moduleSize + 2 * margin;
    if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels) return {};

    Raster out = Canvas(static_cast<int>(width), static_cast<int>(height), 255);
    for (int y = 0; y < modules.height; ++y) {
        for (int dy = 0; dy < moduleSize; ++dy) {
            const int outY = static_cast<int>(margin) + y * moduleSize + dy;
            std::copy(rows[y].begin(), rows[y].end(), &out.at(static_cast<int>(margin), outY));
        }
    }
    return out;
}

Raster RenderSymbol(const SymbolOptions &options, std::string *error) {
    Raster modules = EncodeModules(options, error);
    if (modules.empty()) return {};
    Raster out = ExpandModules(modules, options.moduleSize, options.wideRatio, options.quietZone);
    if (out.empty()) SetError(error, "bad moduleSize, wideRatio or quietZone");
    return out;
}

}  // namespace zr::test
