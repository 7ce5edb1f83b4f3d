// verozerizaz.quality and bad_triangles: the numbered triangle-quality metrics over a whole mesh.
#include "Binding.h"

#include "quality/MTriangleQualityCalculator.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>
#include <vector>

namespace vzpy
{
namespace
{
using Calculator = Zodara::Rudizidov::MTriangleQualityCalculator;

struct MetricName
{
    char const* name;
    Calculator::MetricType type;
};

MetricName const kMetrics[] = {
    {"RadiusRatio", Calculator::RadiusRatio},
    {"EdgeRatio", Calculator::EdgeRatio},
    {"HeightRatio", Calculator::HeightRatio},
    {"HeightToMaxEdge", Calculator::HeightToMaxEdge},
    {"ApexDistance", Calculator::ApexDistance},
    {"CircumcircleAreaRatio", Calculator::CircumcircleAreaRatio},
    {"MinAngleRatio", Calculator::MinAngleRatio},
    {"MaxAngleRatio", Calculator::MaxAngleRatio},
    {"MinAngle", Calculator::MinAngle},
    {"MaxAngle", Calculator::MaxAngle},
    {"MinHeight", Calculator::MinHeight},
    {"MinEdge", Calculator::MinEdge},
    {"AngleRatio", Calculator::AngleRatio},
    {"MinMaxEdgeRatio", Calculator::MinMaxEdgeRatio},
    {"EquiangleSkew", Calculator::EquiangleSkew},
    {"MaxEdge", Calculator::MaxEdge},
    {"BadEdgeRatio", Calculator::BadEdgeRatio},
    {"DanglingEdgeRatio", Calculator::DanglingEdgeRatio},
    {"SurfaceSmoothnessRatio", Calculator::SurfaceSmoothnessRatio},
    {"InradiusRatio", Calculator::InradiusRatio},
    {"ManifoldRatio", Calculator::ManifoldRatio},
    {"CurvatureRatioConvex", Calculator::CurvatureRatioConvex},
    {"CurvatureRatioConcave", Calculator::CurvatureRatioConcave},
    {"CurvatureRatio", Calculator::CurvatureRatio},
    {"Marked", Calculator::Marked},
    {"GrowthFactor", Calculator::GrowthFactor},
    {"GrowthFactor2Rings", Calculator::GrowthFactor2Rings},
    {"GrowthFactor3Rings", Calculator::GrowthFactor3Rings},
    {"GrowthFactorMaxEdge", Calculator::GrowthFactorMaxEdge},
    {"GrowthFactorMaxEdge2Rings", Calculator::GrowthFactorMaxEdge2Rings},
    {"GrowthFactorMaxEdge3Rings", Calculator::GrowthFactorMaxEdge3Rings},
    {"CircumradiusAreaRatio", Calculator::CircumradiusAreaRatio},
    {"EdgeSquaresAreaRatio", Calculator::EdgeSquaresAreaRatio},
    {"CentroidDeviation", Calculator::CentroidDeviation},
    {"AspectRatio", Calculator::AspectRatio},
};

// "RadiusRatio", "radius_ratio" and "radiusratio" name the same metric.
std::string Folded(std::string const& name)
{
    std::string folded;
    for (char c : name)
        if (c != '_' && c != '-' && c != ' ') folded += char(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

Calculator::MetricType Metric(py::handle metric)
{
    if (py::isinstance<py::str>(metric))
    {
        std::string const wanted = Folded(metric.cast<std::string>());
        for (MetricName const& m : kMetrics)
            if (Folded(m.name) == wanted) return m.type;
        throw py::value_error("metric: no metric is named '" + metric.cast<std::string>() +
                              "' (see verozerizaz.METRICS)");
    }
    if (!py::isinstance<py::int_>(metric) || py::isinstance<py::bool_>(metric))
        throw py::value_error("metric must be a metric number or name");
    long long const number = metric.cast<long long>();
    for (MetricName const& m : kMetrics)
        if (m.type == number) return m.type;
    throw py::value_error("metric: " + std::to_string(number) + " is no metric (1 to 36 except 25)");
}

// Metrics whose value is a length: converted between internal units and mm at the boundary.
bool IsLength(Calculator::MetricType metric)
{
    return metric == Calculator::ApexDistance || Calculator::GetIsInInternalUnits(metric);
}

// The curvature ratios, whose value comes from a walk around each corner's fan of triangles.
bool IsCurvatureRatio(Calculator::MetricType metric)
{
    return metric == Calculator::CurvatureRatioConvex || metric == Calculator::CurvatureRatioConcave ||
           metric == Calculator::CurvatureRatio;
}

py::array_t<double> Quality(Mesh const& mesh, py::handle metricObject)
{
    Calculator::MetricType const metric = Metric(metricObject);
    std::vector<MStlTriangle*> const& triangles = mesh.Get().GetTriangles();
    std::int64_t const count = std::int64_t(triangles.size());
    py::array_t<double> result(static_cast<py::ssize_t>(triangles.size()));
    double* out = result.mutable_data();
    double const divisor = IsLength(metric) ? mesh.UnitsPerMm() : 1.0;
    {
        py::gil_scoped_release const released;
        std::shared_lock<std::shared_mutex> const lock(mesh.Lock());
        if (IsCurvatureRatio(metric))
        {
            // The whole-mesh call walks each vertex's fan a bounded number of times; triangle by
            // triangle, a vertex shared by thousands of triangles would be walked thousands of times.
            std::vector<double> const values = Calculator::GetTriangleShapeQualities(&mesh.Get(), metric);
            for (std::int64_t i = 0; i < count; ++i) out[i] = values[std::size_t(i)] / divisor;
        }
        else
        {
#pragma omp parallel for schedule(dynamic, 1024)
            for (std::int64_t i = 0; i < count; ++i)
                out[i] = Calculator::GetTriangleShapeQuality(triangles[std::size_t(i)], metric) / divisor;
        }
    }
    return result;
}

int BadTriangles(Mesh const& mesh, py::handle metricObject, double threshold)
{
    Calculator::MetricType const metric = Metric(metricObject);
    if (threshold != threshold) throw py::value_error("threshold is NaN");
    double const limit = IsLength(metric) ? threshold * mesh.UnitsPerMm() : threshold;
    py::gil_scoped_release const released;
    std::shared_lock<std::shared_mutex> const lock(mesh.Lock());
    return Calculator::GetNumberOfBadTriangles(&mesh.Get(), limit, metric);
}

py::dict MetricTable()
{
    py::dict table;
    for (MetricName const& m : kMetrics) table[py::str(m.name)] = int(m.type);
    return table;
}
} // namespace

void BindQuality(py::module_& m)
{
    m.attr("METRICS") = MetricTable();
    m.def("quality", &Quality, py::arg("mesh"), py::arg("metric"),
          "quality(mesh, metric) -> (m,) float64\n\n"
          "Each triangle's value of a quality metric, given by number (1 to 36 except 25) or by name "
          "('RadiusRatio' or 'radius_ratio'; verozerizaz.METRICS lists them). Ratios are unitless, angles in "
          "degrees; the lengths (ApexDistance, MinHeight, MinEdge, MaxEdge) are in mm. Neighbourhood metrics "
          "(17-32) see the triangles that share vertices with each triangle.");
    m.def("bad_triangles", &BadTriangles, py::arg("mesh"), py::arg("metric"), py::arg("threshold"),
          "bad_triangles(mesh, metric, threshold) -> int\n\n"
          "The number of triangles whose metric value is below threshold (a value equal to it is not bad); "
          "threshold in mm for the length metrics.");
}
} // namespace vzpy
