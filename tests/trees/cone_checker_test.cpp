#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "interfaces/MeshData.h"
#include "trees/IntersectionCheckerVerticalInfiniteCone.h"

using MeshQueries::M3DObjectTreeBase;
using MeshQueries::WrapperTreeUtilities::IntersectionCheckerVerticalInfiniteCone;

namespace
{

using Point = MMPoint3d<double>;
constexpr double kPi = 3.141592653589793;

// Angle between the downward vertical and the direction from the apex to p, minus the
// half-angle: negative inside the cone.
double AngularMargin(Point const& apex, double halfAngle, Point const& p)
{
    Point const d = p - apex;
    double const horizontal = std::hypot(d.x, d.y);
    return std::atan2(horizontal, -d.z) - halfAngle;
}

double SquaredDistanceToRectangle(double x, double y, M3DBoundingBox<double> const& box)
{
    double const dx = std::max({box.GetMin(0) - x, 0.0, x - box.GetMax(0)});
    double const dy = std::max({box.GetMin(1) - y, 0.0, y - box.GetMax(1)});
    return dx * dx + dy * dy;
}

double SquaredDistanceToFarthestCorner(double x, double y, M3DBoundingBox<double> const& box)
{
    double const dx = std::max(std::fabs(box.GetMin(0) - x), std::fabs(box.GetMax(0) - x));
    double const dy = std::max(std::fabs(box.GetMin(1) - y), std::fabs(box.GetMax(1) - y));
    return dx * dx + dy * dy;
}

// Closed form for a cone narrower than 90 degrees: the cone's disc is widest at the box's bottom
// and narrowest at its top, and the box's horizontal section is the same at every height.
M3DObjectTreeBase::IntersectionType ExpectedForNarrowCone(Point const& apex, double halfAngle,
                                                          M3DBoundingBox<double> const& box)
{
    double const t = std::tan(halfAngle);
    double const topRadius = (apex.z - box.GetMax(2)) * t, bottomRadius = (apex.z - box.GetMin(2)) * t;
    if (box.GetMax(2) < apex.z && SquaredDistanceToFarthestCorner(apex.x, apex.y, box) < topRadius * topRadius)
        return M3DObjectTreeBase::Inside;
    if (box.GetMin(2) < apex.z && SquaredDistanceToRectangle(apex.x, apex.y, box) < bottomRadius * bottomRadius)
        return M3DObjectTreeBase::Intersecting;
    return M3DObjectTreeBase::Outside;
}

// Beyond 90 degrees the outside region is an upward cone of half-angle pi - halfAngle: the narrow
// answer for the mirrored box, with inside and outside swapped.
M3DObjectTreeBase::IntersectionType ExpectedForWideCone(Point const& apex, double halfAngle,
                                                        M3DBoundingBox<double> const& box)
{
    M3DBoundingBox<double> const mirrored(box.GetMin(0), box.GetMin(1), -box.GetMax(2), box.GetMax(0), box.GetMax(1),
                                          -box.GetMin(2));
    auto const upward = ExpectedForNarrowCone(Point(apex.x, apex.y, -apex.z), kPi - halfAngle, mirrored);
    if (upward == M3DObjectTreeBase::Intersecting) return upward;
    return upward == M3DObjectTreeBase::Inside ? M3DObjectTreeBase::Outside : M3DObjectTreeBase::Inside;
}

// Smallest and largest angular margin over a dense grid of the box.
std::pair<double, double> SampledMargins(Point const& apex, double halfAngle, M3DBoundingBox<double> const& box)
{
    int const n = 8;
    double lowest = 1e9, highest = -1e9;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j)
            for (int k = 0; k <= n; ++k)
            {
                Point const p(box.GetMin(0) + box.GetDeltaX() * i / n, box.GetMin(1) + box.GetDeltaY() * j / n,
                              box.GetMin(2) + box.GetDeltaZ() * k / n);
                double const m = AngularMargin(apex, halfAngle, p);
                lowest = std::min(lowest, m);
                highest = std::max(highest, m);
            }
    return {lowest, highest};
}

M3DBoundingBox<double> RandomBox(std::mt19937& rng)
{
    std::uniform_real_distribution<double> corner(-100.0, 100.0), size(0.1, 80.0);
    double const x = corner(rng), y = corner(rng), z = corner(rng);
    return M3DBoundingBox<double>(x, y, z, x + size(rng), y + size(rng), z + size(rng));
}

} // namespace

