// Decoded bytes as UTF-8 text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr::api {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// The bytes converted from `charset` (an iconv name) to UTF-8; nothing when
// they are not valid in that character set or iconv does not know it.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char *charset);

// ISO-8859-1 to UTF-8, which cannot fail.
std::string Latin1ToUtf8(std::string_view bytes);

// How a symbology's bytes are read when no ECI says otherwise.
enum class DefaultCharset : std::uint8_t {
    kLatin1,           // valid UTF-8 as UTF-8, else ISO-8859-1
    kLatin1OrShiftJis  // QR family: also Shift JIS when it fits and UTF-8 does not
};

std::string TextOf(std::string_view bytes, DefaultCharset charset);

// An ECI designator: from byte `position` on, the bytes are in the character set of `eci`.
struct EciSpan {
    std::size_t position = 0;
    std::uint32_t eci = 0;
};

// The bytes before the first designator as TextOf reads them, the rest in each
// designator's character set (ISO-8859-1 for a set iconv cannot convert, or
// bytes not valid in theirs).
std::string TextOf(std::string_view bytes, const std::vector<EciSpan> &ecis, DefaultCharset charset);

// The iconv name of an ECI assignment number; null for one not known.
const char *EciCharset(std::uint32_t eci);

}  // namespace zr::api
