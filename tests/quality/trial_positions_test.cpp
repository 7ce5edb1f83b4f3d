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
using qualitytest::Coordinates;

// Two rows of points at y = 0 and y = 100 joined into a strip of triangle pairs.
struct Strip
{
    MStlBase mesh;
    std::vector<MStlTriangle*> t;

    explicit Strip(std::vector<qualitytest::Vertex> const& bottomAndTop)
    {
        int const n = int(bottomAndTop.size()) / 2;
        std::vector<std::array<int, 3>> triangles;
        for (int k = 0; k + 1 < n; ++k)
        {
            triangles.push_back({k, k + 1, n + k + 1});
            triangles.push_back({k, n + k + 1, n + k});
        }
        t = Build(mesh, bottomAndTop, triangles);
    }
};

std::vector<qualitytest::Vertex> StripVertices()
{
    return {{0, 0, 0}, {40, 0, 0}, {120, 0, 0}, {220, 0, 0}, {270, 0, 0}, {280, 0, 0},
            {0, 100, 0}, {40, 100, 0}, {120, 100, 0}, {220, 100, 0}, {270, 100, 0}, {280, 100, 0}};
}

// Index 5 in the strip is U2 = (b2, t3, t2): points 2, 9 and 8.
constexpr int kTriangle = 5;

} // namespace

TEST(TrialPositions, GrowthAtTrialPositionsEqualsTheMovedMeshAndRestoresExactly)
{
    Strip s(StripVertices());
    auto const before = Coordinates(s.mesh);
    // b2 moves to (119.999, -5.7, 0.4): truncated toward zero that is (119, -5, 0), not (119, -6, 0).
    Point const trial[3] = {Point(119.999, -5.7, 0.4), Point(220, 100, 0), Point(120, 100, 0)};
    auto movedVertices = StripVertices();
    movedVertices[2] = {119, -5, 0};
    Strip moved(movedVertices);
    for (int m = 27; m <= 32; ++m)
    {
        double const expected = Calc::GetTriangleShapeQuality(moved.t[kTriangle], Calc::MetricType(m));
        EXPECT_EQ(Calc::GetTriangleShapeQuality(s.t[kTriangle], trial, Calc::MetricType(m)), expected) << m;
        EXPECT_EQ(Coordinates(s.mesh), before) << m;
    }
    // The neighbours' sizes change with the shared vertex: L1 loses area, so factor 27 drops.
    EXPECT_LT(Calc::GetTriangleShapeQuality(s.t[kTriangle], trial, Calc::GrowthFactor),
              Calc::GetTriangleShapeQuality(s.t[kTriangle], Calc::GrowthFactor));
}

TEST(TrialPositions, EveryVertexMovesAndComesBack)
{
    Strip s(StripVertices());
    auto const before = Coordinates(s.mesh);
    Point const trial[3] = {Point(150.9, 30.2, -7.9), Point(-1e12, 250.5, 3e12), Point(90.1, 140.7, 12.0)};
    auto movedVertices = StripVertices();
    movedVertices[2] = {150, 30, -7};
    movedVertices[9] = {std::numeric_limits<std::int32_t>::min(), 250, std::numeric_limits<std::int32_t>::max()};
    movedVertices[8] = {90, 140, 12};
    Strip moved(movedVertices);
    for (int m = 27; m <= 32; ++m)
    {
        EXPECT_EQ(Calc::GetTriangleShapeQuality(s.t[kTriangle], trial, Calc::MetricType(m)),
                  Calc::GetTriangleShapeQuality(moved.t[kTriangle], Calc::MetricType(m)))
            << m;
        EXPECT_EQ(Coordinates(s.mesh), before);
    }
}

TEST(TrialPositions, NullArrayMovesNothing)
{
    Strip s(StripVertices());
    for (int m = 27; m <= 32; ++m)
        EXPECT_EQ(Calc::GetTriangleShapeQuality(s.t[kTriangle], nullptr, Calc::MetricType(m)),
                  Calc::GetTriangleShapeQuality(s.t[kTriangle], Calc::MetricType(m)));
}

