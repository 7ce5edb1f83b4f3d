// The math core's geometric routines: box-triangle overlap against sampling and on touching cases,
// and segment-cone intersection on worked cases.
#include <gtest/gtest.h>

#include "interfaces/MathCore.h"
#include "support/random_scene.h"
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace
{
using P = MMPoint3d<double>;
using vz_test::RandomPoint;

// Every point of the triangle lies within LongestEdge / n of one of these samples.
std::vector<P> TriangleSamples(P const& a, P const& b, P const& c, int n)
{
    std::vector<P> out;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; i + j <= n; ++j) out.push_back(a + (b - a) * (double(i) / n) + (c - a) * (double(j) / n));
    return out;
}

double LongestEdge(P const& a, P const& b, P const& c)
{
    return std::max({(b - a).Length(), (c - b).Length(), (a - c).Length()});
}

bool InGrownBox(M3DBoundingBox<double> const& box, P const& p, double grow)
{
    for (int k = 0; k < 3; ++k)
        if (p[k] < box.GetMin(k) - grow || p[k] > box.GetMax(k) + grow) return false;
    return true;
}
} // namespace

TEST(BoxTriangleOverlap, AgreesWithDenseSamplingOfTheTriangle)
{
    std::mt19937 rng(10);
    int const n = 60;
    int hits = 0, misses = 0;
    for (int trial = 0; trial < 1500; ++trial)
    {
        P const lo = RandomPoint(rng, -5, 5);
        P extent = RandomPoint(rng, 0.5, 5);
        if (trial % 10 == 0) extent.z = 0; // a flat box
        M3DBoundingBox<double> const box(lo, lo + extent);
        double const spread = trial % 2 ? 4.0 : 12.0;
        P const a = RandomPoint(rng, -spread, spread), b = RandomPoint(rng, -spread, spread),
                c = RandomPoint(rng, -spread, spread);
        std::vector<P> const samples = TriangleSamples(a, b, c, n);
        double const margin = LongestEdge(a, b, c) / n + 1e-9;
        bool const sampleInside =
            std::any_of(samples.begin(), samples.end(), [&](P const& s) { return InGrownBox(box, s, 0); });
        bool const sampleNear =
            std::any_of(samples.begin(), samples.end(), [&](P const& s) { return InGrownBox(box, s, margin); });
        bool const overlaps = box.DoesIntersectTriangle(a, b, c);
        if (sampleInside)
        {
            EXPECT_TRUE(overlaps) << "trial " << trial;
            ++hits;
        }
        else if (!sampleNear)
        {
            EXPECT_FALSE(overlaps) << "trial " << trial;
            ++misses;
        }
    }
    EXPECT_GT(hits, 150);
    EXPECT_GT(misses, 150);
}

TEST(BoxTriangleOverlap, TouchingCountsAndEmptyBoxesMeetNothing)
{
    M3DBoundingBox<double> const box(0, 0, 0, 2, 2, 2);
    // A corner of the triangle on the box's corner, the rest outside.
    EXPECT_TRUE(box.DoesIntersectTriangle({2, 2, 2}, {5, 2, 2}, {2, 5, 3}));
    // Lying in the plane of a face.
    EXPECT_TRUE(box.DoesIntersectTriangle({-1, -1, 2}, {5, -1, 2}, {-1, 5, 2}));
    EXPECT_FALSE(box.DoesIntersectTriangle({-1, -1, 2.001}, {5, -1, 2.001}, {-1, 5, 2.001}));
    // A large triangle cutting through the box with every corner outside it.
    EXPECT_TRUE(box.DoesIntersectTriangle({-100, -100, 1}, {100, -100, 1}, {0, 100, 1}));
    // An edge passing just past a box edge diagonally.
    EXPECT_FALSE(box.DoesIntersectTriangle({2, 4, 0}, {4, 2, 0}, {4, 4, 2}));
    EXPECT_TRUE(box.DoesIntersectTriangle({1, 3, 1}, {3, 1, 1}, {3, 3, 1}));
    EXPECT_FALSE(M3DBoundingBox<double>().DoesIntersectTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
}

// The cone checker's segment test, which is how the library uses this routine, is checked against dense
// sampling in the tree tests; here, the exact points on hand-worked segments.
TEST(SegmentConeIntersection, AxisParallelAndCrossingSegments)
{
    std::vector<P> points;
    P const base(0, 0, 0), apex(0, 0, 10);
    // Down the axis from above: meets the cone from its apex to its base.
    EXPECT_TRUE(Intersections::LineSegment_Cone_Intersection(points, 0, 20, {0, 0, 15}, {0, 0, -1}, base, apex, 5, 0));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_NEAR(points[0].z, 10, 1e-6);
    EXPECT_NEAR(points[1].z, 0, 1e-6);
    // Parallel to the axis just outside the base radius.
    points.clear();
    EXPECT_FALSE(
        Intersections::LineSegment_Cone_Intersection(points, 0, 20, {5.001, 0, 15}, {0, 0, -1}, base, apex, 5, 0));
    // Across the cone at half height (radius 2.5 there), perpendicular to the axis.
    EXPECT_TRUE(Intersections::LineSegment_Cone_Intersection(points, 0, 10, {-5, 0, 5}, {1, 0, 0}, base, apex, 5, 0));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_NEAR(points[0].x, -2.5, 1e-6);
    EXPECT_NEAR(points[1].x, 2.5, 1e-6);
    EXPECT_FALSE(Intersections::LineSegment_Cone_Intersection(points, 0, 2.4, {-5, 0, 5}, {1, 0, 0}, base, apex, 5, 0));
    // Outside the slab of the cone's height.
    EXPECT_FALSE(
        Intersections::LineSegment_Cone_Intersection(points, 0, 10, {-5, 0, 10.5}, {1, 0, 0}, base, apex, 5, 0));
    // An empty parameter range, and a cone without height.
    EXPECT_FALSE(Intersections::LineSegment_Cone_Intersection(points, 3, 2, {-5, 0, 5}, {1, 0, 0}, base, apex, 5, 0));
    EXPECT_FALSE(Intersections::LineSegment_Cone_Intersection(points, 0, 10, {-5, 0, 0}, {1, 0, 0}, base, base, 5, 0));
}
