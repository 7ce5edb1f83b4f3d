#pragma once
// Metric names and per-metric statistics shared by the summary and quality subcommands.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "interfaces/MeshData.h"
#include "quality/MTriangleQualityCalculator.h"

namespace qualityreport
{

using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;

constexpr double kUnitsPerMillimetre = 10000.0;

// The enumerator's name, or an empty string for numbers that are no metric.
inline char const* MetricName(int metric)
{
    static char const* const names[] = {"",
                                        "RadiusRatio",
                                        "EdgeRatio",
                                        "HeightRatio",
                                        "HeightToMaxEdge",
                                        "ApexDistance",
                                        "CircumcircleAreaRatio",
                                        "MinAngleRatio",
                                        "MaxAngleRatio",
                                        "MinAngle",
                                        "MaxAngle",
                                        "MinHeight",
                                        "MinEdge",
                                        "AngleRatio",
                                        "MinMaxEdgeRatio",
                                        "EquiangleSkew",
                                        "MaxEdge",
                                        "BadEdgeRatio",
                                        "DanglingEdgeRatio",
                                        "SurfaceSmoothnessRatio",
                                        "InradiusRatio",
                                        "ManifoldRatio",
                                        "CurvatureRatioConvex",
                                        "CurvatureRatioConcave",
                                        "CurvatureRatio",
                                        "",
                                        "Marked",
                                        "GrowthFactor",
                                        "GrowthFactor2Rings",
                                        "GrowthFactor3Rings",
                                        "GrowthFactorMaxEdge",
                                        "GrowthFactorMaxEdge2Rings",
                                        "GrowthFactorMaxEdge3Rings",
                                        "CircumradiusAreaRatio",
                                        "EdgeSquaresAreaRatio",
                                        "CentroidDeviation",
                                        "AspectRatio"};
    return metric >= 1 && metric <= 36 ? names[metric] : "";
}

inline bool IsMetric(int metric) { return *MetricName(metric) != '\0'; }

// Values of metrics measured in internal units are shown in millimetres.
inline double ToDisplayUnits(double value, Calc::MetricType metric)
{
    return Calc::GetIsInInternalUnits(metric) ? value / kUnitsPerMillimetre : value;
}

inline double FromDisplayUnits(double value, Calc::MetricType metric)
{
    return Calc::GetIsInInternalUnits(metric) ? value * kUnitsPerMillimetre : value;
}

struct Statistics
{
    double minimum = std::numeric_limits<double>::quiet_NaN();
    double median = std::numeric_limits<double>::quiet_NaN();
    double maximum = std::numeric_limits<double>::quiet_NaN();
};

// Minimum, median (the upper middle value) and maximum over all triangles; NaN for no triangles.
inline Statistics ComputeStatistics(MStlBase const& mesh, Calc::MetricType metric)
{
    // The whole-mesh call: per-triangle calls would walk a high-valence vertex's fan once per triangle.
    std::vector<double> values = Calc::GetTriangleShapeQualities(&mesh, metric);
    Statistics s;
    if (values.empty()) return s;
    auto const middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    s.median = *middle;
    auto const extremes = std::minmax_element(values.begin(), values.end());
    s.minimum = *extremes.first;
    s.maximum = *extremes.second;
    return s;
}

// A value in display units, or "-" when there is none.
inline std::string FormatValue(double value, Calc::MetricType metric)
{
    if (std::isnan(value)) return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", ToDisplayUnits(value, metric));
    return text;
}

inline void PrintPartHeader(std::string const& partName, MStlBase const& mesh)
{
    std::printf("part: %s\n", partName.c_str());
    std::printf("triangles: %zu\n", mesh.NumberOfTriangles());
    M3DBoundingBox<long> const box = mesh.GetBoundingBox();
    if (box.IsEmpty())
    {
        std::printf("bounding box (mm): empty\n");
        return;
    }
    auto mm = [](long v) { return double(v) / kUnitsPerMillimetre; };
    std::printf("bounding box (mm): x %g .. %g, y %g .. %g, z %g .. %g\n", mm(box.GetMin(0)), mm(box.GetMax(0)),
                mm(box.GetMin(1)), mm(box.GetMax(1)), mm(box.GetMin(2)), mm(box.GetMax(2)));
}

} // namespace qualityreport
