#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "quality/MTriangleQualityCalculator.h"
#include "quality_test_meshes.h"

namespace
{
using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
using vz_test::Build;

int Bad(MStlBase const& mesh, double threshold, int metric)
{
    return Calc::GetNumberOfBadTriangles(&mesh, threshold, Calc::MetricType(metric));
}
} // namespace

TEST(BadTriangles, ValuesEqualToTheThresholdAreNotCounted)
{
    // Right triangles with legs 100, 200 and 300: shortest edges exactly 100, 200, 300.
    MStlBase mesh;
    Build(mesh,
          {{0, 0, 0},
           {100, 0, 0},
           {0, 100, 0},
           {1000, 0, 0},
           {1200, 0, 0},
           {1000, 200, 0},
           {2000, 0, 0},
           {2300, 0, 0},
           {2000, 300, 0}},
          {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}});
    EXPECT_EQ(Bad(mesh, 100.0, Calc::MinEdge), 0);
    EXPECT_EQ(Bad(mesh, std::nextafter(100.0, 1e9), Calc::MinEdge), 1);
    EXPECT_EQ(Bad(mesh, 300.0, Calc::MinEdge), 2);
    EXPECT_EQ(Bad(mesh, 301.0, Calc::MinEdge), 3);
    // Below is bad also where larger values are worse: only the hypotenuse 141.4 is below 200.
    EXPECT_EQ(Bad(mesh, 200.0, Calc::MaxEdge), 1);
    EXPECT_EQ(Bad(mesh, 0.0, 25), 0) << "no metric: every value is 0";
    EXPECT_EQ(Bad(mesh, 1e-300, 25), 3);
}

TEST(BadTriangles, NeighbourhoodMetricsComeFromTheMesh)
{
    MStlBase mesh;
    auto const t =
        Build(mesh, {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {100, 100, 0}, {300, 300, 0}, {400, 300, 0}, {300, 400, 0}},
              {{0, 1, 2}, {1, 3, 2}, {4, 5, 6}});
    t[2]->Mark();
    EXPECT_EQ(Bad(mesh, 1.0, Calc::Marked), 1);
    EXPECT_EQ(Bad(mesh, 0.0, Calc::Marked), 0);
    // Each of the pair has one shared edge (1/3), the lone triangle none.
    EXPECT_EQ(Bad(mesh, 1.0 / 3.0, Calc::BadEdgeRatio), 1);
    EXPECT_EQ(Bad(mesh, 0.5, Calc::BadEdgeRatio), 3);
}

TEST(BadTriangles, EmptyAndNullMesh)
{
    MStlBase mesh;
    for (int m = 0; m <= 37; ++m) EXPECT_EQ(Bad(mesh, 1e300, m), 0);
    EXPECT_THROW(Calc::GetNumberOfBadTriangles(nullptr, 1.0, Calc::RadiusRatio), std::invalid_argument);
}
