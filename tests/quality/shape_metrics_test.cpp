#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <set>
#include <stdexcept>
#include <vector>

#include "quality/MTriangleQualityCalculator.h"
#include "support/random_scene.h"

namespace
{

using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
using Point = MMPoint3d<double>;
constexpr double kPi = 3.141592653589793;
constexpr double kSqrt3 = 1.7320508075688772;

double Q(Point const (&p)[3], int metric) { return Calc::GetTriangleShapeQuality(p, Calc::MetricType(metric)); }

// Reference quantities computed independently of the library's formulas: angles through atan2 of
// the cross and dot products, the area both by Heron and by the cross product.
struct Reference
{
    double edge[3];  // a = |P1-P0|, b = |P2-P0|, c = |P1-P2|
    double angle[3]; // radians, at P0, P1, P2
    double heronArea, crossArea;

    explicit Reference(Point const (&p)[3])
    {
        int const ends[3][2] = {{1, 0}, {2, 0}, {1, 2}};
        for (int k = 0; k < 3; ++k)
        {
            Point const& to = p[ends[k][0]];
            Point const& from = p[ends[k][1]];
            edge[k] = std::hypot(to.x - from.x, to.y - from.y, to.z - from.z);
            Point const u = p[(k + 1) % 3] - p[k], v = p[(k + 2) % 3] - p[k]; // atan2 keeps small angles exact
            angle[k] = std::atan2(u.Cross(v).Length(), u.Dot(v));
        }
        // Heron in the numerically stable ordering (s0 >= s1 >= s2).
        double s[3] = {edge[0], edge[1], edge[2]};
        std::sort(s, s + 3, std::greater<double>());
        heronArea = 0.25 * std::sqrt((s[0] + (s[1] + s[2])) * (s[2] - (s[0] - s[1])) * (s[2] + (s[0] - s[1])) *
                                     (s[0] + (s[1] - s[2])));
        crossArea = 0.5 * (p[1] - p[0]).Cross(p[2] - p[0]).Length();
    }
    double Shortest() const { return std::min({edge[0], edge[1], edge[2]}); }
    double Longest() const { return std::max({edge[0], edge[1], edge[2]}); }
    double SmallestAngle() const { return std::min({angle[0], angle[1], angle[2]}); }
    double LargestAngle() const { return std::max({angle[0], angle[1], angle[2]}); }
    double Inradius() const { return 2.0 * heronArea / (edge[0] + edge[1] + edge[2]); }
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

// Random integer triangles from the shared scene generator, well away from degeneracy so that both the
// library's and the reference formulas are accurate.
std::vector<std::array<Point, 3>> RandomTriangles(int count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::array<Point, 3>> out;
    while (int(out.size()) < count)
    {
        std::array<Point, 3> t;
        vz_test::RandomTriangle(rng, 0, 5000, t.data());
        Reference const r(reinterpret_cast<Point const(&)[3]>(t));
        if (r.SmallestAngle() > 0.02 && r.Shortest() > 10.0) out.push_back(t);
    }
    return out;
}

} // namespace

struct Expected
{
    int metric;
    double value, tolerance;
};

TEST(ShapeMetrics, AgreeWithIndependentReferenceOnRandomTriangles)
{
    for (auto const& t : RandomTriangles(400, 7))
    {
        Point const(&p)[3] = reinterpret_cast<Point const(&)[3]>(t);
        Reference const r(p);
        double const A = r.heronArea, Lmax = r.Longest(), Lmin = r.Shortest(), deg = 180.0 / kPi, tol = 1e-7;
        ASSERT_NEAR(r.heronArea, r.crossArea, 1e-6 * r.crossArea);
        double const skew =
            std::max((r.LargestAngle() - kPi / 3) / (2 * kPi / 3), (kPi / 3 - r.SmallestAngle()) / (kPi / 3));
        double const squares = r.edge[0] * r.edge[0] + r.edge[1] * r.edge[1] + r.edge[2] * r.edge[2];
        for (Expected const e : {Expected{1, 2 * r.Inradius() / r.Circumradius(), tol},
                                 Expected{2, Lmin / Lmax, tol},
                                 Expected{3, 4 * A / (kSqrt3 * Lmax * Lmax), tol},
                                 Expected{4, 2 * A / (Lmax * Lmax), tol},
                                 Expected{5, ReferenceApexDistance(p), 1e-6 * Lmax},
                                 Expected{6, A / (3 * kSqrt3 * std::pow(r.Circumradius(), 2) / 4), tol},
                                 Expected{7, r.SmallestAngle() / (kPi / 3), tol},
                                 Expected{8, (kPi - r.LargestAngle()) / (2 * kPi / 3), tol},
                                 Expected{9, r.SmallestAngle() * deg, 1e-5},
                                 Expected{10, r.LargestAngle() * deg, 1e-5},
                                 Expected{11, 2 * A / Lmax, 1e-6 * Lmax},
                                 Expected{12, Lmin, 1e-9 * Lmax},
                                 Expected{13, r.SmallestAngle() / r.LargestAngle(), tol},
                                 Expected{14, Lmin / Lmax, tol},
                                 Expected{15, 1 - skew, tol},
                                 Expected{16, Lmax, 1e-9 * Lmax},
                                 Expected{20, 2 * kSqrt3 * r.Inradius() / Lmax, tol},
                                 Expected{33, r.crossArea * kSqrt3 / std::pow(1.5 * r.Circumradius(), 2), tol},
                                 Expected{34, r.crossArea * 6.92820323 / squares, tol},
                                 Expected{35, ReferenceCentroidDeviation(p), tol},
                                 Expected{36, Lmax / Lmin, 1e-9 * Lmax / Lmin}})
            EXPECT_NEAR(Q(p, e.metric), e.value, e.tolerance) << "metric " << e.metric;
    }
}

TEST(ShapeMetrics, UnitEdgeAndAngleSideGuardsAreStrict)
{
    // Edge P0P1 of length 0.5: the guarded metrics give 0, the unguarded ones do not.
    Point const shortEdge[3] = {Point(0, 0, 0), Point(0.5, 0, 0), Point(0.25, 0.4, 0)};
    for (int m : {1, 3, 4, 6, 11}) EXPECT_EQ(Q(shortEdge, m), 0.0) << "metric " << m;
    EXPECT_GT(Q(shortEdge, 7), 0.5);
    EXPECT_GT(Q(shortEdge, 2), 0.5);
    // A single edge of 0.5 (guarded) or of exactly one unit (not guarded), as a, then b, then c.
    for (int turn = 0; turn < 3; ++turn)
    {
        auto turned = [turn](Point const(&p)[3], Point(&out)[3])
        {
            for (int k = 0; k < 3; ++k) out[k] = p[(k + turn) % 3];
        };
        Point thin[3], unitEdge[3];
        turned({Point(0, 0, 0), Point(0.5, 0, 0), Point(0.25, 10, 0)}, thin);
        for (int m : {1, 3, 4, 6, 11}) EXPECT_EQ(Q(thin, m), 0.0) << "metric " << m << " turn " << turn;
        turned({Point(0, 0, 0), Point(1, 0, 0), Point(0.5, 10, 0)}, unitEdge);
        Reference const r(unitEdge);
        EXPECT_NEAR(Q(unitEdge, 1), 2 * r.Inradius() / r.Circumradius(), 1e-12) << turn;
        EXPECT_NEAR(Q(unitEdge, 3), 4 * r.crossArea / (kSqrt3 * r.Longest() * r.Longest()), 1e-12) << turn;
        EXPECT_GT(Q(unitEdge, 4), 0.0);
        EXPECT_GT(Q(unitEdge, 6), 0.0);
        EXPECT_NEAR(Q(unitEdge, 11), 2 * r.crossArea / r.Longest(), 1e-12) << turn;
    }

    // Angle sides below the threshold give 0, even for metric 10 whose range starts at 60; sides of
    // exactly the threshold are accepted.
    double const tiny = 1.4901161193847656e-8;
    Point const below[3] = {Point(0, 0, 0), Point(tiny / 2, 0, 0), Point(0, tiny / 2, 0)};
    for (int m : {8, 10, 13, 15}) EXPECT_EQ(Q(below, m), 0.0) << "metric " << m;
    Point const at[3] = {Point(0, 0, 0), Point(tiny, 0, 0), Point(0, tiny, 0)};
    EXPECT_NEAR(Q(at, 10), 90.0, 1e-6);
    EXPECT_NEAR(Q(at, 13), 0.5, 1e-9);
}

TEST(ShapeMetrics, DegenerateTrianglesGiveTheirLimitsNotNaN)
{
    Point const coincident[3] = {Point(7, 7, 7), Point(7, 7, 7), Point(7, 7, 7)};
    Point const collinear[3] = {Point(0, 0, 0), Point(100, 0, 0), Point(300, 0, 0)};
    Point const twoEqual[3] = {Point(0, 0, 0), Point(0, 0, 0), Point(300, 0, 0)};
    for (auto const* p : {&coincident, &collinear, &twoEqual})
        for (int m = 0; m <= 37; ++m) EXPECT_FALSE(std::isnan(Q(*p, m))) << "metric " << m;
    // Coincident corners keep the start cosine -1 of the smallest angle.
    EXPECT_EQ(Q(coincident, 7), 1.0);
    EXPECT_NEAR(Q(coincident, 9), 180.0, 1e-9);
    for (int m : {1, 2, 3, 4, 5, 6, 8, 10, 11, 12, 13, 14, 15, 16}) EXPECT_EQ(Q(coincident, m), 0.0) << "metric " << m;
    // Flat triangles score the worst end on the shape ratios without a guard of their own.
    for (int m : {1, 3, 6, 8, 13, 15, 20, 33, 34, 35}) EXPECT_EQ(Q(collinear, m), 0.0) << "metric " << m;
    EXPECT_NEAR(Q(collinear, 10), 180.0, 1e-9);
    EXPECT_EQ(Q(collinear, 9), 0.0);
    EXPECT_EQ(Q(collinear, 36), 3.0);
    EXPECT_TRUE(std::isinf(Q(twoEqual, 36)));
}

// The triangle and mesh-triangle forms give the array's value; numbers without a metric, and the
// metrics that need a mesh when asked without one, give 0.
TEST(ShapeMetrics, EveryFormAgreesNumbersWithoutAMetricGiveZeroAndNullIsRefused)
{
    for (auto const& tri : RandomTriangles(20, 3))
    {
        Point const(&p)[3] = reinterpret_cast<Point const(&)[3]>(tri);
        MTriangle3D<Point> const t(tri[0], tri[1], tri[2]);
        MStlBase mesh;
        MStlPoint* corner[3];
        for (int k = 0; k < 3; ++k)
            corner[k] = mesh.AddPoint(std::int32_t(p[k].x), std::int32_t(p[k].y), std::int32_t(p[k].z));
        MStlTriangle const* alone = mesh.AddTriangle(corner[0], corner[1], corner[2]);
        for (int m = -1; m <= 38; ++m)
        {
            EXPECT_EQ(Calc::GetTriangleShapeQuality(t, Calc::MetricType(m)), Q(p, m)) << "metric " << m;
            bool const needsMesh = m == 17 || m == 18 || m == 19 || (m >= 21 && m <= 32);
            if (needsMesh || m < 1 || m == 25 || m > 36)
                EXPECT_EQ(Q(p, m), 0.0) << "metric " << m;
            else
                EXPECT_EQ(Calc::GetTriangleShapeQuality(alone, Calc::MetricType(m)), Q(p, m)) << "metric " << m;
        }
    }
    EXPECT_THROW(Calc::GetTriangleShapeQuality(static_cast<Point const*>(nullptr), Calc::RadiusRatio),
                 std::invalid_argument);
    EXPECT_THROW(Calc::GetTriangleShapeQuality(static_cast<MStlTriangle const*>(nullptr), Calc::RadiusRatio),
                 std::invalid_argument);
}

// Every table is checked by metric number over -2..40, so the numbering is checked with it.
TEST(MetricTables, CategoriesAndFlagsByNumber)
{
    std::set<int> const shape{1, 3, 4, 6, 7, 8, 9, 13, 14, 15, 20, 33, 34, 35, 36};
    std::set<int> const measure{10, 11, 12, 16, 17, 19, 21, 22, 23, 24, 26};
    std::set<int> const growth{27, 28, 29, 30, 31, 32};
    std::set<int> const remesh{1, 2, 3, 4, 6, 7, 8, 9, 13, 14, 15, 20, 33, 34, 35};
    std::set<int> const internalUnits{11, 12, 16};
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
