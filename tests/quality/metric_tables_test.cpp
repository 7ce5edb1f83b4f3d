#include <gtest/gtest.h>

#include <set>

#include "quality/MTriangleQualityCalculator.h"

namespace
{
using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
using Set = std::set<int>;
} // namespace

// Every table is checked by metric number over -2..40, so the numbering is checked with it.
TEST(MetricTables, CategoriesAndFlagsByNumber)
{
    Set const shape{1, 3, 4, 6, 7, 8, 9, 13, 14, 15, 20, 33, 34, 35, 36};
    Set const measure{10, 11, 12, 16, 17, 19, 21, 22, 23, 24, 26};
    Set const growth{27, 28, 29, 30, 31, 32};
    Set const remesh{1, 2, 3, 4, 6, 7, 8, 9, 13, 14, 15, 20, 33, 34, 35};
    Set const internalUnits{11, 12, 16};
    for (int m = -2; m <= 40; ++m)
    {
        auto const category = shape.count(m)     ? Calc::CategoryShape
                              : measure.count(m) ? Calc::CategoryMeasure
                              : growth.count(m)  ? Calc::CategoryGrowth
                                                 : Calc::CategoryNone;
        EXPECT_EQ(Calc::GetMetricCategory(Calc::MetricType(m)), category) << "metric " << m;
        EXPECT_EQ(Calc::GetIsAutoRemeshPossible(Calc::MetricType(m)), remesh.count(m) == 1) << "metric " << m;
        EXPECT_EQ(Calc::GetIsInInternalUnits(Calc::MetricType(m)), internalUnits.count(m) == 1) << "metric " << m;
    }
}

TEST(MetricTables, RangesByNumber)
{
    Set const unit{1, 2, 3, 6, 7, 8, 13, 14, 15, 17, 19, 20, 21, 22, 23, 24, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35};
    Set const noFixedRange{5, 11, 12, 16, 36};
    for (int m = -2; m <= 40; ++m)
    {
        double lo = -7, hi = -7;
        bool const has = Calc::GetMetricRange(lo, hi, Calc::MetricType(m));
        if (m == 4 || m == 9 || m == 10)
        {
            EXPECT_TRUE(has) << m;
        }
        else if (unit.count(m) || noFixedRange.count(m))
        {
            EXPECT_EQ(has, unit.count(m) == 1) << m;
            EXPECT_EQ(lo, 0.0) << m;
            EXPECT_EQ(hi, 1.0) << m;
        }
        else
        { // 18, 25 and everything outside 1..36 leave the outputs untouched
            EXPECT_FALSE(has) << m;
            EXPECT_EQ(lo, -7.0) << m;
            EXPECT_EQ(hi, -7.0) << m;
        }
    }
    struct Fixed
    {
        Calc::MetricType metric;
        double lo, hi;
    };
    for (Fixed const f : {Fixed{Calc::HeightToMaxEdge, 0.0, 0.8660254037844386}, Fixed{Calc::MinAngle, 0.0, 60.0},
                          Fixed{Calc::MaxAngle, 60.0, 180.0}})
    {
        double lo = 0, hi = 0;
        Calc::GetMetricRange(lo, hi, f.metric);
        EXPECT_EQ(lo, f.lo) << f.metric;
        EXPECT_EQ(hi, f.hi) << f.metric;
    }
}
