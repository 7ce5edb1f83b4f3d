#include <gtest/gtest.h>

#include <set>

#include "quality/MTriangleQualityCalculator.h"

namespace
{
using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;

std::set<int> Members(std::initializer_list<int> values) { return std::set<int>(values); }
} // namespace

TEST(MetricTables, EnumeratorsHaveTheirNumbers)
{
    EXPECT_EQ(int(Calc::RadiusRatio), 1);
    EXPECT_EQ(int(Calc::MaxEdge), 16);
    EXPECT_EQ(int(Calc::InradiusRatio), 20);
    EXPECT_EQ(int(Calc::CurvatureRatio), 24);
    EXPECT_EQ(int(Calc::Marked), 26);
    EXPECT_EQ(int(Calc::GrowthFactor), 27);
    EXPECT_EQ(int(Calc::GrowthFactorMaxEdge3Rings), 32);
    EXPECT_EQ(int(Calc::AspectRatio), 36);
    EXPECT_EQ(sizeof(Calc::MetricType), 4u);
    EXPECT_EQ(sizeof(Calc::MetricCategory), 4u);
    EXPECT_EQ(int(Calc::CategoryNone), 3);
}

TEST(MetricTables, Categories)
{
    auto const shape = Members({1, 3, 4, 6, 7, 8, 9, 13, 14, 15, 20, 33, 34, 35, 36});
    auto const measure = Members({10, 11, 12, 16, 17, 19, 21, 22, 23, 24, 26});
    auto const growth = Members({27, 28, 29, 30, 31, 32});
    for (int m = -2; m <= 40; ++m)
    {
        auto const expected = shape.count(m)     ? Calc::CategoryShape
                              : measure.count(m) ? Calc::CategoryMeasure
                              : growth.count(m)  ? Calc::CategoryGrowth
                                                 : Calc::CategoryNone;
        EXPECT_EQ(Calc::GetMetricCategory(Calc::MetricType(m)), expected) << "metric " << m;
    }
}

TEST(MetricTables, Ranges)
{
    auto const unit = Members({1, 2, 3, 6, 7, 8, 13, 14, 15, 17, 19, 20, 21, 22, 23, 24, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35});
    auto const noFixedRange = Members({5, 11, 12, 16, 36});
    for (int m = -2; m <= 40; ++m)
    {
        double lo = -7, hi = -7;
        bool const has = Calc::GetMetricRange(lo, hi, Calc::MetricType(m));
        if (unit.count(m))
        {
            EXPECT_TRUE(has) << m;
            EXPECT_EQ(lo, 0.0) << m;
            EXPECT_EQ(hi, 1.0) << m;
        }
        else if (noFixedRange.count(m))
        {
            EXPECT_FALSE(has) << m;
            EXPECT_EQ(lo, 0.0) << m;
            EXPECT_EQ(hi, 1.0) << m;
        }
        else if (m == 4 || m == 9 || m == 10)
        {
            EXPECT_TRUE(has) << m;
        }
        else
        {
            // 18, 25 and everything outside 1..36 leave the outputs untouched.
            EXPECT_FALSE(has) << m;
            EXPECT_EQ(lo, -7.0) << m;
            EXPECT_EQ(hi, -7.0) << m;
        }
    }
    double lo = 0, hi = 0;
    Calc::GetMetricRange(lo, hi, Calc::HeightToMaxEdge);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 0.8660254037844386);
    Calc::GetMetricRange(lo, hi, Calc::MinAngle);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 60.0);
    Calc::GetMetricRange(lo, hi, Calc::MaxAngle);
    EXPECT_EQ(lo, 60.0);
    EXPECT_EQ(hi, 180.0);
}

TEST(MetricTables, Flags)
{
    auto const remesh = Members({1, 2, 3, 4, 6, 7, 8, 9, 13, 14, 15, 20, 33, 34, 35});
    auto const internalUnits = Members({11, 12, 16});
    for (int m = -2; m <= 40; ++m)
    {
        EXPECT_EQ(Calc::GetIsAutoRemeshPossible(Calc::MetricType(m)), remesh.count(m) == 1) << m;
        EXPECT_EQ(Calc::GetIsInInternalUnits(Calc::MetricType(m)), internalUnits.count(m) == 1) << m;
    }
}

TEST(MetricTables, CopyAssignmentIsHarmless)
{
    Calc a, b;
    Calc& r = (a = b);
    EXPECT_EQ(&r, &a);
    EXPECT_TRUE(std::is_empty<Calc>::value);
}
