#pragma once
// Numbered quality metrics of mesh triangles: the shape of three corner points, and the
// neighbourhood of a triangle in its mesh (edge topology, smoothness, curvature, marking and
// growth of triangle size towards the neighbours).
#include <cstdint>
#include <vector>

#include "interfaces/Export.h"
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"

namespace Zodara
{
namespace Rudizidov
{

// Static functions only; the class holds no data.
//
// Units: points are in the mesh's internal length units (10 000 per millimetre for meshes loaded
// from STL). A metric's value is a ratio, an angle in degrees (MinAngle, MaxAngle) or a length in
// internal units (GetIsInInternalUnits tells which; divide by the units per millimetre to show
// millimetres). GetMetricRange gives the fixed range of a metric, GetMetricCategory its kind.
// Errors: null pointer arguments throw std::invalid_argument naming the argument ("ip_points",
// "ip_triangle", "ip_mesh"); numbers that are no metric give 0.0, never an exception. Degenerate
// triangles (coincident or collinear corners) give each metric's limit value for most metrics;
// InradiusRatio, CircumradiusAreaRatio, EdgeSquaresAreaRatio, CentroidDeviation and AspectRatio
// divide by the area or an edge and may give an infinity or NaN there.
// Threads: every function only reads and may run concurrently with any other read of the same
// mesh, except the overloads with trial positions: they move the triangle's vertices for the
// duration of the call, so nothing else may use that mesh meanwhile.
// Cost: shape metrics are a few dozen operations; neighbourhood metrics visit the triangles of one
// to three rings around the triangle; GetNumberOfBadTriangles evaluates the metric once per
// triangle, on the calling thread.
class VZ_API MTriangleQualityCalculator
{
public:
    // The numbers are part of the interface: 0 and 25 are no metric, nothing is defined above 36.
    enum MetricType : std::int32_t
    {
        RadiusRatio = 1,
        EdgeRatio = 2,
        HeightRatio = 3,
        HeightToMaxEdge = 4,
        ApexDistance = 5,
        CircumcircleAreaRatio = 6,
        MinAngleRatio = 7,
        MaxAngleRatio = 8,
        MinAngle = 9,
        MaxAngle = 10,
        MinHeight = 11,
        MinEdge = 12,
        AngleRatio = 13,
        MinMaxEdgeRatio = 14,
        EquiangleSkew = 15,
        MaxEdge = 16,
        BadEdgeRatio = 17,
        DanglingEdgeRatio = 18,
        SurfaceSmoothnessRatio = 19,
        InradiusRatio = 20,
        ManifoldRatio = 21,
        CurvatureRatioConvex = 22,
        CurvatureRatioConcave = 23,
        CurvatureRatio = 24,
        Marked = 26,
        GrowthFactor = 27,
        GrowthFactor2Rings = 28,
        GrowthFactor3Rings = 29,
        GrowthFactorMaxEdge = 30,
        GrowthFactorMaxEdge2Rings = 31,
        GrowthFactorMaxEdge3Rings = 32,
        CircumradiusAreaRatio = 33,
        EdgeSquaresAreaRatio = 34,
        CentroidDeviation = 35,
        AspectRatio = 36
    };

    enum MetricCategory : std::int32_t
    {
        CategoryShape = 0,
        CategoryMeasure = 1,
        CategoryGrowth = 2,
        CategoryNone = 3
    };

    MTriangleQualityCalculator& operator=(MTriangleQualityCalculator const&) { return *this; }

    // Shape metrics of the corners ip_points[0..2]; metrics that need a mesh, and numbers that are
    // no metric, give 0.0. Throws std::invalid_argument for a null array.
    static double GetTriangleShapeQuality(MMPoint3d<double> const* const ip_points, MetricType i_metric);
    static double GetTriangleShapeQuality(MTriangle3D<MMPoint3d<double>> const& i_triangle, MetricType i_metric);

