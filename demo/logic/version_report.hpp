// The About box's version report: one line per library.
#ifndef ZR_DEMO_VERSION_REPORT_HPP
#define ZR_DEMO_VERSION_REPORT_HPP

#include <cstdint>
#include <string>
#include <vector>

namespace zr::demo {

// "<library> version: %d.%d\n" with the high and the low 16 bits of a version number.
std::string VersionLine(const char *library, uint32_t version);

// The image library, then ZrBar, ZrPDF417, ZrDM, ZrQR and ZrMicroQR.
std::vector<std::string> VersionReport();

}  // namespace zr::demo

#endif  // ZR_DEMO_VERSION_REPORT_HPP
