// Decoded bytes as UTF-8 text through glibc's iconv.
#include "api/text.hpp"

#include <iconv.h>

#include <algorithm>
#include <vector>

namespace zr::api {
namespace {

constexpr std::size_t kConversionFailed = static_cast<std::size_t>(-1);

// iconv_open's failure value.
inline iconv_t NoConverter() {
    return reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr): iconv's documented value
}

// One iconv descriptor, closed when it goes out of scope.
class Converter {
  public:
    explicit Converter(const char *from) : cd_(iconv_open("UTF-8", from)) {}
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;
    ~Converter() {
        if (cd_ != NoConverter()) iconv_close(cd_);
    }
    iconv_t get() const { return cd_; }

  private:
    iconv_t cd_;
};

// Shift JIS as symbols carry it: Windows' variant, which keeps the ASCII
// range (0x5C a backslash, 0x7E a tilde, where JIS X 0201 has the yen sign
// and the overline) and adds NEC and IBM characters.
constexpr const char *kShiftJis = "CP932";

// Half-width katakana in a row that mark a text as Shift JIS: one or two
// such bytes are more likely ISO-8859-1 letters (0xA1-0xDF are accented
// capitals and signs there), three and more a katakana word.
constexpr int kKatakanaWord = 3;

// Whether the high bytes look like Shift JIS: a double-byte character's
// lead byte, or a word of half-width katakana.
bool LooksLikeShiftJis(std::string_view bytes) {
    int katakana = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) return true;
        katakana = byte >= 0xA1 && byte <= 0xDF ? katakana + 1 : 0;
        if (katakana >= kKatakanaWord) return true;
    }
    return false;
}

struct EciName {
    std::uint32_t eci;
    const char *charset;
};

// ECI assignment numbers of the character sets iconv converts.
constexpr EciName kEciNames[] = {
    {0, "CP437"},        {1, "ISO-8859-1"},   {2, "CP437"},        {3, "ISO-8859-1"},   {4, "ISO-8859-2"},
    {5, "ISO-8859-3"},   {6, "ISO-8859-4"},   {7, "ISO-8859-5"},   {8, "ISO-8859-6"},   {9, "ISO-8859-7"},
    {10, "ISO-8859-8"},  {11, "ISO-8859-9"},  {12, "ISO-8859-10"}, {13, "ISO-8859-11"}, {15, "ISO-8859-13"},
    {16, "ISO-8859-14"}, {17, "ISO-8859-15"}, {18, "ISO-8859-16"}, {20, "CP932"},       {21, "CP1250"},
    {22, "CP1251"},      {23, "CP1252"},      {24, "CP1256"},      {25, "UTF-16BE"},    {26, "UTF-8"},
    {27, "US-ASCII"},    {28, "BIG5"},        {29, "GB18030"},     {30, "EUC-KR"},      {31, "GBK"},
    {32, "GB18030"},     {33, "UTF-16LE"},    {34, "UTF-32BE"},    {35, "UTF-32LE"},    {170, "US-ASCII"},
};

}  // namespace

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char *charset) {
    Converter converter(charset);
    if (converter.get() == NoConverter()) return std::nullopt;
    // UTF-8 takes at most four bytes for any input byte (UTF-16 and UTF-32 take fewer).
    std::vector<char> out(bytes.size() * 4 + 4);
    std::vector<char> in(bytes.begin(), bytes.end());
    char *inPointer = in.data();
    std::size_t inLeft = in.size();
    char *outPointer = out.data();
    std::size_t outLeft = out.size();
    if (iconv(converter.get(), &inPointer, &inLeft, &outPointer, &outLeft) == kConversionFailed ||
        inLeft != 0)
        return std::nullopt;
    return std::string(out.data(), out.size() - outLeft);
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

std::string TextOf(std::string_view bytes, DefaultCharset charset) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    if (charset == DefaultCharset::kLatin1OrShiftJis && LooksLikeShiftJis(bytes)) {
        if (std::optional<std::string> text = ConvertToUtf8(bytes, kShiftJis)) return *text;
    }
    return Latin1ToUtf8(bytes);
}

std::string TextOf(std::string_view bytes, const std::vector<EciSpan> &ecis, DefaultCharset charset) {
    if (ecis.empty()) return TextOf(bytes, charset);
    std::string text = TextOf(bytes.substr(0, std::min(ecis.front().position, bytes.size())), charset);
    for (std::size_t i = 0; i < ecis.size(); ++i) {
        const std::size_t begin = std::min(ecis[i].position, bytes.size());
        const std::size_t end =
            i + 1 < ecis.size() ? std::min(ecis[i + 1].position, bytes.size()) : bytes.size();
        if (end <= begin) continue;
        const std::string_view part = bytes.substr(begin, end - begin);
        const char *name = EciCharset(ecis[i].eci);
        std::optional<std::string> converted = name ? ConvertToUtf8(part, name) : std::nullopt;
        text += converted ? *converted : Latin1ToUtf8(part);
    }
    return text;
}

const char *EciCharset(std::uint32_t eci) {
    for (const EciName &name : kEciNames)
        if (name.eci == eci) return name.charset;
    return nullptr;
}

}  // namespace zr::api
