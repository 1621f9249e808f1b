#include "version_report.hpp"

#include "format.hpp"
#include "zr/ZrBar.h"
#include "zr/ZrDM.h"
#include "zr/ZrImgRW.h"
#include "zr/ZrMicroQR.h"
#include "zr/ZrPDF417.h"
#include "zr/ZrQR.h"

namespace zr::demo {
namespace {

struct LibraryVersion {
    const char *library;
    uint32_t (*version)();
};

// In the order of the report.
constexpr LibraryVersion kLibraries[] = {
    {"ZrImg", ZrGetImgVersion}, {"ZrBar", ZrBarGetVersion}, {"ZrPDF417", ZrPDF417GetVersion},
    {"ZrDM", ZrDMGetVersion},   {"ZrQR", ZrQRGetVersion},   {"ZrMicroQR", ZrMicroQRGetVersion},
};

}  // namespace

std::string VersionLine(const char *library, uint32_t version) {
    return Format("%s version: %d.%d\n", library, static_cast<int>(version >> 16),
                  static_cast<int>(version & 0xFFFFu));
}

std::vector<std::string> VersionReport() {
    std::vector<std::string> lines;
    for (const LibraryVersion &entry : kLibraries) {
        lines.push_back(VersionLine(entry.library, entry.version()));
    }
    return lines;
}

}  // namespace zr::demo
