#include "render_pdf417.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>

namespace zr::test {

namespace {

struct SymbolDeleter {
    void operator()(zint_symbol *s) const { ZBarcode_Delete(s); }
};

bool ModuleSet(const zint_symbol *s, int row, int column) {
    return (s->encoded_data[row][column / 8] >> (column % 8)) & 1;
}

// Runs the encoder with stdout sent to a temporary file and returns what it printed.
std::string EncodeCapturingListing(zint_symbol *s, const std::string &data, int *status) {
    std::fflush(stdout);
    std::FILE *capture = std::tmpfile();
    const int saved = dup(fileno(stdout));
    if (capture == nullptr || saved < 0) {
        *status = ZBarcode_Encode(s, reinterpret_cast<const unsigned char *>(data.data()),
                                  static_cast<int>(data.size()));
        if (capture != nullptr) std::fclose(capture);
        return {};
    }
    dup2(fileno(capture), fileno(stdout));
    *status = ZBarcode_Encode(s, reinterpret_cast<const unsigned char *>(data.data()),
                              static_cast<int>(data.size()));
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::string text;
    std::rewind(capture);
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, capture)) > 0) text.append(buffer, n);
    std::fclose(capture);
    return text;
}

std::vector<int> CodewordsFromListing(const std::string &listing) {
    const std::size_t at = listing.find("Complete CW string");
    if (at == std::string::npos) return {};
    const std::size_t line = listing.find('\n', at);
    if (line == std::string::npos) return {};
    std::istringstream in(listing.substr(line + 1, listing.find('\n', line + 1) - line - 1));
    std::vector<int> codewords;
    int v;
    while (in >> v) codewords.push_back(v);
    return codewords;
}

}  // namespace

Pdf417Symbol RenderPdf417(const Pdf417Options &options, bool withCodewords) {
    Pdf417Symbol out;
    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    zint_symbol *s = symbol.get();
    if (s == nullptr || options.moduleSize < 1 || options.rowHeight < 1) return out;
    s->symbology = options.compact ? BARCODE_PDF417COMP : BARCODE_PDF417;
    s->option_1 = options.level;
    s->option_2 = options.columns;
    s->option_3 = options.rows;
    s->input_mode = DATA_MODE;
    s->eci = options.eci;
    s->structapp.index = options.appendIndex;
    s->structapp.count = options.appendCount;
    std::strncpy(s->structapp.id, options.appendId.c_str(), sizeof s->structapp.id - 1);
    int status = 0;
    std::string listing;
    if (withCodewords) {
        s->debug = ZINT_DEBUG_PRINT;
        listing = EncodeCapturingListing(s, options.data, &status);
    } else {
        status = ZBarcode_Encode(s, reinterpret_cast<const unsigned char *>(options.data.data()),
                                 static_cast<int>(options.data.size()));
    }
    if (status >= ZINT_ERROR) return out;
    Raster modules = Canvas(s->width, s->rows * options.rowHeight, 255);
    for (int r = 0; r < s->rows; ++r) {
        for (int h = 0; h < options.rowHeight; ++h) {
            for (int c = 0; c < s->width; ++c) {
                if (ModuleSet(s, r, c)) modules.at(c, r * options.rowHeight + h) = 0;
            }
        }
    }
    out.picture = ExpandModules(modules, options.moduleSize, 0, options.quietZone);
    out.rows = s->rows;
    constexpr int kCompactOverhead = 35, kFullOverhead = 69, kCodewordModules = 17;
    out.columns = (s->width - (options.compact ? kCompactOverhead : kFullOverhead)) / kCodewordModules;
    if (withCodewords) out.codewords = CodewordsFromListing(listing);
    return out;
}

}  // namespace zr::test
