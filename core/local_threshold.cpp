#include "core/local_threshold.hpp"

#include "core/prepare.hpp"

namespace zr {

// Placeholder until the local statistics are in: the global threshold.
std::uint16_t DibToLocalBiLevel(ZrImage *image, const void *dib) {
    return DibToBiLevel(image, dib);
}

}  // namespace zr
