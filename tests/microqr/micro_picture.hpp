// Working images of test pictures for the reader's stages, and finder
// corners known from the drawing.
#pragma once

#include <vector>

#include "core/call_frame.hpp"
#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "micro_render.hpp"

namespace zr::test {

// A bi-level working image of a grey raster.
class Picture {
  public:
    explicit Picture(const Raster &raster) : dib_(ToDib(raster, 1)) {
        status_ = zr::ImageFromDib(&work_.image, dib_.data());
    }
    bool Loaded() const { return status_ == 0; }
    zr::BitImageView View() const { return zr::BitImageView(work_.image); }
    ZrImage &Image() { return work_.image; }

  private:
    std::vector<std::uint8_t> dib_;
    zr::WorkingImage work_;
    std::uint16_t status_ = 0;
};

// Finder corners of a render whose finder's dark square starts at (x0, y0):
// the outline's first and last dark pixels on each side.
inline geom::QuadF FinderAt(int x0, int y0, int module) {
    const double x1 = x0 + 7 * module - 1, y1 = y0 + 7 * module - 1;
    return {{double(x0), double(y0)}, {x1, double(y0)}, {x1, y1}, {double(x0), y1}};
}

}  // namespace zr::test
