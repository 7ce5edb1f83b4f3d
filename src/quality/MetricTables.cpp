// Per-metric tables: category, value range, and the flags callers use to pick metrics.
#include "quality/MTriangleQualityCalculator.h"

namespace Zodara
{
namespace Rudizidov
{

using Calc = MTriangleQualityCalculator;

Calc::MetricCategory Calc::GetMetricCategory(MetricType i_metric)
{
    switch (i_metric)
    {
    case RadiusRatio:
    case HeightRatio:
    case HeightToMaxEdge:
    case CircumcircleAreaRatio:
    case MinAngleRatio:
    case MaxAngleRatio:
    case MinAngle:
    case AngleRatio:
    case MinMaxEdgeRatio:
    case EquiangleSkew:
    case InradiusRatio:
    case CircumradiusAreaRatio:
    case EdgeSquaresAreaRatio:
    case CentroidDeviation:
    case AspectRatio: return CategoryShape;
    case MaxAngle:
    case MinHeight:
    case MinEdge:
    case MaxEdge:
    case BadEdgeRatio:
    case SurfaceSmoothnessRatio:
    case ManifoldRatio:
    case CurvatureRatioConvex:
    case CurvatureRatioConcave:
    case CurvatureRatio:
    case Marked: return CategoryMeasure;
    case GrowthFactor:
    case GrowthFactor2Rings:
    case GrowthFactor3Rings:
    case GrowthFactorMaxEdge:
    case GrowthFactorMaxEdge2Rings:
    case GrowthFactorMaxEdge3Rings: return CategoryGrowth;
    default: return CategoryNone;
    }
}

bool Calc::GetMetricRange(double& o_min, double& o_max, MetricType i_metric)
{
    switch (i_metric)
    {
    case HeightToMaxEdge:
        o_min = 0.0;
        o_max = 0.8660254037844386;
        return true;
    case MinAngle:
        o_min = 0.0;
        o_max = 60.0;
        return true;
    case MaxAngle:
        o_min = 60.0;
        o_max = 180.0;
        return true;
    case ApexDistance:
    case MinHeight:
    case MinEdge:
    case MaxEdge:
    case AspectRatio:
        // No fixed range: the unit interval is only a starting point for a caller's scale.
        o_min = 0.0;
        o_max = 1.0;
        return false;
    case DanglingEdgeRatio: return false;
    default: break;
    }
    if (i_metric < RadiusRatio || i_metric > CentroidDeviation || i_metric == 25) return false;
    o_min = 0.0;
    o_max = 1.0;
    return true;
}

bool Calc::GetIsAutoRemeshPossible(MetricType i_metric)
{
    switch (i_metric)
    {
    case RadiusRatio:
    case EdgeRatio:
    case HeightRatio:
    case HeightToMaxEdge:
    case CircumcircleAreaRatio:
    case MinAngleRatio:
    case MaxAngleRatio:
    case MinAngle:
    case AngleRatio:
    case MinMaxEdgeRatio:
    case EquiangleSkew:
    case InradiusRatio:
    case CircumradiusAreaRatio:
    case EdgeSquaresAreaRatio:
    case CentroidDeviation: return true;
    default: return false;
    }
}

bool Calc::GetIsInInternalUnits(MetricType i_metric)
{
    return i_metric == MinHeight || i_metric == MinEdge || i_metric == MaxEdge;
}

} // namespace Rudizidov
} // namespace Zodara
