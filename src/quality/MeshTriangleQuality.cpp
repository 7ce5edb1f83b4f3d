// Quality of a mesh triangle: neighbourhood metrics from its mesh, shape metrics from its vertices.
#include <cmath>
#include <stdexcept>

#include "quality/MTriangleQualityCalculator.h"
#include "quality/detail/CurvatureOverMesh.h"

namespace Zodara
{
namespace Rudizidov
{

double MTriangleQualityCalculator::GetTriangleShapeQuality(MStlTriangle const* ip_triangle, MetricType i_metric)
{
    if (!ip_triangle) throw std::invalid_argument("ip_triangle");
    switch (i_metric)
    {
    case BadEdgeRatio: return GetTriangleShapeQualityBadEdgeRatio(ip_triangle);
    case DanglingEdgeRatio: return GetTriangleShapeQualityDanglingEdgeRatio(ip_triangle);
    case SurfaceSmoothnessRatio: return GetTriangleShapeQualitySurfaceSmoothnessRatio(ip_triangle);
    case ManifoldRatio: return GetTriangleShapeQualityManifoldRatio(ip_triangle);
    case CurvatureRatioConvex:
    case CurvatureRatioConcave:
    case CurvatureRatio: return GetTriangleShapeQualityCurvatureRatio(i_metric, ip_triangle);
    case Marked: return GetTriangleShapeQualityMarked(ip_triangle);
    case GrowthFactor:
    case GrowthFactor2Rings:
    case GrowthFactor3Rings:
    case GrowthFactorMaxEdge:
    case GrowthFactorMaxEdge2Rings:
    case GrowthFactorMaxEdge3Rings: return _GetTriangleGrowthFactorQuality(ip_triangle, i_metric);
    default:
    {
        MMPoint3d<double> const corners[3] = {ip_triangle->GetVertex(0), ip_triangle->GetVertex(1),
                                              ip_triangle->GetVertex(2)};
        return GetTriangleShapeQuality(corners, i_metric);
    }
    }
}

int MTriangleQualityCalculator::GetNumberOfBadTriangles(MStlBase const* ip_mesh, double i_threshold,
                                                        MetricType i_metric)
{
    if (!ip_mesh) throw std::invalid_argument("ip_mesh");
    if (std::isnan(i_threshold)) throw std::invalid_argument("i_threshold is NaN");
    int bad = 0;
    for (double const value : GetTriangleShapeQualities(ip_mesh, i_metric))
        if (value < i_threshold) ++bad;
    return bad;
}

std::vector<double> MTriangleQualityCalculator::GetTriangleShapeQualities(MStlBase const* ip_mesh, MetricType i_metric)
{
    if (!ip_mesh) throw std::invalid_argument("ip_mesh");
    switch (i_metric)
    {
    case CurvatureRatioConvex:
    case CurvatureRatioConcave:
    case CurvatureRatio: return curvature::CurvatureRatiosOfMesh(*ip_mesh, i_metric);
    default: break;
    }
    std::vector<double> values;
    values.reserve(ip_mesh->NumberOfTriangles());
    auto const end = MStlIteratorStlTriangleConst::End(ip_mesh);
    for (auto it = MStlIteratorStlTriangleConst::Begin(ip_mesh); it != end; ++it)
        values.push_back(GetTriangleShapeQuality(&*it, i_metric));
    return values;
}

} // namespace Rudizidov
} // namespace Zodara
