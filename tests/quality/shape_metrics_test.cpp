#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <cmath>
#include <random>
#include <vector>

#include "quality/MTriangleQualityCalculator.h"

namespace
{

using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
using Point = MMPoint3d<double>;
constexpr double kPi = 3.141592653589793;
constexpr double kSqrt3 = 1.7320508075688772;

double Q(Point const (&p)[3], int metric)
{
    return Calc::GetTriangleShapeQuality(p, Calc::MetricType(metric));
}

// Reference quantities computed independently of the library's formulas: angles through atan2 of
// the cross and dot products, the area both by Heron and by the cross product.
struct Reference
{
    double edge[3];  // a = |P1-P0|, b = |P2-P0|, c = |P1-P2|
    double angle[3]; // radians, at P0, P1, P2
    double heronArea, crossArea;

    explicit Reference(Point const (&p)[3])
    {
        edge[0] = std::hypot(p[1].x - p[0].x, p[1].y - p[0].y, p[1].z - p[0].z);
        edge[1] = std::hypot(p[2].x - p[0].x, p[2].y - p[0].y, p[2].z - p[0].z);
        edge[2] = std::hypot(p[1].x - p[2].x, p[1].y - p[2].y, p[1].z - p[2].z);
        for (int k = 0; k < 3; ++k)
        {
            Point const u = p[(k + 1) % 3] - p[k], v = p[(k + 2) % 3] - p[k];
            angle[k] = std::atan2(u.Cross(v).Length(), u.Dot(v));
        }
        double const a = edge[0], b = edge[1], c = edge[2];
        // Heron in the numerically stable ordering (a >= b >= c).
        double s[3] = {a, b, c};
        std::sort(s, s + 3, std::greater<double>());
        heronArea = 0.25 * std::sqrt((s[0] + (s[1] + s[2])) * (s[2] - (s[0] - s[1])) * (s[2] + (s[0] - s[1])) *
                                     (s[0] + (s[1] - s[2])));
        crossArea = 0.5 * (p[1] - p[0]).Cross(p[2] - p[0]).Length();
    }
    double Shortest() const { return std::min({edge[0], edge[1], edge[2]}); }
    double Longest() const { return std::max({edge[0], edge[1], edge[2]}); }
    double SmallestAngle() const { return std::min({angle[0], angle[1], angle[2]}); }
    double LargestAngle() const { return std::max({angle[0], angle[1], angle[2]}); }
    double Perimeter() const { return edge[0] + edge[1] + edge[2]; }
    double Inradius() const { return 2.0 * heronArea / Perimeter(); }
    double Circumradius() const { return edge[0] * edge[1] * edge[2] / (4.0 * heronArea); }
};

// Distance from P2 to the nearest point of the circle of apexes of equilateral triangles over P0P1,
// by constructing that nearest point.
double ReferenceApexDistance(Point const (&p)[3])
{
    Point const m = (p[0] + p[1]) * 0.5;
    Point const axis = (p[1] - p[0]) / (p[1] - p[0]).Length();
    double const radius = (p[1] - p[0]).Length() * std::sqrt(3.0) / 2.0;
    Point const rel = p[2] - m;
    Point const radial = rel - axis * rel.Dot(axis);
    Point const nearest = m + radial * (radius / radial.Length());
    return (p[2] - nearest).Length();
}

// For each edge, the cosine between the in-plane direction away from the opposite corner and the
// direction from the centroid to the edge's midpoint; the least of three.
double ReferenceCentroidDeviation(Point const (&p)[3])
{
    Point const g = (p[0] + p[1] + p[2]) / 3.0;
    double least = 2.0;
    for (int k = 0; k < 3; ++k)
    {
        Point const a = p[k], b = p[(k + 1) % 3], opposite = p[(k + 2) % 3];
        Point const mid = (a + b) * 0.5;
        Point const d = (b - a) / (b - a).Length();
        Point const away = (mid - opposite) - d * (mid - opposite).Dot(d);
        Point const w = mid - g;
        least = std::min(least, away.Dot(w) / (away.Length() * w.Length()));
    }
    return least;
}

std::vector<std::array<Point, 3>> RandomTriangles(int count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coordinate(-5000.0, 5000.0);
    std::vector<std::array<Point, 3>> out;
    while (int(out.size()) < count)
    {
        std::array<Point, 3> t;
        for (auto& q : t) q = Point(std::round(coordinate(rng)), std::round(coordinate(rng)), std::round(coordinate(rng)));
        Reference const r(reinterpret_cast<Point const(&)[3]>(t));
        // Well away from degeneracy, so that both the library's and the reference formulas are accurate.
        if (r.SmallestAngle() > 0.02 && r.Shortest() > 10.0) out.push_back(t);
    }
    return out;
}

} // namespace

