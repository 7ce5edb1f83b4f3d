#include <gtest/gtest.h>

#include <cmath>

#include "quality/MTriangleQualityCalculator.h"
#include "quality_test_meshes.h"

namespace
{
using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
using vz_test::Build;

double Q(MStlTriangle const* t, int metric) { return Calc::GetTriangleShapeQuality(t, Calc::MetricType(metric)); }
double Diagonal(double w) { return std::sqrt(w * w + 100.0 * 100.0); }
} // namespace

TEST(GrowthFactors, RingsReachOneTwoAndThreeStepsAlongTheChain)
{
    vz_test::Strip s;
    // U2 (area 5000): one step L1 (4000), L2 (5000); two steps U1 (4000), U3 (2500); three steps
    // L0 (2000), L3 (2500); the tiny U4 (500) is four steps away.
    auto const T = s.U(2);
    ASSERT_DOUBLE_EQ(T->SurfaceArea(), 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 27), 4000.0 / 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 28), 2500.0 / 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 29), 2000.0 / 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 30), Diagonal(80) / Diagonal(100));
    EXPECT_DOUBLE_EQ(Q(T, 31), Diagonal(50) / Diagonal(100));
    EXPECT_DOUBLE_EQ(Q(T, 32), Diagonal(40) / Diagonal(100));
    EXPECT_DOUBLE_EQ(Q(s.L(3), 27), 500.0 / 2500.0) << "L3 touches U4 directly";
    for (int m = 27; m <= 32; ++m) EXPECT_EQ(Q(s.U(4), m), 1.0) << "the smallest grows towards nothing, metric " << m;
}

TEST(GrowthFactors, CollapsedNeighboursZeroAreaAndZeroLengthGiveOne)
{
    MStlBase collapsed;
    auto const c = Build(collapsed, {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {50, 0, 0}}, {{0, 1, 2}, {1, 0, 3}});
    ASSERT_TRUE(c[1]->IsCollapsed());
    for (int m = 27; m <= 32; ++m) EXPECT_EQ(Q(c[0], m), 1.0) << "collapsed neighbour is ignored, metric " << m;

    // A flat triangle between proper neighbours: no area, but its longest side (200) exceeds theirs
    // (about 112), so the edge factors still apply.
    MStlBase flat;
    auto const f = Build(flat, {{0, 0, 0}, {100, 0, 0}, {200, 0, 0}, {100, 50, 0}, {100, -50, 0}},
                         {{0, 1, 2}, {1, 0, 4}, {2, 1, 4}, {0, 2, 3}});
    ASSERT_EQ(f[0]->SurfaceArea(), 0.0);
    for (int m : {27, 28, 29}) EXPECT_EQ(Q(f[0], m), 1.0) << m;
    EXPECT_LT(Q(f[0], 30), 1.0);

    // All three corners at one point, alone and with a neighbour through that point.
    MStlBase single, shared;
    auto const p = Build(single, {{5, 5, 5}, {5, 5, 5}, {5, 5, 5}}, {{0, 1, 2}})[0];
    MStlPoint* a = shared.AddPoint(0, 0, 0);
    MStlTriangle* degenerate = shared.AddTriangle(a, a, a);
    shared.AddTriangle(a, shared.AddPoint(100, 0, 0), shared.AddPoint(0, 100, 0));
    ASSERT_EQ(degenerate->LONGEST_SIDE_LENGTH(), 0.0);
    for (int m = 27; m <= 32; ++m)
    {
        EXPECT_EQ(Q(p, m), 1.0) << m;
        EXPECT_EQ(Q(degenerate, m), 1.0) << m;
    }
}
