#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "QualityTestMeshes.h"
#include "quality/MTriangleQualityCalculator.h"

namespace
{

using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
using Point = MMPoint3d<double>;
using qualitytest::Build;

double Q(MStlTriangle const* t, int metric) { return Calc::GetTriangleShapeQuality(t, Calc::MetricType(metric)); }

// A strip of quads of height 100 between the given x positions, each split along its diagonal into
// L_k = (b_k, b_k+1, t_k+1) and U_k = (b_k, t_k+1, t_k). The triangles form one chain
// U0 L0 U1 L1 U2 ..., and both triangles of quad k have area 50 w_k and longest side
// sqrt(w_k^2 + 100^2) while w_k <= 100.
struct Strip
{
    MStlBase mesh;
    std::vector<MStlTriangle*> lower, upper;

    explicit Strip(std::vector<int> const& xs, int movedIndex = -1, qualitytest::Vertex moved = {0, 0, 0})
    {
        std::vector<qualitytest::Vertex> vertices;
        for (int x : xs) vertices.push_back({x, 0, 0});
        for (int x : xs) vertices.push_back({x, 100, 0});
        if (movedIndex >= 0) vertices[movedIndex] = moved;
        int const n = int(xs.size());
        std::vector<std::array<int, 3>> triangles;
        for (int k = 0; k + 1 < n; ++k)
        {
            triangles.push_back({k, k + 1, n + k + 1});
            triangles.push_back({k, n + k + 1, n + k});
        }
        auto const t = Build(mesh, vertices, triangles);
        for (std::size_t k = 0; k < t.size(); k += 2)
        {
            lower.push_back(t[k]);
            upper.push_back(t[k + 1]);
        }
    }
};

// Quad widths 40, 80, 100, 50, 10.
std::vector<int> const kXs{0, 40, 120, 220, 270, 280};

} // namespace

TEST(GrowthFactors, RingsReachOneTwoAndThreeStepsAlongTheChain)
{
    Strip s(kXs);
    // U2 (area 5000): one step L1 (4000), L2 (5000); two steps U1 (4000), U3 (2500);
    // three steps L0 (2000), L3 (2500); the tiny U4 (500) is four steps away.
    auto const T = s.upper[2];
    ASSERT_DOUBLE_EQ(T->SurfaceArea(), 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 27), 4000.0 / 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 28), 2500.0 / 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 29), 2000.0 / 5000.0);
    double const own = std::sqrt(100.0 * 100 + 100 * 100);
    EXPECT_DOUBLE_EQ(Q(T, 30), std::sqrt(80.0 * 80 + 100 * 100) / own);
    EXPECT_DOUBLE_EQ(Q(T, 31), std::sqrt(50.0 * 50 + 100 * 100) / own);
    EXPECT_DOUBLE_EQ(Q(T, 32), std::sqrt(40.0 * 40 + 100 * 100) / own);

    // L3 (2500) touches U4 (500) directly.
    EXPECT_DOUBLE_EQ(Q(s.lower[3], 27), 500.0 / 2500.0);
    // The smallest triangle grows towards nothing.
    for (int m = 27; m <= 32; ++m) EXPECT_EQ(Q(s.upper[4], m), 1.0) << m;
}

TEST(GrowthFactors, CollapsedNeighboursAreIgnored)
{
    MStlBase mesh;
    auto const t = Build(mesh, {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {50, 0, 0}}, {{0, 1, 2}, {1, 0, 3}});
    ASSERT_TRUE(t[1]->IsCollapsed());
    for (int m = 27; m <= 32; ++m) EXPECT_EQ(Q(t[0], m), 1.0) << m;
}

TEST(GrowthFactors, ZeroAreaAndZeroLengthGiveOne)
{
    // A flat triangle inside a strip: its neighbours are proper triangles, its own area is 0.
    MStlBase mesh;
    auto const t = Build(mesh, {{0, 0, 0}, {100, 0, 0}, {200, 0, 0}, {100, 50, 0}, {100, -50, 0}},
                         {{0, 1, 2}, {1, 0, 4}, {2, 1, 4}, {0, 2, 3}});
    ASSERT_EQ(t[0]->SurfaceArea(), 0.0);
    for (int m : {27, 28, 29}) EXPECT_EQ(Q(t[0], m), 1.0) << m;
    // Its longest side (200) exceeds its neighbours' (about 112): the edge factors still apply.
    EXPECT_LT(Q(t[0], 30), 1.0);

    MStlBase point;
    auto const p = Build(point, {{5, 5, 5}, {5, 5, 5}, {5, 5, 5}}, {{0, 1, 2}})[0];
    for (int m = 27; m <= 32; ++m)
    {
        EXPECT_EQ(Q(p, m), 1.0) << m;
        EXPECT_FALSE(std::isnan(Q(p, m)));
    }
}

TEST(GrowthFactors, ZeroLengthWithNeighboursGivesOne)
{
    // All three corners share one position, yet the triangle has neighbours through shared points.
    MStlBase mesh;
    MStlPoint* a = mesh.AddPoint(0, 0, 0);
    MStlPoint* b = mesh.AddPoint(100, 0, 0);
    MStlPoint* c = mesh.AddPoint(0, 100, 0);
    MStlTriangle* degenerate = mesh.AddTriangle(a, a, a);
    mesh.AddTriangle(a, b, c);
    ASSERT_EQ(degenerate->LONGEST_SIDE_LENGTH(), 0.0);
    for (int m = 27; m <= 32; ++m) EXPECT_EQ(Q(degenerate, m), 1.0) << m;
}