TEST(TrialPositions, NonGrowthMetricsGiveZero)
{
    Strip s(StripVertices());
    Point const trial[3] = {Point(100, 0, 0), Point(220, 100, 0), Point(120, 100, 0)};
    for (int m : {0, 1, 5, 17, 24, 26, 33, 36}) EXPECT_EQ(Calc::GetTriangleShapeQuality(s.t[kTriangle], trial, Calc::MetricType(m)), 0.0);
}

TEST(TrialPositions, CombinedRatioIsTheSmallerOfGrowthAndExactShape)
{
    Strip s(StripVertices());
    auto const before = Coordinates(s.mesh);
    Point const trial[3] = {Point(119.999, -5.7, 0.4), Point(220, 100, 0), Point(120.5, 100.5, 0)};
    auto movedVertices = StripVertices();
    movedVertices[2] = {119, -5, 0};
    Strip moved(movedVertices);
    for (int g = 27; g <= 32; ++g)
    {
        double const growth = Calc::GetTriangleShapeQuality(moved.t[kTriangle], Calc::MetricType(g));
        for (int shape = 0; shape <= 37; ++shape)
        {
            double const combined =
                Calc::GetTriangleShapeQuality(s.t[kTriangle], trial, Calc::MetricType(shape), Calc::MetricType(g));
            double const expected = Calc::GetIsAutoRemeshPossible(Calc::MetricType(shape))
                                        ? std::min(growth, Calc::GetTriangleShapeQuality(trial, Calc::MetricType(shape)))
                                        : growth;
            EXPECT_EQ(combined, expected) << shape << " " << g;
        }
    }
    EXPECT_EQ(Coordinates(s.mesh), before);
    // The shape is taken on the exact trial positions, not on the truncated ones.
    Point const truncated[3] = {Point(119, -5, 0), Point(220, 100, 0), Point(120, 100, 0)};
    ASSERT_NE(Calc::GetTriangleShapeQuality(trial, Calc::RadiusRatio), Calc::GetTriangleShapeQuality(truncated, Calc::RadiusRatio));
}

TEST(TrialPositions, CombinedRatioWithoutTrialPositionsUsesTheCurrentVertices)
{
    Strip s(StripVertices());
    auto const* T = s.t[kTriangle];
    double const growth = Calc::GetTriangleShapeQuality(T, Calc::GrowthFactor2Rings);
    double const shape = Calc::GetTriangleShapeQuality(T, Calc::MinAngleRatio);
    EXPECT_EQ(Calc::GetTriangleShapeQuality(T, nullptr, Calc::MinAngleRatio, Calc::GrowthFactor2Rings), std::min(growth, shape));
    EXPECT_EQ(Calc::GetTriangleShapeQuality(T, nullptr, Calc::ApexDistance, Calc::GrowthFactor2Rings), growth);
}

TEST(TrialPositions, CombinedRatioWithoutGrowthMetricMovesNothing)
{
    Strip s(StripVertices());
    auto const before = Coordinates(s.mesh);
    double const nan = std::numeric_limits<double>::quiet_NaN();
    Point const unusable[3] = {Point(nan, 0, 0), Point(0, nan, 0), Point(0, 0, nan)};
    for (int g : {0, 1, 24, 26, 33})
        EXPECT_EQ(Calc::GetTriangleShapeQuality(s.t[kTriangle], unusable, Calc::RadiusRatio, Calc::MetricType(g)), 0.0);
    EXPECT_EQ(Coordinates(s.mesh), before);
}

TEST(TrialPositions, RefusedInputLeavesTheMeshAlone)
{
    Strip s(StripVertices());
    auto const before = Coordinates(s.mesh);
    double const nan = std::numeric_limits<double>::quiet_NaN();
    Point const trial[3] = {Point(1, 2, 3), Point(4, 5, 6), Point(7, nan, 9)};
    EXPECT_THROW(Calc::GetTriangleShapeQuality(s.t[kTriangle], trial, Calc::GrowthFactor), std::invalid_argument);
    EXPECT_THROW(Calc::GetTriangleShapeQuality(s.t[kTriangle], trial, Calc::RadiusRatio, Calc::GrowthFactor), std::invalid_argument);
    EXPECT_THROW(Calc::GetTriangleShapeQuality(nullptr, trial, Calc::GrowthFactor), std::invalid_argument);
    EXPECT_EQ(Coordinates(s.mesh), before);
}