TEST(ConeChecker, PointsAgainstTheAngleFromTheDownwardVertical)
{
    Point const apex(3.0, -2.0, 7.0);
    for (double halfAngle : {0.05, 0.4, 1.0, 1.5, kPi / 2, 1.7, 2.6, 3.1})
    {
        IntersectionCheckerVerticalInfiniteCone const cone(apex, halfAngle);
        EXPECT_EQ(cone.GetIntersection(apex + Point(0, 0, -1e-3)), M3DObjectTreeBase::Inside) << halfAngle;
        EXPECT_EQ(cone.GetIntersection(apex + Point(0, 0, -1e6)), M3DObjectTreeBase::Inside) << halfAngle;
        EXPECT_EQ(cone.GetIntersection(apex + Point(0, 0, 5)), M3DObjectTreeBase::Outside) << halfAngle;
        EXPECT_EQ(cone.GetIntersection(apex),
                  halfAngle > kPi / 2 ? M3DObjectTreeBase::Inside : M3DObjectTreeBase::Outside)
            << halfAngle;
        std::mt19937 rng(1);
        std::uniform_real_distribution<double> coordinate(-50.0, 50.0);
        for (int i = 0; i < 2000; ++i)
        {
            Point const p(coordinate(rng), coordinate(rng), coordinate(rng));
            double const margin = AngularMargin(apex, halfAngle, p);
            if (std::fabs(margin) < 1e-9) continue;
            EXPECT_EQ(cone.GetIntersection(p), margin < 0 ? M3DObjectTreeBase::Inside : M3DObjectTreeBase::Outside);
        }
    }
    // A zero half-angle holds nothing, not even the points straight below.
    EXPECT_EQ(IntersectionCheckerVerticalInfiniteCone(apex, 0.0).GetIntersection(apex + Point(0, 0, -4)),
              M3DObjectTreeBase::Outside);
}

TEST(ConeChecker, BoxesAgainstClosedFormAndDenseSampling)
{
    std::mt19937 rng(2);
    for (bool wide : {false, true})
    {
        Point const apex = wide ? Point(-4.0, 2.0, -10.0) : Point(5.0, -7.0, 20.0);
        int counts[3] = {0, 0, 0};
        for (double halfAngle :
             wide ? std::vector<double>{1.6, 2.0, 2.6, 3.0} : std::vector<double>{0.1, 0.5, 0.9, 1.3, 1.55})
        {
            IntersectionCheckerVerticalInfiniteCone const cone(apex, halfAngle);
            for (int i = 0; i < 800; ++i)
            {
                M3DBoundingBox<double> const box = RandomBox(rng);
                auto const answer = cone.GetIntersection(box);
                EXPECT_EQ(answer, wide ? ExpectedForWideCone(apex, halfAngle, box)
                                       : ExpectedForNarrowCone(apex, halfAngle, box))
                    << halfAngle;
                ++counts[answer];
                auto const margins = SampledMargins(apex, halfAngle, box);
                if (answer == M3DObjectTreeBase::Inside)
                {
                    EXPECT_LT(margins.second, 0.0);
                }
                if (answer == M3DObjectTreeBase::Outside)
                {
                    EXPECT_GE(margins.first, 0.0);
                }
                if (margins.first < -1e-9 && margins.second > 1e-9)
                {
                    EXPECT_EQ(answer, M3DObjectTreeBase::Intersecting);
                }
            }
        }
        // The random boxes exercise every answer.
        for (int c : counts) EXPECT_GT(c, 100);
    }
}

