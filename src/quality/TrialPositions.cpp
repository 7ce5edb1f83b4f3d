// Growth factors of a triangle as they would be with its vertices at trial positions. The
// vertices are moved for the duration of the computation and put back exactly.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "quality/MTriangleQualityCalculator.h"

namespace Zodara
{
namespace Rudizidov
{

namespace
{

bool IsGrowthMetric(MTriangleQualityCalculator::MetricType metric)
{
    return metric >= MTriangleQualityCalculator::GrowthFactor &&
           metric <= MTriangleQualityCalculator::GrowthFactorMaxEdge3Rings;
}

// Truncated toward zero; beyond the 32-bit range the coordinate saturates.
long ToVertexCoordinate(double v)
{
    double const lo = std::numeric_limits<std::int32_t>::min();
    double const hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<long>(std::trunc(std::min(std::max(v, lo), hi)));
}

void RequireNumbers(MMPoint3d<double> const* positions)
{
    for (int i = 0; i < 3; ++i)
        if (std::isnan(positions[i].x) || std::isnan(positions[i].y) || std::isnan(positions[i].z))
            throw std::invalid_argument("ip_positions: a trial coordinate is not a number");
}

// Moves the triangle's vertices to the trial positions and restores the saved integer
// coordinates when it goes out of scope, also when the computation throws.
class TrialPlacement
{
public:
    TrialPlacement(MStlTriangle const* triangle, MMPoint3d<double> const* positions)
    {
        if (!positions) return;
        RequireNumbers(positions);
        for (std::size_t i = 0; i < 3; ++i)
        {
            m_points[i] = triangle->GetPoint(i);
            m_saved[i] = m_points[i]->GetInteger();
        }
        for (int i = 0; i < 3; ++i)
        {
            MMPoint3d<double> const& p = positions[i];
            m_points[i]->Set(
                MMPoint3d<long>(ToVertexCoordinate(p.x), ToVertexCoordinate(p.y), ToVertexCoordinate(p.z)));
        }
    }
    ~TrialPlacement()
    {
        for (int i = 0; i < 3; ++i)
            if (m_points[i]) m_points[i]->Set(m_saved[i]);
    }
    TrialPlacement(TrialPlacement const&) = delete;
    TrialPlacement& operator=(TrialPlacement const&) = delete;

private:
    MStlPoint* m_points[3] = {nullptr, nullptr, nullptr};
    MMPoint3d<long> m_saved[3];
};

} // namespace

double MTriangleQualityCalculator::GetTriangleShapeQuality(MStlTriangle const* ip_triangle,
                                                           MMPoint3d<double> const* const ip_positions,
                                                           MetricType i_metric)
{
    if (!ip_triangle) throw std::invalid_argument("ip_triangle");
    if (!IsGrowthMetric(i_metric)) return 0.0;
    TrialPlacement const placement(ip_triangle, ip_positions);
    return _GetTriangleGrowthFactorQuality(ip_triangle, i_metric);
}

double MTriangleQualityCalculator::GetTriangleShapeQuality(MStlTriangle const* ip_triangle,
                                                           MMPoint3d<double> const* const ip_positions,
                                                           MetricType i_shapeMetric, MetricType i_growthMetric)
{
    if (!ip_triangle) throw std::invalid_argument("ip_triangle");
    if (!IsGrowthMetric(i_growthMetric)) return 0.0;
    return GetTriangleShapeQualityGrowthFactorCombinedRatio(ip_triangle, ip_positions, i_shapeMetric, i_growthMetric);
}

double MTriangleQualityCalculator::GetTriangleShapeQualityGrowthFactorCombinedRatio(
    MStlTriangle const* ip_triangle, MMPoint3d<double> const* const ip_positions, MetricType i_shapeMetric,
    MetricType i_growthMetric)
{
    double growth = 0.0;
    {
        TrialPlacement const placement(ip_triangle, ip_positions);
        growth = _GetTriangleGrowthFactorQuality(ip_triangle, i_growthMetric);
    }
    double shape = 1.0;
    if (GetIsAutoRemeshPossible(i_shapeMetric))
    {
        if (ip_positions)
        {
            shape = GetTriangleShapeQuality(ip_positions, i_shapeMetric);
        }
        else
        {
            MMPoint3d<double> const corners[3] = {ip_triangle->GetVertex(0), ip_triangle->GetVertex(1),
                                                  ip_triangle->GetVertex(2)};
            shape = GetTriangleShapeQuality(corners, i_shapeMetric);
        }
    }
    return std::min(growth, shape);
}

} // namespace Rudizidov
} // namespace Zodara
