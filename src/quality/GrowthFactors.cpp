// Growth factors: how much larger a triangle is than the smallest triangle within one, two or
// three rings of neighbours, by area or by longest side. Collapsed neighbours are ignored.
#include <algorithm>
#include <limits>

#include "quality/MTriangleQualityCalculator.h"

namespace Zodara
{
namespace Rudizidov
{

namespace
{

using Size = double (*)(MStlTriangle const*);

double AreaOf(MStlTriangle const* t) { return t->SurfaceArea(); }
double LongestSideOf(MStlTriangle const* t) { return t->LONGEST_SIDE_LENGTH(); }

double MinNeighbourSize(MStlTriangle const* t, Size size)
{
    double least = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i < 3; ++i)
    {
        MStlTriangle const* const n = t->FindAdjacentTriangle(i, false);
        if (n && !n->IsCollapsed()) least = std::min(least, size(n));
    }
    return least;
}

// The ratio of the smallest size found to the triangle's own size; 1 when the triangle is the
// smallest or has no size.
double GrowthRatio(double own, double smallest) { return own > smallest ? smallest / own : 1.0; }

double OneRing(MStlTriangle const* t, Size size)
{
    double const own = size(t);
    if (own == 0.0) return 1.0;
    return GrowthRatio(own, MinNeighbourSize(t, size));
}

double OneRingCappedAtTwiceOwn(MStlTriangle const* t, Size size)
{
    double const own = size(t);
    if (own == 0.0) return 1.0;
    return GrowthRatio(own, std::min(2.0 * own + 1.0, MinNeighbourSize(t, size)));
}

double TwoRings(MStlTriangle const* t, Size size)
{
    double const own = size(t);
    if (own == 0.0) return 1.0;
    double smallest = 2.0 * own + 1.0;
    for (std::size_t i = 0; i < 3; ++i)
    {
        MStlTriangle const* const n = t->FindAdjacentTriangle(i, false);
        if (!n || n == t || n->IsCollapsed()) continue;
        smallest = std::min({smallest, size(n), MinNeighbourSize(n, size)});
    }
    return GrowthRatio(own, smallest);
}

double ThreeRings(MStlTriangle const* t, Size size)
{
    double const own = size(t);
    if (own == 0.0) return 1.0;
    double smallest = 2.0 * own + 1.0;
    for (std::size_t i = 0; i < 3; ++i)
    {
        MStlTriangle const* const n = t->FindAdjacentTriangle(i, false);
        if (!n || n == t || n->IsCollapsed()) continue;
        smallest = std::min(smallest, size(n));
        for (std::size_t j = 0; j < 3; ++j)
        {
            MStlTriangle const* const m = n->FindAdjacentTriangle(j, false);
            if (!m || m == t || m == n || m->IsCollapsed()) continue;
            smallest = std::min({smallest, size(m), MinNeighbourSize(m, size)});
        }
    }
    return GrowthRatio(own, smallest);
}

} // namespace

double MTriangleQualityCalculator::_MinNeighbourTriangleArea(MStlTriangle const* ip_triangle)
{
    return MinNeighbourSize(ip_triangle, AreaOf);
}

double MTriangleQualityCalculator::_MinNeighbourTriangleEdge(MStlTriangle const* ip_triangle)
{
    return MinNeighbourSize(ip_triangle, LongestSideOf);
}

double MTriangleQualityCalculator::GetTriangleShapeQualityGrowthFactor(MStlTriangle const* ip_triangle)
{
    return OneRing(ip_triangle, AreaOf);
}

double MTriangleQualityCalculator::GetTriangleShapeQualityGrowthFactor2Rings(MStlTriangle const* ip_triangle)
{
    return TwoRings(ip_triangle, AreaOf);
}

double MTriangleQualityCalculator::GetTriangleShapeQualityGrowthFactor3Rings(MStlTriangle const* ip_triangle)
{
    return ThreeRings(ip_triangle, AreaOf);
}

double MTriangleQualityCalculator::GetTriangleShapeQualityGrowthFactorMaxEdge(MStlTriangle const* ip_triangle)
{
    return OneRingCappedAtTwiceOwn(ip_triangle, LongestSideOf);
}

double MTriangleQualityCalculator::GetTriangleShapeQualityGrowthFactorMaxEdge2Rings(MStlTriangle const* ip_triangle)
{
    return TwoRings(ip_triangle, LongestSideOf);
}

double MTriangleQualityCalculator::GetTriangleShapeQualityGrowthFactorMaxEdge3Rings(MStlTriangle const* ip_triangle)
{
    return ThreeRings(ip_triangle, LongestSideOf);
}

double MTriangleQualityCalculator::_GetTriangleGrowthFactorQuality(MStlTriangle const* ip_triangle, MetricType i_metric)
{
    switch (i_metric)
    {
    case GrowthFactor: return GetTriangleShapeQualityGrowthFactor(ip_triangle);
    case GrowthFactor2Rings: return GetTriangleShapeQualityGrowthFactor2Rings(ip_triangle);
    case GrowthFactor3Rings: return GetTriangleShapeQualityGrowthFactor3Rings(ip_triangle);
    case GrowthFactorMaxEdge: return GetTriangleShapeQualityGrowthFactorMaxEdge(ip_triangle);
    case GrowthFactorMaxEdge2Rings: return GetTriangleShapeQualityGrowthFactorMaxEdge2Rings(ip_triangle);
    case GrowthFactorMaxEdge3Rings: return GetTriangleShapeQualityGrowthFactorMaxEdge3Rings(ip_triangle);
    default: return 0.0;
    }
}

} // namespace Rudizidov
} // namespace Zodara
