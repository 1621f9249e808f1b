// Names of the linear reader's symbology bits (its type codes).
#ifndef ZR_DEMO_SYMBOLOGIES_HPP
#define ZR_DEMO_SYMBOLOGIES_HPP

#include <cstdint>
#include <optional>
#include <string_view>

namespace zr::demo {

struct LinearType {
    uint32_t bit;
    const char *name;  // as shown to users
};

// In bit order.
constexpr LinearType kLinearTypes[] = {
    {0x1, "Industrial 2 of 5"},
    {0x2, "Inverted 2 of 5"},
    {0x4, "Interleaved 2 of 5"},
    {0x8, "IATA 2 of 5"},
    {0x10, "Matrix 2 of 5"},
    {0x20, "Code 39"},
    {0x40, "Codabar"},
    {0x80, "BCD Matrix"},
    {0x100, "Datalogic 2 of 5"},
    {0x1000, "Code 128"},
    {0x2000, "EAN 128"},
    {0x4000, "Code 93"},
    {0x8000, "EAN 13"},
    {0x10000, "UPC Version A"},
    {0x20000, "EAN 8"},
    {0x40000, "UPC Version E"},
    {0x80000, "Additional 5 digits code"},
    {0x100000, "Additional 2 digits code"},
};

// The name of a type code; "Unknown" for a code outside the table (also for several bits).
const char *LinearTypeName(uint32_t type);

// One symbology by name: the display name or a short form (code39, ean13, upca, i2of5, ...),
// compared without case, spaces, '-' and '_'. "all" gives every type.
std::optional<uint32_t> LinearTypeFromName(std::string_view name);

// A comma-separated list of names and numbers (decimal or 0x hex masks), or'ed together.
// Empty items, unknown names and numbers outside 32 bits give nothing.
std::optional<uint32_t> ParseLinearTypes(std::string_view list);

}  // namespace zr::demo

#endif  // ZR_DEMO_SYMBOLOGIES_HPP