TEST(ConeChecker, BoxAndSegmentBoundaryCases)
{
    Point const apex(0.0, 0.0, 0.0);
    IntersectionCheckerVerticalInfiniteCone const cone(apex, 0.3);
    // Wholly above the apex, however wide.
    EXPECT_EQ(cone.GetIntersection(M3DBoundingBox<double>(-1e9, -1e9, 1e-9, 1e9, 1e9, 5.0)),
              M3DObjectTreeBase::Outside);
    // Straddling the axis with its bottom at the apex and its top corners outside.
    EXPECT_EQ(cone.GetIntersection(M3DBoundingBox<double>(-1, -1, 0.0, 1, 1, 3)), M3DObjectTreeBase::Intersecting);
    EXPECT_EQ(cone.GetIntersection(M3DBoundingBox<double>(-1, -1, -0.5, 1, 1, 3)), M3DObjectTreeBase::Intersecting);
    // A thin column on the axis well below the apex lies wholly inside.
    EXPECT_EQ(cone.GetIntersection(M3DBoundingBox<double>(-0.1, -0.1, -100, 0.1, 0.1, -10)), M3DObjectTreeBase::Inside);
    // Beside the axis, below the apex: the bottom face's disc decides, through an edge of the
    // bottom face, with no corner inside.
    double const t = std::tan(0.3);
    EXPECT_EQ(cone.GetIntersection(M3DBoundingBox<double>(0.9 * 10 * t, -50, -10, 0.9 * 10 * t + 100, 50, -9)),
              M3DObjectTreeBase::Intersecting);
    EXPECT_EQ(cone.GetIntersection(M3DBoundingBox<double>(1.1 * 10 * t, -50, -10, 1.1 * 10 * t + 100, 50, -9)),
              M3DObjectTreeBase::Outside);
    // A point-sized box behaves as its point.
    EXPECT_EQ(cone.GetIntersection(M3DBoundingBox<double>(0, 0, -1, 0, 0, -1)), M3DObjectTreeBase::Inside);

    // Segments: ends on either side of the surface, both inside, both outside passing below the apex
    // through the cone or beside it, and a zero-length segment, which is its point.
    IntersectionCheckerVerticalInfiniteCone const wider(apex, 0.5);
    EXPECT_EQ(wider.GetSegmentIntersection(Point(0, 0, -1), Point(0, 0, 1)), M3DObjectTreeBase::Intersecting);
    EXPECT_EQ(wider.GetSegmentIntersection(Point(0.1, 0, -1), Point(-0.1, 0.1, -50)), M3DObjectTreeBase::Inside);
    EXPECT_EQ(wider.GetSegmentIntersection(Point(-100, 0, -10), Point(100, 0, -10)), M3DObjectTreeBase::Intersecting);
    EXPECT_EQ(wider.GetSegmentIntersection(Point(-100, 50, -10), Point(100, 50, -10)), M3DObjectTreeBase::Outside);
    EXPECT_EQ(wider.GetSegmentIntersection(Point(50, 0, -1), Point(50, 0, -1)), M3DObjectTreeBase::Outside);
}

// Segments between integer points, each also a graph edge, which must answer as its segment; a
// missing or empty edge is outside.
TEST(ConeChecker, SegmentsAndGraphEdgesAgainstDenseSampling)
{
    MStlBase mesh;
    MStlGraph graph(&mesh);
    std::mt19937 rng(4);
    std::uniform_int_distribution<std::int32_t> coordinate(-60, 60);
    for (int i = 0; i < 400; ++i)
    {
        MStlPoint* a = mesh.AddPoint(coordinate(rng), coordinate(rng), coordinate(rng));
        MStlPoint* b = mesh.AddPoint(coordinate(rng), coordinate(rng), coordinate(rng));
        graph.AddEdge(a, b);
    }
    int counts[3] = {0, 0, 0};
    for (double halfAngle : {0.2, 0.7, 1.2, 2.0, 2.8})
    {
        Point const apex(1.0, 2.0, 3.5);
        IntersectionCheckerVerticalInfiniteCone const cone(apex, halfAngle);
        for (MStlGraphEdge const& edge : graph.GetEdges())
        {
            Point const a = *edge.GetFirstVertex(), b = *edge.GetSecondVertex();
            double lowest = 1e9, highest = -1e9;
            int const n = 1500;
            for (int k = 0; k <= n; ++k)
            {
                double const m = AngularMargin(apex, halfAngle, a + (b - a) * (double(k) / n));
                lowest = std::min(lowest, m);
                highest = std::max(highest, m);
            }
            auto const answer = cone.GetSegmentIntersection(a, b);
            EXPECT_EQ(answer, cone.GetSegmentIntersection(b, a));
            EXPECT_EQ(answer, cone.GetIntersection(&edge));
            ++counts[answer];
            double const tolerance = 1e-3;
            if (lowest < -tolerance && highest > tolerance)
            {
                EXPECT_EQ(answer, M3DObjectTreeBase::Intersecting);
            }
            if (highest < -tolerance)
            {
                EXPECT_EQ(answer, M3DObjectTreeBase::Inside);
            }
            if (lowest > tolerance)
            {
                EXPECT_EQ(answer, M3DObjectTreeBase::Outside);
            }
        }
    }
    for (int c : counts) EXPECT_GT(c, 50);

    IntersectionCheckerVerticalInfiniteCone const cone(Point(0, 0, 0), 0.5);
    MStlGraphEdge const none;
    EXPECT_EQ(cone.GetIntersection(&none), M3DObjectTreeBase::Outside);
    EXPECT_EQ(cone.GetIntersection(static_cast<MStlGraphEdge const*>(nullptr)), M3DObjectTreeBase::Outside);
    // An edge missing either end joins nothing, even with its other end inside the cone.
    MStlPoint* const below = mesh.AddPoint(0, 0, -10);
    for (MStlGraphEdge const& half : {MStlGraphEdge(below, nullptr, 1), MStlGraphEdge(nullptr, below, 2)})
        EXPECT_EQ(cone.GetIntersection(&half), M3DObjectTreeBase::Outside);
}