TEST(ShapeMetrics, EquilateralTriangleScoresTheIdealEverywhere)
{
    double const L = 1000.0;
    // Tilted out of the coordinate planes so that no formula profits from zero components.
    Point const e0(3, 5, 7), u(0.6, 0.8, 0.0), v(-0.48, 0.36, 0.8);
    Point const p[3] = {e0, e0 + u * L, e0 + u * (L / 2) + v * (L * kSqrt3 / 2)};
    for (int m : {1, 2, 3, 6, 7, 8, 13, 14, 15, 20, 33, 35, 36}) EXPECT_NEAR(Q(p, m), 1.0, 1e-9) << "metric " << m;
    EXPECT_NEAR(Q(p, 34), 6.92820323 / (4 * kSqrt3), 1e-12);
    EXPECT_LT(Q(p, 34), 1.0);
    EXPECT_NEAR(Q(p, 4), kSqrt3 / 2, 1e-9);
    EXPECT_NEAR(Q(p, 9), 60.0, 1e-6);
    EXPECT_NEAR(Q(p, 10), 60.0, 1e-6);
    EXPECT_NEAR(Q(p, 5), 0.0, 1e-6);
    EXPECT_NEAR(Q(p, 11), L * kSqrt3 / 2, 1e-6);
    EXPECT_NEAR(Q(p, 12), L, 1e-9);
    EXPECT_NEAR(Q(p, 16), L, 1e-9);
}

TEST(ShapeMetrics, RightIsoscelesTriangleClosedForms)
{
    // Legs 300, hypotenuse 300*sqrt(2); angles 45, 45, 90.
    Point const p[3] = {Point(0, 0, 0), Point(300, 0, 0), Point(0, 300, 0)};
    double const h = 300 * std::sqrt(2.0), area = 45000.0;
    EXPECT_NEAR(Q(p, 2), 300 / h, 1e-12);
    EXPECT_NEAR(Q(p, 3), 4 * area / (kSqrt3 * h * h), 1e-12);
    EXPECT_NEAR(Q(p, 4), 2 * area / (h * h), 1e-12);
    EXPECT_NEAR(Q(p, 7), 0.75, 1e-12);
    EXPECT_NEAR(Q(p, 8), 0.75, 1e-12);
    EXPECT_NEAR(Q(p, 9), 45.0, 1e-9);
    EXPECT_NEAR(Q(p, 10), 90.0, 1e-9);
    EXPECT_NEAR(Q(p, 11), 2 * area / h, 1e-9);
    EXPECT_NEAR(Q(p, 13), 0.5, 1e-12);
    // Skew: max((90-60)/120, (60-45)/60) = 0.25.
    EXPECT_NEAR(Q(p, 15), 0.75, 1e-12);
    EXPECT_NEAR(Q(p, 36), std::sqrt(2.0), 1e-12);
    // Circumradius is half the hypotenuse.
    EXPECT_NEAR(Q(p, 33), area * kSqrt3 / std::pow(1.5 * h / 2, 2), 1e-12);
}

