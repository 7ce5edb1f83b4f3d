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

// Only the numbers 1..36 have a range, and 18 and 25 are unused; the fixed ranges that are not 0..1
// have closed forms (the equilateral triangle's height over its side, the angles of a triangle).
TEST(MetricTables, RangesByNumber)
{
    struct Fixed
    {
        int metric;
        double lo, hi;
    };
    for (Fixed const f : {Fixed{Calc::HeightToMaxEdge, 0.0, 0.8660254037844386}, Fixed{Calc::MinAngle, 0.0, 60.0},
                          Fixed{Calc::MaxAngle, 60.0, 180.0}, Fixed{Calc::MetricType(1), 0.0, 1.0}})
    {
        double lo = 0, hi = 0;
        EXPECT_TRUE(Calc::GetMetricRange(lo, hi, Calc::MetricType(f.metric)));
        EXPECT_EQ(lo, f.lo) << f.metric;
        EXPECT_EQ(hi, f.hi) << f.metric;
    }
    // Metrics without a fixed range still write 0..1; unused numbers leave the outputs alone.
    for (int m : {-2, 0, 5, 11, 12, 16, 18, 25, 36, 37, 40})
    {
        bool const open = m == 5 || m == 11 || m == 12 || m == 16 || m == 36;
        double lo = -7, hi = -7;
        EXPECT_FALSE(Calc::GetMetricRange(lo, hi, Calc::MetricType(m))) << m;
        EXPECT_EQ(lo, open ? 0.0 : -7.0) << m;
        EXPECT_EQ(hi, open ? 1.0 : -7.0) << m;
    }
}
