#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "collision/TrianglesGroupBBox3D.h"

namespace
{

using MeshQueries::TrianglesGroupBBox3D;
using Point = MMPoint3d<double>;
constexpr double kPi = 3.141592653589793;

TrianglesGroupBBox3D Box(double x0, double y0, double z0, double x1, double y1, double z1)
{
    return TrianglesGroupBBox3D(Point(x0, y0, z0), Point(x1, y1, z1));
}

// An emptied box keeps its max, has no volume and is far from every point. Distances are zero on
// the boundary and add the gaps of each axis outside.
TEST(GroupBox, EmptinessVolumeDistanceUnionAndEquality)
{
    TrianglesGroupBBox3D b = Box(0, 0, 0, 2, 4, 6);
    EXPECT_EQ(b.Volume(), 2.0 * 4.0 * 6.0);
    EXPECT_EQ(Box(-1, 2, 3, 2, 3, 8).Volume(), 3.0 * 1.0 * 5.0); // extents, not corner sums
    EXPECT_EQ(b.DistanceSqr(Point(1, 1, 1)), 0.0);
    EXPECT_EQ(b.DistanceSqr(Point(0, 4, 3)), 0.0);
    EXPECT_EQ(b.DistanceSqr(Point(-3, 2, 3)), 9.0);
    EXPECT_EQ(b.DistanceSqr(Point(5, 7, 3)), 9.0 + 9.0);
    EXPECT_EQ(b.DistanceSqr(Point(-1, -2, 8)), 1.0 + 4.0 + 4.0);
    b.MakeEmpty();
    EXPECT_EQ(b.GetMax(), Point(2, 4, 6));
    for (TrianglesGroupBBox3D const& e : {b, TrianglesGroupBBox3D()})
    {
        EXPECT_TRUE(e.IsEmpty());
        EXPECT_EQ(e.Volume(), 0.0);
        EXPECT_EQ(e.DistanceSqr(Point(0, 0, 0)), std::numeric_limits<double>::max());
        EXPECT_EQ(e.DistanceSqr(Point(1e300, -5, 3)), std::numeric_limits<double>::max());
    }

    // The union is taken per component; an empty operand changes nothing.
    TrianglesGroupBBox3D u = Box(0, 0, 0, 1, 1, 1);
    u.Append(TrianglesGroupBBox3D());
    EXPECT_EQ(u, Box(0, 0, 0, 1, 1, 1));
    u.Append(Box(-2, 0.5, 0.25, 0.5, 3, 0.75));
    EXPECT_EQ(u, Box(-2, 0, 0, 1, 3, 1));
    TrianglesGroupBBox3D e;
    e.Append(Box(-1, 2, 3, 4, 5, 6));
    EXPECT_EQ(e, Box(-1, 2, 3, 4, 5, 6));

    // Equality counts every component, and NaN is never equal.
    TrianglesGroupBBox3D d = Box(0, 0, 0, 1, 1, 1);
    d.max.z = std::nextafter(1.0, 2.0);
    EXPECT_TRUE(d != Box(0, 0, 0, 1, 1, 1));
    d.max.z = 1.0;
    d.max.y = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(d == d);
}

// Boxes sharing only a face do not intersect; an empty box meets nothing; a box turned by 45 degrees
// whose axis-aligned hull overlaps the other box is told apart only by a rotated axis.
TEST(GroupBoxIntersect, SharedFacesEmptyBoxesAndRotatedAxes)
{
    TrianglesGroupBBox3D const a = Box(0, 0, 0, 1, 1, 1);
    MMTransformMatrix const identity;
    EXPECT_TRUE(a.Intersect(a, identity));
    EXPECT_FALSE(a.Intersect(a, MMTransformMatrix::Translation(Point(1, 0, 0))));
    EXPECT_FALSE(a.Intersect(a, MMTransformMatrix::Translation(Point(0, 0, -1))));
    EXPECT_TRUE(a.Intersect(a, MMTransformMatrix::Translation(Point(0.999, 0, 0))));
    EXPECT_FALSE(TrianglesGroupBBox3D().Intersect(Box(-10, -10, -10, 10, 10, 10), identity));

    TrianglesGroupBBox3D const b = Box(-0.5, -0.5, -0.5, 0.5, 0.5, 0.5);
    for (double offset : {1.6, 1.5})
    {
        MMTransformMatrix t = MMTransformMatrix::Translation(Point(offset, offset, 0.5));
        t.PostMultiply(MMTransformMatrix::Rotation(Point(0, 0, 1), kPi / 4));
        EXPECT_FALSE(a.Intersect(b, t)) << offset;
    }
    MMTransformMatrix overlapping = MMTransformMatrix::Translation(Point(1.6, 0.5, 0.5));
    overlapping.PostMultiply(MMTransformMatrix::Rotation(Point(0, 0, 1), kPi / 4));
    EXPECT_TRUE(a.Intersect(b, overlapping));
}

// Independent reference for random placements: a separating plane verified on all sixteen corners,
// or a sample point of one box strictly inside the other.
struct Placement
{
    TrianglesGroupBBox3D a, b;
    MMTransformMatrix toA, toB;
};

Point ClampInto(TrianglesGroupBBox3D const& box, Point const& p)
{
    return {std::clamp(p.x, box.min.x, box.max.x), std::clamp(p.y, box.min.y, box.max.y),
            std::clamp(p.z, box.min.z, box.max.z)};
}

bool StrictlyInside(TrianglesGroupBBox3D const& box, Point const& p, double margin)
{
    for (int k = 0; k < 3; ++k)
        if (p[k] <= box.min[k] + margin || p[k] >= box.max[k] - margin) return false;
    return true;
}

Point CornerOf(TrianglesGroupBBox3D const& box, int c)
{
    return {(c & 1) ? box.min.x : box.max.x, (c & 2) ? box.min.y : box.max.y, (c & 4) ? box.min.z : box.max.z};
}

bool SeparatingPlaneFound(Placement const& s)
{
    // Alternating projections converge to a closest pair of two disjoint convex sets.
    Point pa = 0.5 * (s.a.min + s.a.max);
    Point pb = s.toA.Transform(0.5 * (s.b.min + s.b.max), false);
    for (int i = 0; i < 400; ++i)
    {
        pa = ClampInto(s.a, pb);
        pb = s.toA.Transform(ClampInto(s.b, s.toB.Transform(pa, false)), false);
    }
    Point const n = pb - pa;
    if (n.Length() < 1e-6) return false;
    double aHi = -std::numeric_limits<double>::max(), bLo = std::numeric_limits<double>::max();
    for (int c = 0; c < 8; ++c)
    {
        aHi = std::max(aHi, n.Dot(CornerOf(s.a, c)));
        bLo = std::min(bLo, n.Dot(s.toA.Transform(CornerOf(s.b, c), false)));
    }
    return aHi + 1e-9 * n.Length() < bLo;
}

Point Lerp(TrianglesGroupBBox3D const& box, Point const& f)
{
    return {box.min.x + f.x * (box.max.x - box.min.x), box.min.y + f.y * (box.max.y - box.min.y),
            box.min.z + f.z * (box.max.z - box.min.z)};
}

bool SamplePointInsideOther(Placement const& s)
{
    int const steps = 6;
    for (int i = 0; i <= steps; ++i)
        for (int j = 0; j <= steps; ++j)
            for (int k = 0; k <= steps; ++k)
            {
                Point const f(double(i) / steps, double(j) / steps, double(k) / steps);
                if (StrictlyInside(s.a, s.toA.Transform(Lerp(s.b, f), false), 1e-9)) return true;
                if (StrictlyInside(s.b, s.toB.Transform(Lerp(s.a, f), false), 1e-9)) return true;
            }
    return false;
}

TEST(GroupBoxIntersect, AgreesWithSeparatingPlaneOrInteriorSampleOverRandomRotations)
{
    std::mt19937 rng(20261205);
    std::uniform_real_distribution<double> coord(-1.5, 1.5), size(0.2, 3.0), angle(0.0, 2 * kPi);
    std::normal_distribution<double> normal;
    int separated = 0, overlapping = 0, undecided = 0;
    int const trials = 3000;
    for (int trial = 0; trial < trials; ++trial)
    {
        Placement s;
        Point const ca(coord(rng), coord(rng), coord(rng));
        s.a = TrianglesGroupBBox3D(ca, ca + Point(size(rng), size(rng), size(rng)));
        Point const cb(coord(rng), coord(rng), coord(rng));
        s.b = TrianglesGroupBBox3D(cb, cb + Point(size(rng), size(rng), size(rng)));
        s.toA = MMTransformMatrix::Translation(Point(coord(rng), coord(rng), coord(rng)));
        s.toA.PostMultiply(MMTransformMatrix::Rotation(Point(normal(rng), normal(rng), normal(rng)), angle(rng)));
        s.toB = s.toA;
        ASSERT_TRUE(s.toB.Invert());

        bool const sep = SeparatingPlaneFound(s);
        bool const inside = SamplePointInsideOther(s);
        ASSERT_FALSE(sep && inside) << "reference contradicts itself in trial " << trial;
        bool const result = s.a.Intersect(s.b, s.toA);
        if (sep)
        {
            ++separated;
            EXPECT_FALSE(result) << "trial " << trial;
        }
        else if (inside)
        {
            ++overlapping;
            EXPECT_TRUE(result) << "trial " << trial;
        }
        else
        {
            ++undecided;
        }
    }
    EXPECT_GT(separated, trials / 5);
    EXPECT_GT(overlapping, trials / 5);
    EXPECT_LT(undecided, trials / 50) << separated << " separated, " << overlapping << " overlapping";
}

} // namespace
