#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "quality/MTriangleQualityCalculator.h"
#include "quality_test_meshes.h"
#include "support/closed_mesh_builders.h"

namespace
{
using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
using Point = MMPoint3d<double>;
using vz_test::Strip;
using vz_test::StripVertices;
using vz_test::TakeSnapshot;
using Type = Calc::MetricType;

// The measured triangle is U2 = (b2, t3, t2): strip points 2, 9 and 8.
MStlTriangle* Measured(Strip const& s) { return s.U(2); }
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min(), kMax = std::numeric_limits<std::int32_t>::max();
double const kNaN = std::numeric_limits<double>::quiet_NaN();

// The strip with points 2, 9 and 8 at the given integer positions.
std::vector<vz_test::Vertex> Moved(vz_test::Vertex b2, vz_test::Vertex t3, vz_test::Vertex t2)
{
    auto v = StripVertices();
    v[2] = b2, v[9] = t3, v[8] = t2;
    return v;
}
} // namespace

TEST(TrialPositions, GrowthAtTrialPositionsEqualsTheMovedMeshAndRestoresExactly)
{
    struct Case
    {
        Point trial[3];
        std::vector<vz_test::Vertex> moved;
    };
    // Truncated toward zero (119.999, -5.7, 0.4) is (119, -5, 0), not (119, -6, 0); beyond the
    // 32-bit range coordinates saturate.
    Case const cases[] = {{{Point(119.999, -5.7, 0.4), Point(220, 100, 0), Point(120, 100, 0)},
                           Moved({119, -5, 0}, {220, 100, 0}, {120, 100, 0})},
                          {{Point(150.9, 30.2, -7.9), Point(-1e12, 250.5, 3e12), Point(90.1, 140.7, 12.0)},
                           Moved({150, 30, -7}, {kMin, 250, kMax}, {90, 140, 12})}};
    for (Case const& c : cases)
    {
        Strip s, moved(c.moved);
        auto const before = TakeSnapshot(s.mesh);
        for (int m = 27; m <= 32; ++m)
        {
            EXPECT_EQ(Calc::GetTriangleShapeQuality(Measured(s), c.trial, Type(m)),
                      Calc::GetTriangleShapeQuality(Measured(moved), Type(m)))
                << "metric " << m;
            EXPECT_EQ(TakeSnapshot(s.mesh), before) << "metric " << m;
        }
    }
    // The neighbours change with the shared vertex: L1 loses area, so factor 27 drops.
    Strip s;
    EXPECT_LT(Calc::GetTriangleShapeQuality(Measured(s), cases[0].trial, Calc::GrowthFactor),
              Calc::GetTriangleShapeQuality(Measured(s), Calc::GrowthFactor));
    // A null array moves nothing; other metrics give 0.
    for (int m = 27; m <= 32; ++m)
        EXPECT_EQ(Calc::GetTriangleShapeQuality(Measured(s), nullptr, Type(m)),
                  Calc::GetTriangleShapeQuality(Measured(s), Type(m)));
    for (int m : {0, 1, 5, 17, 24, 26, 33, 36})
        EXPECT_EQ(Calc::GetTriangleShapeQuality(Measured(s), cases[0].trial, Type(m)), 0.0);
}

TEST(TrialPositions, CombinedRatioIsTheSmallerOfGrowthAndShapeOnTheExactTrialPositions)
{
    Strip s, moved(Moved({119, -5, 0}, {220, 100, 0}, {120, 100, 0}));
    auto const before = TakeSnapshot(s.mesh);
    Point const trial[3] = {Point(119.999, -5.7, 0.4), Point(220, 100, 0), Point(120.5, 100.5, 0)};
    Point const truncated[3] = {Point(119, -5, 0), Point(220, 100, 0), Point(120, 100, 0)};
    ASSERT_NE(Calc::GetTriangleShapeQuality(trial, Calc::RadiusRatio),
              Calc::GetTriangleShapeQuality(truncated, Calc::RadiusRatio));
    for (int g = 27; g <= 32; ++g)
    {
        double const growth = Calc::GetTriangleShapeQuality(Measured(moved), Type(g));
        for (int shape = 0; shape <= 37; ++shape)
        {
            // Shapes that cannot be remeshed automatically count as 1.
            double const expected = Calc::GetIsAutoRemeshPossible(Type(shape))
                                        ? std::min(growth, Calc::GetTriangleShapeQuality(trial, Type(shape)))
                                        : growth;
            EXPECT_EQ(Calc::GetTriangleShapeQuality(Measured(s), trial, Type(shape), Type(g)), expected)
                << shape << " " << g;
        }
    }
    EXPECT_EQ(TakeSnapshot(s.mesh), before);
    // Without trial positions the current vertices give both.
    double const growth = Calc::GetTriangleShapeQuality(Measured(s), Calc::GrowthFactor2Rings);
    double const shape = Calc::GetTriangleShapeQuality(Measured(s), Calc::MinAngleRatio);
    EXPECT_EQ(Calc::GetTriangleShapeQuality(Measured(s), nullptr, Calc::MinAngleRatio, Calc::GrowthFactor2Rings),
              std::min(growth, shape));
    EXPECT_EQ(Calc::GetTriangleShapeQuality(Measured(s), nullptr, Calc::ApexDistance, Calc::GrowthFactor2Rings),
              growth);
}

TEST(TrialPositions, UnusableInputIsIgnoredOrRefusedAndLeavesTheMeshAlone)
{
    Strip s;
    auto const before = TakeSnapshot(s.mesh);
    // Without a growth metric nothing is moved, so not-a-number positions are never looked at.
    Point const unusable[3] = {Point(kNaN, 0, 0), Point(0, kNaN, 0), Point(0, 0, kNaN)};
    for (int g : {0, 1, 24, 26, 33})
        EXPECT_EQ(Calc::GetTriangleShapeQuality(Measured(s), unusable, Calc::RadiusRatio, Type(g)), 0.0);
    Point const oneNaN[3] = {Point(1, 2, 3), Point(4, 5, 6), Point(7, kNaN, 9)};
    EXPECT_THROW(Calc::GetTriangleShapeQuality(Measured(s), oneNaN, Calc::GrowthFactor), std::invalid_argument);
    EXPECT_THROW(Calc::GetTriangleShapeQuality(Measured(s), oneNaN, Calc::RadiusRatio, Calc::GrowthFactor),
                 std::invalid_argument);
    EXPECT_THROW(Calc::GetTriangleShapeQuality(nullptr, oneNaN, Calc::GrowthFactor), std::invalid_argument);
    Point const firstNaN[3] = {Point(kNaN, 2, 3), Point(4, 5, 6), Point(7, 8, 9)};
    EXPECT_THROW(Calc::GetTriangleShapeQuality(Measured(s), firstNaN, Calc::GrowthFactor), std::invalid_argument);
    // A missing triangle is refused before any position is looked at.
    EXPECT_THROW(Calc::GetTriangleShapeQuality(nullptr, nullptr, Calc::RadiusRatio, Calc::GrowthFactor),
                 std::invalid_argument);
    EXPECT_EQ(TakeSnapshot(s.mesh), before);
}
