// Smoothness and signed curvature across a triangle's edges and around its vertices.
#include <algorithm>
#include <cmath>

#include "quality/MTriangleQualityCalculator.h"

namespace Zodara
{
namespace Rudizidov
{

namespace
{

using Point = MMPoint3d<double>;

constexpr double kPi = 3.141592653589793;
// The angle of two triangles that share no edge running opposite ways: far beyond any real
// angle, so that convex and full curvature ratios of such a pair fall far below 0.
constexpr double kNoSharedEdgeAngle = 1.0248189854026301e18;

bool SamePosition(MStlPoint const* p, MStlPoint const* q) { return p->x == q->x && p->y == q->y && p->z == q->z; }

// A triangle with its unit normal, so that a fan walk computes each normal once.
struct Facet
{
    MStlTriangle const* triangle;
    Point normal;

    explicit Facet(MStlTriangle const* t) : triangle(t), normal(t->GetNormal()) {}
};

// Signed angle between the normals of two triangles: positive where the surface folds convexly
// over their shared edge, negative where it folds concavely.
double SignedAngle(Facet const& fa, Facet const& fb)
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
MStlTriangle const* NeighbourAcrossEdgeStartingAt(MStlTriangle const* t, MStlPoint const* v)
{
    for (std::size_t k = 0; k < 3; ++k)
        if (t->GetPoint(k) == v) return t->FindAdjacentTriangle(k, false);
    return nullptr;
}

std::size_t NumberOfTrianglesAround(MStlPoint const* v)
{
    std::size_t n = 0;
    for (MStlTriangle const* t = v->GetFirstTriangle(); t; t = t->NextTriangleAround(v)) ++n;
    return n;
}

double RatioOfSignedAngle(MTriangleQualityCalculator::MetricType metric, double angle)
{
    switch (metric)
    {
    case MTriangleQualityCalculator::CurvatureRatioConvex: return angle > 0.0 ? 1.0 - angle / kPi : 1.0;
    case MTriangleQualityCalculator::CurvatureRatioConcave: return angle < 0.0 ? 1.0 + angle / kPi : 1.0;
    case MTriangleQualityCalculator::CurvatureRatio: return 1.0 - std::fabs(angle) / kPi;
    default: return 0.0;
    }
}

} // namespace

double MTriangleQualityCalculator::GetTriangleShapeQualitySurfaceSmoothnessRatio(MStlTriangle const* ip_triangle)
{
    Point const normal = ip_triangle->GetNormal();
    double least = 1.0;
    for (std::size_t i = 0; i < 3; ++i)
    {
        MStlTriangle const* const neighbour = ip_triangle->FindAdjacentTriangle(i, false);
        if (!neighbour) continue;
        Point const neighbourNormal = neighbour->GetNormal();
        double const lengths = neighbourNormal.Length() * normal.Length();
        double const cosine = lengths != 0.0 ? std::clamp(neighbourNormal.Dot(normal) / lengths, -1.0, 1.0) : 0.0;
        least = std::min(least, cosine);
    }
    return std::clamp(0.5 * least + 0.5, 0.0, 1.0);
}

double MTriangleQualityCalculator::_CurvatureRatio(MetricType i_metric, MStlTriangle const* ip_first,
                                                   MStlTriangle const* ip_second)
{
    return RatioOfSignedAngle(i_metric, SignedAngle(Facet(ip_first), Facet(ip_second)));
}

// Besides the ratio over each edge, walks the fan of triangles around each vertex: the worst fold
// of the fan counts together with the smaller of the total bending before it and after it, so
// that a sharp fold that is part of a gradual bend weighs less than the same fold alone.
double MTriangleQualityCalculator::GetTriangleShapeQualityCurvatureRatio(MetricType i_metric,
                                                                         MStlTriangle const* ip_triangle)
{
    double minDirect = 1.0;
    double minCombined = 1.0;
    Facet const self(ip_triangle);
    for (std::size_t i = 0; i < 3; ++i)
    {
        MStlPoint const* const v = ip_triangle->GetPoint(i);
        MStlTriangle const* const neighbour = ip_triangle->FindAdjacentTriangle(i, false);
        if (!neighbour) continue;
        // Each pair's angle is measured once and gives both its ratio and its bend.
        Facet previous(neighbour);
        double const directAngle = SignedAngle(self, previous);
        double const direct = RatioOfSignedAngle(i_metric, directAngle);
        minDirect = std::min(minDirect, direct);
        double fanMin = direct;
        double before = 0.0;
        double atMin = 0.0;
        double accumulated = std::fabs(directAngle) / kPi;

        // A fan that cycles without coming back (a non-manifold vertex) is cut off once it has
        // taken more steps than there are triangles at v.
        std::size_t steps = 0;
        std::size_t stepLimit = 0;
        MStlTriangle const* next = NeighbourAcrossEdgeStartingAt(neighbour, v);
        while (next && previous.triangle != ip_triangle)
        {
            if (++steps > 64)
            {
                if (stepLimit == 0) stepLimit = NumberOfTrianglesAround(v) + 1;
                if (steps > stepLimit) break;
            }
            Facet const following(next);
            double const angle = SignedAngle(previous, following);
            double const bend = std::fabs(angle) / kPi;
            double const ratio = RatioOfSignedAngle(i_metric, angle);
            if (ratio < fanMin)
            {
                fanMin = ratio;
                atMin = bend;
                before = accumulated;
            }
            accumulated += bend;
            previous = following;
            next = NeighbourAcrossEdgeStartingAt(next, v);
        }
        double const after = accumulated - before - atMin;
        double const combined = before <= after ? fanMin + before : fanMin + after;
        minCombined = std::min(minCombined, combined);
    }
    return std::clamp(std::min(minCombined, minDirect), 0.0, 1.0);
}

} // namespace Rudizidov
} // namespace Zodara
