// Plane projective (perspective) transforms: the map between the unit square
// and any quadrilateral, between two quadrilaterals, and of single points. A
// symbol seen at a slant is sampled through one of these.
#pragma once

#include <array>
#include <cmath>
#include <optional>

#include "core/geom/geom.hpp"

namespace zr::geom {

// (x, y) maps to (X / W, Y / W) with
//   X = m[0][0] x + m[1][0] y + m[2][0]
//   Y = m[0][1] x + m[1][1] y + m[2][1]
//   W = m[0][2] x + m[1][2] y + m[2][2],
// the row vector (x, y, 1) times the matrix m. The default is the identity.
class Perspective {
  public:
    using Matrix = std::array<std::array<double, 3>, 3>;

    // A quadrilateral whose triangle P1 P2 P3 spans no more than this (twice
    // its area) has no map.
    static constexpr double kMinSpan = 1e-9;

    Perspective() = default;
    explicit Perspective(const Matrix &m) : m_(m) {}

    // The map taking the unit square's corners (0, 0), (1, 0), (1, 1), (0, 1)
    // to the quad's P0, P1, P2, P3; nothing for a degenerate quad.
    static std::optional<Perspective> SquareToQuad(const QuadF &quad) {
        const PointF p0 = quad.topLeft, p1 = quad.topRight, p2 = quad.bottomRight, p3 = quad.bottomLeft;
        const PointF d1 = p1 - p2, d2 = p3 - p2, d3 = p0 - p1 + p2 - p3;
        const double det = Cross(d1, d2);
        if (!(std::fabs(det) > kMinSpan)) return std::nullopt;
        const double g = Cross(d3, d2) / det;
        const double h = Cross(d1, d3) / det;
        return Perspective(Matrix{{{p1.x - p0.x + g * p1.x, p1.y - p0.y + g * p1.y, g},
                                   {p3.x - p0.x + h * p3.x, p3.y - p0.y + h * p3.y, h},
                                   {p0.x, p0.y, 1}}});
    }

    // The map taking the quad's P0, P1, P2, P3 to the unit square's corners.
    static std::optional<Perspective> QuadToSquare(const QuadF &quad) {
        const std::optional<Perspective> forward = SquareToQuad(quad);
        if (!forward) return std::nullopt;
        return forward->Inverse();
    }

    // The map taking each corner of `from` to the same corner of `to`.
    static std::optional<Perspective> QuadToQuad(const QuadF &from, const QuadF &to) {
        const std::optional<Perspective> toSquare = QuadToSquare(from);
        const std::optional<Perspective> fromSquare = SquareToQuad(to);
        if (!toSquare || !fromSquare) return std::nullopt;
        return toSquare->Then(*fromSquare);
    }

    PointF Map(PointF p) const {
        const double w = m_[0][2] * p.x + m_[1][2] * p.y + m_[2][2];
        return {(m_[0][0] * p.x + m_[1][0] * p.y + m_[2][0]) / w,
                (m_[0][1] * p.x + m_[1][1] * p.y + m_[2][1]) / w};
    }

    // This map followed by `next`.
    Perspective Then(const Perspective &next) const {
        Matrix product{};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                for (int k = 0; k < 3; ++k) At(product, r, c) += At(m_, r, k) * At(next.m_, k, c);
        return Perspective(product);
    }

    // The map back (the adjugate: a projective map is only defined up to a
    // common factor, so the determinant need not divide).
    Perspective Inverse() const {
        const auto cofactor = [this](int r, int c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            return At(m_, r1, c1) * At(m_, r2, c2) - At(m_, r1, c2) * At(m_, r2, c1);
        };
        Matrix adjugate{};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) At(adjugate, r, c) = cofactor(c, r);
        return Perspective(adjugate);
    }

    const Matrix &Coefficients() const { return m_; }

  private:
    static double &At(Matrix &m, int r, int c) { return m[Index(r)][Index(c)]; }
    static double At(const Matrix &m, int r, int c) { return m[Index(r)][Index(c)]; }
    static std::size_t Index(int i) { return static_cast<std::size_t>(i); }

    Matrix m_{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
};

}  // namespace zr::geom
