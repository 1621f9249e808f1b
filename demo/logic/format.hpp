// printf-style formatting into a std::string; the report texts are printf formats.
#ifndef ZR_DEMO_FORMAT_HPP
#define ZR_DEMO_FORMAT_HPP

#include <cstdarg>
#include <cstdio>
#include <string>

namespace zr::demo {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
inline std::string
Format(const char *format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (length > 0) {
        out.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(length));
    }
    va_end(args);
    return out;
}

}  // namespace zr::demo

#endif  // ZR_DEMO_FORMAT_HPP