    // Any metric of a mesh triangle: the neighbourhood metrics from its mesh, every other number by
    // the shape formulas on its vertex positions. Throws std::invalid_argument for a null triangle.
    static double GetTriangleShapeQuality(MStlTriangle const* ip_triangle, MetricType i_metric);

    // The growth factor i_metric (27-32) with the triangle's three vertices moved to the trial
    // positions (truncated toward zero to integers) for the duration of the call; every other metric
    // 0.0. A null ip_positions moves nothing. The vertices are restored exactly before returning, so
    // the call must not overlap with any other use of the same mesh.
    static double GetTriangleShapeQuality(MStlTriangle const* ip_triangle, MMPoint3d<double> const* const ip_positions,
                                          MetricType i_metric);

    // min(growth factor at the trial positions, shape metric on the exact trial positions) when
    // i_growthMetric is 27-32, else 0.0 without moving anything. Shape metrics for which an
    // automatic remesh is not possible count as 1.
    static double GetTriangleShapeQuality(MStlTriangle const* ip_triangle, MMPoint3d<double> const* const ip_positions,
                                          MetricType i_shapeMetric, MetricType i_growthMetric);

    // Number of triangles of the mesh whose value is below i_threshold (equal is not bad). Throws
    // std::invalid_argument for a null mesh or a NaN threshold (any other number is valid).
    static int GetNumberOfBadTriangles(MStlBase const* ip_mesh, double i_threshold, MetricType i_metric);

    // The value of i_metric for every triangle of the mesh, in element-index order: exactly what
    // GetTriangleShapeQuality(triangle, i_metric) gives each one, but the curvature ratios (22-24)
    // walk each vertex's fan a bounded number of times instead of once per triangle, so that a
    // vertex shared by many triangles does not make the work grow with the square of their number.
    // Throws std::invalid_argument for a null mesh.
    static std::vector<double> GetTriangleShapeQualities(MStlBase const* ip_mesh, MetricType i_metric);

    static MetricCategory GetMetricCategory(MetricType i_metric);
    // Writes the metric's fixed range and returns true; metrics without a fixed range get [0, 1]
    // and false; numbers that are no metric (and 18) leave both untouched and return false.
    static bool GetMetricRange(double& o_min, double& o_max, MetricType i_metric);
    static bool GetIsAutoRemeshPossible(MetricType i_metric);
    static bool GetIsInInternalUnits(MetricType i_metric);

private:
    static double Rin(MMPoint3d<double> const* const ip_points);

    static double GetTriangleShapeQualityBadEdgeRatio(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityDanglingEdgeRatio(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualitySurfaceSmoothnessRatio(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityManifoldRatio(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityCurvatureRatio(MetricType i_metric, MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityMarked(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityGrowthFactor(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityGrowthFactor2Rings(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityGrowthFactor3Rings(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityGrowthFactorMaxEdge(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityGrowthFactorMaxEdge2Rings(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityGrowthFactorMaxEdge3Rings(MStlTriangle const* ip_triangle);
    static double GetTriangleShapeQualityGrowthFactorCombinedRatio(MStlTriangle const* ip_triangle,
                                                                   MMPoint3d<double> const* const ip_positions,
                                                                   MetricType i_shapeMetric, MetricType i_growthMetric);

    static double _GetTriangleGrowthFactorQuality(MStlTriangle const* ip_triangle, MetricType i_metric);
    static double _MinNeighbourTriangleArea(MStlTriangle const* ip_triangle);
    static double _MinNeighbourTriangleEdge(MStlTriangle const* ip_triangle);
    static double _CurvatureRatio(MetricType i_metric, MStlTriangle const* ip_first, MStlTriangle const* ip_second);

    // Counts, over the three edges, those used by more than i_moreThan triangles (the triangle itself
    // included, collapsed triangles too).
    static int _CountEdgesUsedByMoreThan(MStlTriangle const* ip_triangle, std::size_t i_moreThan);
};

} // namespace Rudizidov
} // namespace Zodara
