// The working record of one located QR Code symbol and the stages that fill
// it: location from three finders, format reading, and decoding.
#pragma once

#include <cstdint>
#include <vector>

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "qr/finder.hpp"
#include "qr/segments.hpp"

namespace zr::qr {

struct QRCandidate {
    geom::PointF a, b, d;  // finder centres: corner finder A, B along the first row, D along the first column
    geom::QuadF
        corners;   // outer corners: topLeft at A, topRight at B, bottomRight opposite A, bottomLeft at D
    int size = 0;  // modules per side, 4 x version + 17
    double moduleAB = 0, moduleAD = 0;  // pixels per module measured on the finders
    geom::PointF u, v;                  // pixel step per module along a row (to B) and a column (to D)
    double distanceAB = 0, distanceAD = 0;
    int version = 0;
    std::uint8_t level = 0, mask = 0;  // format information
    int dataCodewords = 0, ecCodewords = 0;
    std::uint16_t confidence = 0;
    DecodedText text;

    // Pixel centre of module (column j, row i).
    geom::PointF ModuleCentre(double j, double i) const {
        return corners.topLeft + (j + 0.5) * u + (i + 0.5) * v;
    }
};

// Tests A, X, Y as the three finders of one symbol (A at the right angle) and
// sets the grid, corners and version; false when the triangle, the finders'
// module sizes or the version estimate rule the triple out.
bool LocateQRSymbol(const FinderCandidate &a, const FinderCandidate &x, const FinderCandidate &y,
                    QRCandidate &candidate);

// Module sizes and step vectors along A->B and A->D from the finders' outlines.
void MeasureFinderEdges(QRCandidate &candidate, const regions::Region &a, const regions::Region &b,
                        const regions::Region &d);

}  // namespace zr::qr