TEST(ShapeMetrics, AgreeWithIndependentReferenceOnRandomTriangles)
{
    for (auto const& t : RandomTriangles(400, 7))
    {
        Point const(&p)[3] = reinterpret_cast<Point const(&)[3]>(t);
        Reference const r(p);
        double const A = r.heronArea, Lmax = r.Longest(), Lmin = r.Shortest();
        ASSERT_NEAR(r.heronArea, r.crossArea, 1e-6 * r.crossArea);
        double const deg = 180.0 / kPi;
        double const tol = 1e-7;
        EXPECT_NEAR(Q(p, 1), 2 * r.Inradius() / r.Circumradius(), tol);
        EXPECT_NEAR(Q(p, 2), Lmin / Lmax, tol);
        EXPECT_NEAR(Q(p, 3), 4 * A / (kSqrt3 * Lmax * Lmax), tol);
        EXPECT_NEAR(Q(p, 4), 2 * A / (Lmax * Lmax), tol);
        EXPECT_NEAR(Q(p, 5), ReferenceApexDistance(p), 1e-6 * Lmax);
        EXPECT_NEAR(Q(p, 6), A / (3 * kSqrt3 * std::pow(r.Circumradius(), 2) / 4), tol);
        EXPECT_NEAR(Q(p, 7), r.SmallestAngle() / (kPi / 3), tol);
        EXPECT_NEAR(Q(p, 8), (kPi - r.LargestAngle()) / (2 * kPi / 3), tol);
        EXPECT_NEAR(Q(p, 9), r.SmallestAngle() * deg, 1e-5);
        EXPECT_NEAR(Q(p, 10), r.LargestAngle() * deg, 1e-5);
        EXPECT_NEAR(Q(p, 11), 2 * A / Lmax, 1e-6 * Lmax);
        EXPECT_NEAR(Q(p, 12), Lmin, 1e-9 * Lmax);
        EXPECT_NEAR(Q(p, 13), r.SmallestAngle() / r.LargestAngle(), tol);
        EXPECT_NEAR(Q(p, 14), Lmin / Lmax, tol);
        double const skew = std::max((r.LargestAngle() - kPi / 3) / (2 * kPi / 3), (kPi / 3 - r.SmallestAngle()) / (kPi / 3));
        EXPECT_NEAR(Q(p, 15), 1 - skew, tol);
        EXPECT_NEAR(Q(p, 16), Lmax, 1e-9 * Lmax);
        EXPECT_NEAR(Q(p, 20), 2 * kSqrt3 * r.Inradius() / Lmax, tol);
        EXPECT_NEAR(Q(p, 33), r.crossArea * kSqrt3 / std::pow(1.5 * r.Circumradius(), 2), tol);
        double const squares = r.edge[0] * r.edge[0] + r.edge[1] * r.edge[1] + r.edge[2] * r.edge[2];
        EXPECT_NEAR(Q(p, 34), r.crossArea * 6.92820323 / squares, tol);
        EXPECT_NEAR(Q(p, 35), ReferenceCentroidDeviation(p), tol);
        EXPECT_NEAR(Q(p, 36), Lmax / Lmin, 1e-9 * Lmax / Lmin);
    }
}

TEST(ShapeMetrics, RangesHoldOnRandomTriangles)
{
    for (auto const& t : RandomTriangles(400, 11))
    {
        Point const(&p)[3] = reinterpret_cast<Point const(&)[3]>(t);
        for (int m = 1; m <= 36; ++m)
        {
            double lo = 0, hi = 0;
            if (!Calc::GetMetricRange(lo, hi, Calc::MetricType(m))) continue;
            double const q = Q(p, m);
            if (Calc::GetMetricCategory(Calc::MetricType(m)) == Calc::CategoryGrowth || m == 17 || m == 19 ||
                (m >= 21 && m <= 26))
            {
                EXPECT_EQ(q, 0.0) << "metric " << m << " needs a mesh";
                continue;
            }
            EXPECT_GE(q, lo) << "metric " << m;
            EXPECT_LE(q, hi) << "metric " << m;
        }
        EXPECT_GE(Q(p, 36), 1.0);
    }
}

TEST(ShapeMetrics, UnitEdgeGuard)
{
    // Edge P0P1 of length 0.5: the guarded metrics give 0, the unguarded ones do not.
    Point const shortEdge[3] = {Point(0, 0, 0), Point(0.5, 0, 0), Point(0.25, 0.4, 0)};
    for (int m : {1, 3, 4, 6, 11}) EXPECT_EQ(Q(shortEdge, m), 0.0) << "metric " << m;
    EXPECT_GT(Q(shortEdge, 7), 0.5);
    EXPECT_GT(Q(shortEdge, 2), 0.5);

    // An edge of exactly one unit is not guarded (the comparison is strict).
    Point const unitEdge[3] = {Point(0, 0, 0), Point(1, 0, 0), Point(0.5, 10, 0)};
    Reference const r(unitEdge);
    EXPECT_NEAR(Q(unitEdge, 1), 2 * r.Inradius() / r.Circumradius(), 1e-12);
    EXPECT_NEAR(Q(unitEdge, 3), 4 * r.crossArea / (kSqrt3 * r.Longest() * r.Longest()), 1e-12);
    EXPECT_GT(Q(unitEdge, 4), 0.0);
    EXPECT_GT(Q(unitEdge, 6), 0.0);
    EXPECT_NEAR(Q(unitEdge, 11), 2 * r.crossArea / r.Longest(), 1e-12);
}

