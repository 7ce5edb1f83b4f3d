// Metrics of how a triangle's edges are shared: open edges, dangling and non-manifold edges,
// and the marking.
#include "quality/MTriangleQualityCalculator.h"

namespace Zodara
{
namespace Rudizidov
{

double MTriangleQualityCalculator::GetTriangleShapeQualityBadEdgeRatio(MStlTriangle const* ip_triangle)
{
    int withNeighbour = 0;
    for (std::size_t i = 0; i < 3; ++i)
        if (ip_triangle->FindAdjacentTriangle(i, false)) ++withNeighbour;
    return withNeighbour / 3.0;
}

int MTriangleQualityCalculator::_CountEdgesUsedByMoreThan(MStlTriangle const* ip_triangle, std::size_t i_moreThan)
{
    int count = 0;
    for (std::size_t i = 0; i < 3; ++i)
    {
        MNeighbourFinder finder;
        finder.Set(ip_triangle->GetPoint(i), ip_triangle->GetPoint((i + 1) % 3));
        finder.countCollapsed = true;
        finder.Operate();
        if (finder.NumberOfForwardNeighbours() + finder.NumberOfBackwardNeighbours() > i_moreThan) ++count;
    }
    return count;
}

double MTriangleQualityCalculator::GetTriangleShapeQualityDanglingEdgeRatio(MStlTriangle const* ip_triangle)
{
    return _CountEdgesUsedByMoreThan(ip_triangle, 1) / 3.0;
}

double MTriangleQualityCalculator::GetTriangleShapeQualityManifoldRatio(MStlTriangle const* ip_triangle)
{
    return (3 - _CountEdgesUsedByMoreThan(ip_triangle, 2)) / 3.0;
}

double MTriangleQualityCalculator::GetTriangleShapeQualityMarked(MStlTriangle const* ip_triangle)
{
    return ip_triangle->IsMarkedAnyMode() ? 0.0 : 1.0;
}

} // namespace Rudizidov
} // namespace Zodara
