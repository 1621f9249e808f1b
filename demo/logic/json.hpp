// JSON texts of read results, one object per line for scripts.
#ifndef ZR_DEMO_JSON_HPP
#define ZR_DEMO_JSON_HPP

#include <string>
#include <string_view>

#include "document.hpp"
#include "settings.hpp"
#include "zr/ZrImage.h"

namespace zr::demo {

// A quoted JSON string in which every byte is one code point U+0000..U+00FF: bytes from 0x80 come
// out as two UTF-8 bytes, control characters as \u00XX, quotes and backslashes escaped.
std::string JsonByteString(std::string_view bytes);

// A quoted JSON string of a text that is normally UTF-8 (a file name): passed through when it is
// valid UTF-8, otherwise read byte by byte as JsonByteString does.
std::string JsonTextString(std::string_view text);

// A finite number with up to 10 significant digits; null for NaN and infinities.
std::string JsonNumber(double value);

// The results of the document's last read as a JSON array; [] when it was no read.
std::string ResultsJson(const Document &document);

// {"width":N,"height":N,"pitch":N,"bitsPerPixel":N,"xDpi":N,"yDpi":N}
std::string ImageJson(const ZrImage &image);

// zrread's line for one read of one file:
// {"file":"...","kind":"qr"[,"image":{...}],"returnCode":N,"runTime":x,"count":N,"results":[...]}
std::string ReadJsonLine(std::string_view file, ReaderKind kind, const Document &document, bool withImage);

}  // namespace zr::demo

#endif  // ZR_DEMO_JSON_HPP