TEST(ShapeMetrics, AngleGuard)
{
    double const tiny = 1.4901161193847656e-8;
    Point const below[3] = {Point(0, 0, 0), Point(tiny / 2, 0, 0), Point(0, tiny / 2, 0)};
    for (int m : {8, 10, 13, 15}) EXPECT_EQ(Q(below, m), 0.0) << "metric " << m;
    // Metric 10 gives 0 even though its range starts at 60.
    double lo = 0, hi = 0;
    ASSERT_TRUE(Calc::GetMetricRange(lo, hi, Calc::MaxAngle));
    EXPECT_EQ(lo, 60.0);

    // Sides of exactly the threshold (and the hypotenuse above it) are accepted.
    Point const at[3] = {Point(0, 0, 0), Point(tiny, 0, 0), Point(0, tiny, 0)};
    EXPECT_NEAR(Q(at, 10), 90.0, 1e-6);
    EXPECT_NEAR(Q(at, 13), 0.5, 1e-9);
}

TEST(ShapeMetrics, CoincidentCornersKeepTheStartCosine)
{
    Point const p[3] = {Point(7, 7, 7), Point(7, 7, 7), Point(7, 7, 7)};
    EXPECT_EQ(Q(p, 7), 1.0);
    EXPECT_NEAR(Q(p, 9), 180.0, 1e-9);
    for (int m : {1, 2, 3, 4, 6, 8, 10, 11, 12, 13, 14, 15, 16}) EXPECT_EQ(Q(p, m), 0.0) << "metric " << m;
    EXPECT_EQ(Q(p, 5), 0.0);
}

TEST(ShapeMetrics, DegenerateTrianglesGiveNumbersNotNaN)
{
    Point const coincident[3] = {Point(7, 7, 7), Point(7, 7, 7), Point(7, 7, 7)};
    Point const collinear[3] = {Point(0, 0, 0), Point(100, 0, 0), Point(300, 0, 0)};
    Point const twoEqual[3] = {Point(0, 0, 0), Point(0, 0, 0), Point(300, 0, 0)};
    for (auto const* p : {&coincident, &collinear, &twoEqual})
        for (int m = 0; m <= 37; ++m) EXPECT_FALSE(std::isnan(Q(*p, m))) << "metric " << m;
    // Flat triangles score the worst end on the shape ratios without a guard of their own.
    for (int m : {1, 3, 6, 8, 13, 15, 20, 33, 34, 35}) EXPECT_EQ(Q(collinear, m), 0.0) << "metric " << m;
    EXPECT_NEAR(Q(collinear, 10), 180.0, 1e-9);
    EXPECT_EQ(Q(collinear, 9), 0.0);
    EXPECT_EQ(Q(collinear, 36), 3.0);
    EXPECT_TRUE(std::isinf(Q(twoEqual, 36)));
}

TEST(ShapeMetrics, ApexDistanceIsMeasuredFromTheIdealApex)
{
    // Over edge (0,0,0)-(200,0,0) the ideal apexes lie on the circle of radius 100*sqrt(3) around
    // (100,0,0) in the plane x = 100; a point 40 beyond it along y and 30 along x is 50 away.
    double const r = 100 * kSqrt3;
    Point const p[3] = {Point(0, 0, 0), Point(200, 0, 0), Point(130, r + 40, 0)};
    EXPECT_NEAR(Q(p, 5), 50.0, 1e-9);
    Point const onCircle[3] = {Point(0, 0, 0), Point(200, 0, 0), Point(100, r * 0.6, r * 0.8)};
    EXPECT_NEAR(Q(onCircle, 5), 0.0, 1e-9);
}

TEST(ShapeMetrics, NoMetricNumbersGiveZero)
{
    Point const p[3] = {Point(0, 0, 0), Point(100, 0, 0), Point(0, 100, 0)};
    MTriangle3D<Point> const t(p[0], p[1], p[2]);
    for (int m : {0, 25, 37, 100, -1})
    {
        EXPECT_EQ(Q(p, m), 0.0);
        EXPECT_EQ(Calc::GetTriangleShapeQuality(t, Calc::MetricType(m)), 0.0);
    }
}

TEST(ShapeMetrics, TriangleValueOverloadMatchesArray)
{
    for (auto const& tri : RandomTriangles(20, 3))
    {
        MTriangle3D<Point> const t(tri[0], tri[1], tri[2]);
        for (int m = 0; m <= 36; ++m)
            EXPECT_EQ(Calc::GetTriangleShapeQuality(t, Calc::MetricType(m)), Calc::GetTriangleShapeQuality(tri.data(), Calc::MetricType(m)));
    }
}

TEST(ShapeMetrics, NullArrayIsRefused)
{
    EXPECT_THROW(Calc::GetTriangleShapeQuality(static_cast<Point const*>(nullptr), Calc::RadiusRatio), std::invalid_argument);
}
