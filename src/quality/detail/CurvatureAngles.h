#pragma once
// Signed fold angles between triangles and the curvature ratios made of them, shared by the
// per-triangle metrics and their evaluation over a whole mesh.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "quality/MTriangleQualityCalculator.h"

namespace Zodara
{
namespace Rudizidov
{
namespace curvature
{

using Point = MMPoint3d<double>;

constexpr double kPi = 3.141592653589793;
// The angle of two triangles that share no edge running opposite ways: far beyond any real
// angle, so that convex and full curvature ratios of such a pair fall far below 0.
constexpr double kNoSharedEdgeAngle = 1.0248189854026301e18;

inline bool SamePosition(MStlPoint const* p, MStlPoint const* q)
{
    return p->x == q->x && p->y == q->y && p->z == q->z;
}

// A triangle with its unit normal, so that a fan walk computes each normal once.
struct Facet
{
    MStlTriangle const* triangle;
    Point normal;

    explicit Facet(MStlTriangle const* t) : triangle(t), normal(t->GetNormal()) {}
    Facet(MStlTriangle const* t, Point const& unitNormal) : triangle(t), normal(unitNormal) {}
};

// Signed angle between the normals of two triangles: positive where the surface folds convexly
// over their shared edge, negative where it folds concavely.
inline double SignedAngle(Facet const& fa, Facet const& fb)
{
    MStlTriangle const* const a = fa.triangle;
    MStlTriangle const* const b = fb.triangle;
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
        {
            if (!SamePosition(a->GetPoint((i + 1) % 3), b->GetPoint(j)) ||
                !SamePosition(a->GetPoint(i), b->GetPoint((j + 1) % 3)))
                continue;
            Point const edgeMiddle = (a->GetVertex(i) + a->GetVertex((i + 1) % 3)) * 0.5;
            Point const apexMiddle = (a->GetVertex((i + 2) % 3) + b->GetVertex((j + 2) % 3)) * 0.5;
            double const sign = (edgeMiddle - apexMiddle).Dot(fa.normal) > 0.0 ? 1.0 : -1.0;
            // Clamped so that rounding cannot push acos past its domain.
            return sign * std::acos(std::clamp(fa.normal.Dot(fb.normal), -1.0, 1.0));
        }
    }
    return kNoSharedEdgeAngle;
}

// The neighbour of t across its edge that starts at v, or null also when v is no vertex of t.
inline MStlTriangle const* NeighbourAcrossEdgeStartingAt(MStlTriangle const* t, MStlPoint const* v)
{
    for (std::size_t k = 0; k < 3; ++k)
        if (t->GetPoint(k) == v) return t->FindAdjacentTriangle(k, false);
    return nullptr;
}

inline std::size_t NumberOfTrianglesAround(MStlPoint const* v)
{
    std::size_t n = 0;
    for (MStlTriangle const* t = v->GetFirstTriangle(); t; t = t->NextTriangleAround(v)) ++n;
    return n;
}

inline double RatioOfSignedAngle(MTriangleQualityCalculator::MetricType metric, double angle)
{
    switch (metric)
    {
    case MTriangleQualityCalculator::CurvatureRatioConvex: return angle > 0.0 ? 1.0 - angle / kPi : 1.0;
    case MTriangleQualityCalculator::CurvatureRatioConcave: return angle < 0.0 ? 1.0 + angle / kPi : 1.0;
    case MTriangleQualityCalculator::CurvatureRatio: return 1.0 - std::fabs(angle) / kPi;
    default: return 0.0;
    }
}

} // namespace curvature
} // namespace Rudizidov
} // namespace Zodara
