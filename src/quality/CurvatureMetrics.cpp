// Smoothness and signed curvature across a triangle's edges and around its vertices.
#include <algorithm>
#include <cmath>

#include "quality/MTriangleQualityCalculator.h"
#include "quality/detail/CurvatureAngles.h"

namespace Zodara
{
namespace Rudizidov
{

using namespace curvature;

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
    // A fold at or below 0 across an edge decides the value (clamped to 0) before any fan is walked:
    // the fans can only lower it further.
    for (std::size_t i = 0; i < 3; ++i)
        if (MStlTriangle const* const neighbour = ip_triangle->FindAdjacentTriangle(i, false))
            if (RatioOfSignedAngle(i_metric, SignedAngle(self, Facet(neighbour))) <= 0.0) return 0.0;
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
        // Such a fan repeats its cycle; once a whole round of it has passed (seen again at a
        // checkpoint moved at doubling distances), every fold of the walk has been met. If none fell
        // below the direct ratio, the rest of the walk cannot change the outcome and is skipped.
        MStlTriangle const* checkpoint = neighbour;
        std::size_t checkpointDistance = 1;
        std::size_t sinceCheckpoint = 0;
        bool lowered = false;
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
                lowered = true;
            }
            accumulated += bend;
            previous = following;
            next = NeighbourAcrossEdgeStartingAt(next, v);
            if (previous.triangle == checkpoint)
            {
                if (!lowered) break;
            }
            else if (++sinceCheckpoint == checkpointDistance)
            {
                checkpoint = previous.triangle;
                checkpointDistance *= 2;
                sinceCheckpoint = 0;
            }
        }
        double const after = accumulated - before - atMin;
        double const combined = before <= after ? fanMin + before : fanMin + after;
        minCombined = std::min(minCombined, combined);
    }
    return std::clamp(std::min(minCombined, minDirect), 0.0, 1.0);
}

} // namespace Rudizidov
} // namespace Zodara
