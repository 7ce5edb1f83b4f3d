// The math core: affine transforms against the same maps applied by hand (points, directions,
// composition, inverses, closed forms, singular matrices left alone); box-triangle overlap against
// sampling and on touching cases; segment-cone intersection on worked cases.
#include <gtest/gtest.h>

#include "interfaces/MathCore.h"
#include "support/random_scene.h"
#include <algorithm>
#include <cmath>
#include <limits>
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

double Distance(MMPoint3d<double> const& a, MMPoint3d<double> const& b) { return (a - b).Length(); }

struct RandomAffine
{
    double linear[3][3];
    MMPoint3d<double> translation;
    MMTransformMatrix matrix;
};

// A random affine map whose linear part is well away from singular (diagonal dominance).
RandomAffine MakeRandomAffine(std::mt19937& rng)
{
    std::uniform_real_distribution<double> u(-1.0, 1.0), scale(0.2, 50.0), shift(-1e5, 1e5);
    RandomAffine r{};
    double const s = scale(rng);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.linear[i][j] = s * (u(rng) + (i == j ? 4.0 * (u(rng) < 0 ? -1 : 1) : 0.0));
    r.translation = {shift(rng), shift(rng), shift(rng)};
    r.matrix = MMTransformMatrix(r.linear, r.translation);
    return r;
}

// Applied by hand, independently of the class.
MMPoint3d<double> Apply(RandomAffine const& a, MMPoint3d<double> const& p)
{
    MMPoint3d<double> out = a.translation;
    for (int i = 0; i < 3; ++i) out[i] += a.linear[i][0] * p.x + a.linear[i][1] * p.y + a.linear[i][2] * p.z;
    return out;
}

// Entry by entry, NaN matching NaN.
void ExpectSameEntries(MMTransformMatrix const& a, MMTransformMatrix const& b)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_TRUE(a.Get(r, c) == b.Get(r, c) || (std::isnan(a.Get(r, c)) && std::isnan(b.Get(r, c))))
                << r << "," << c;
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
    // In the plane of a frustum's top face (radius 1 there), and a segment shrunk to one point inside.
    points.clear();
    EXPECT_TRUE(Intersections::LineSegment_Cone_Intersection(points, 0, 10, {-5, 0, 10}, {1, 0, 0}, base, apex, 5, 1));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_NEAR(points[0].x, -1, 1e-6);
    EXPECT_NEAR(points[1].x, 1, 1e-6);
    points.clear();
    EXPECT_TRUE(Intersections::LineSegment_Cone_Intersection(points, 2, 2, {0, 0, 3}, {0, 0, -1}, base, apex, 5, 0));
    EXPECT_EQ(points, std::vector<P>(2, P(0, 0, 1)));
    // An empty parameter range, and a cone without height.
    EXPECT_FALSE(Intersections::LineSegment_Cone_Intersection(points, 3, 2, {-5, 0, 5}, {1, 0, 0}, base, apex, 5, 0));
    EXPECT_FALSE(Intersections::LineSegment_Cone_Intersection(points, 0, 10, {-5, 0, 0}, {1, 0, 0}, base, base, 5, 0));
}

TEST(Transforms, PointsDirectionsCompositionAndInversesAgreeWithTheMapsAppliedByHand)
{
    std::mt19937 rng(3);
    for (int trial = 0; trial < 200; ++trial)
    {
        RandomAffine const a = MakeRandomAffine(rng), b = MakeRandomAffine(rng);
        MMPoint3d<double> const p = RandomPoint(rng, -1e3, 1e3), d = RandomPoint(rng, -10, 10);
        EXPECT_LE(Distance(a.matrix.Transform(p, false), Apply(a, p)), 1e-9 * (1 + Apply(a, p).Length()));
        // A direction moves without the translation: the difference of two mapped points.
        MMPoint3d<double> const dd = Apply(a, p + d) - Apply(a, p);
        EXPECT_LE(Distance(a.matrix.Transform(d, true), dd), 1e-6 * (1 + dd.Length()));
        // PostMultiply applies its argument first.
        MMTransformMatrix ab = a.matrix;
        ab.PostMultiply(b.matrix);
        MMPoint3d<double> const expected = Apply(a, Apply(b, p));
        EXPECT_LE(Distance(ab.Transform(p, false), expected), 1e-9 * (1 + expected.Length()));
        // (A B)^-1 = B^-1 A^-1, and A^-1 undoes A
        MMTransformMatrix inverseAb = ab, inverseA = a.matrix, inverseB = b.matrix;
        ASSERT_TRUE(inverseAb.Invert() && inverseA.Invert() && inverseB.Invert());
        MMPoint3d<double> const q = RandomPoint(rng, -1e3, 1e3);
        MMPoint3d<double> const viaParts = inverseB.Transform(inverseA.Transform(q, false), false);
        EXPECT_LE(Distance(inverseAb.Transform(q, false), viaParts), 1e-7 * (1 + viaParts.Length()));
        EXPECT_LE(Distance(inverseA.Transform(Apply(a, q), false), q), 1e-7 * (1 + q.Length()));
        MMTransformMatrix both = a.matrix;
        both.PostMultiply(inverseA);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(both.Get(r, c), r == c ? 1.0 : 0.0, 1e-12);
        EXPECT_LE(both.Transform({0, 0, 0}, false).Length(), 1e-7);
        EXPECT_EQ(MMTransformMatrix().Transform(p, false), p);
    }
    EXPECT_TRUE(MMTransformMatrix().IsIdentity());
    MMTransformMatrix const shift = MMTransformMatrix::Translation({1, -2, 3});
    EXPECT_EQ(shift.Transform({1, 1, 1}, false), MMPoint3d<double>(2, -1, 4));
    EXPECT_EQ(shift.Transform({1, 1, 1}, true), MMPoint3d<double>(1, 1, 1));
    MMTransformMatrix const quarter = MMTransformMatrix::Rotation({0, 0, 2}, M_PI / 2);
    EXPECT_LE(Distance(quarter.Transform({1, 0, 0}, false), {0, 1, 0}), 1e-15); // right-handed
    EXPECT_TRUE(MMTransformMatrix::Rotation({0, 0, 0}, 1.0).IsIdentity());
    EXPECT_EQ(MMTransformMatrix::Scaling(2).Transform({1, -2, 3}, false), MMPoint3d<double>(2, -4, 6));
    // Uniformly tiny but regular maps invert too.
    double const tiny[3][3] = {{1e-6, 0, 0}, {0, 2e-6, 0}, {0, 0, 1e-6}};
    MMTransformMatrix small(tiny, {1, 1, 1});
    ASSERT_TRUE(small.Invert());
    EXPECT_LE(Distance(small.Transform({1 + 1e-6, 1 + 2e-6, 1 + 3e-6}, false), {1, 1, 3}), 1e-6);
}

TEST(Transforms, SingularMatricesAreNotInvertedAndStayUnchanged)
{
    double const rankTwo[3][3] = {{1, 2, 3}, {2, 4, 6}, {0, 1, 5}};
    double const rankOne[3][3] = {{1, 2, 3}, {2, 4, 6}, {-1, -2, -3}};
    double const zero[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    double const nearly[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1e-17}};
    double const tinyBelowFirstRow[3][3] = {{1, 0, 0}, {0, 1e-9, 0}, {0, 0, 1e-26}}; // condition 1e26
    double const withNaN[3][3] = {{1, 0, 0}, {0, std::numeric_limits<double>::quiet_NaN(), 0}, {0, 0, 1}};
    double const withInf[3][3] = {{1, 0, 0}, {0, std::numeric_limits<double>::infinity(), 0}, {0, 0, 1}};
    for (auto const* linear : {rankTwo, rankOne, zero, nearly, tinyBelowFirstRow, withNaN, withInf})
    {
        MMTransformMatrix m(linear, {7, 8, 9});
        MMTransformMatrix const before = m;
        EXPECT_FALSE(m.Invert());
        ExpectSameEntries(m, before);
    }
}
