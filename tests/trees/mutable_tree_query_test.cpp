#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tree_test_support.h"
#include "trees/detail/PointTriangleDistance.h"
#include "trees/detail/RayTriangleTest.h"
#include "trees/detail/SegmentBoxClip.h"

namespace
{

using namespace vz_test;
using MeshQueriesMutable::PointTriangleDistanceSqr;
using MeshQueriesMutable::RayHitsTriangle;
using MeshQueriesMutable::SegmentMeetsBox;
constexpr double kLargest = std::numeric_limits<double>::max();

// Exact answers in each Voronoi region far from the origin, and degenerate triangles, which measure
// to their nearest edge.
TEST(MutablePointTriangleDistance, ClosedFormsFarFromTheOriginAndOnDegenerateTriangles)
{
    Point const o(1e6, -2e6, 3e6);
    Point const a = o, b = o + Point(10, 0, 0), c = o + Point(0, 10, 0);
    EXPECT_EQ(PointTriangleDistanceSqr(o + Point(2, 2, 3), a, b, c), 9.0);    // above the face
    EXPECT_EQ(PointTriangleDistanceSqr(o + Point(-3, -4, 0), a, b, c), 25.0); // beyond corner a
    EXPECT_EQ(PointTriangleDistanceSqr(o + Point(5, -2, 0), a, b, c), 4.0);   // beyond edge a-b
    EXPECT_EQ(PointTriangleDistanceSqr(o + Point(-2, 5, 1), a, b, c), 5.0);   // beyond edge a-c
    EXPECT_EQ(PointTriangleDistanceSqr(o + Point(12, -1, 0), a, b, c), 5.0);  // beyond corner b
    EXPECT_EQ(PointTriangleDistanceSqr(o + Point(-1, 13, 0), a, b, c), 10.0); // beyond corner c
    EXPECT_EQ(PointTriangleDistanceSqr(o + Point(6, 6, 0), a, b, c), 2.0);    // beyond edge b-c
    EXPECT_EQ(PointTriangleDistanceSqr(o, a, b, c), 0.0);

    Point const z(0, 0, 0), x10(10, 0, 0), mid(5, 0, 0);
    EXPECT_EQ(PointTriangleDistanceSqr(Point(5, 3, 0), z, x10, mid), 9.0);
    EXPECT_EQ(PointTriangleDistanceSqr(Point(13, 4, 0), z, mid, x10), 25.0);
    EXPECT_EQ(PointTriangleDistanceSqr(Point(1, 2, 2), z, z, z), 9.0);
    EXPECT_EQ(PointTriangleDistanceSqr(Point(-6, 0, 8), z, x10, x10), 100.0);
}

TEST(MutableRayTriangle, GrazingEdgesAndCornersHitParallelRaysNever)
{
    Point const a(0, 0, 0), b(10, 0, 0), c(0, 10, 0);
    Point const down(0, 0, -1);
    double t = -1;
    for (Point const& at : {Point(0, 0, 5), Point(10, 0, 5), Point(0, 10, 5), Point(5, 0, 5), Point(0, 5, 5),
                            Point(5, 5, 5), Point(2, 3, 5)})
    {
        EXPECT_TRUE(RayHitsTriangle(at, down, a, b, c, 0.0, kLargest, t)) << at.x << " " << at.y;
        EXPECT_EQ(t, 5.0);
    }
    for (Point const& at : {Point(-1e-9, 0, 5), Point(5, -1e-9, 5), Point(5.000001, 5, 5), Point(11, 0, 5)})
        EXPECT_FALSE(RayHitsTriangle(at, down, a, b, c, 0.0, kLargest, t)) << at.x << " " << at.y;
    // From below, the winding flips the sign of det; the hit must still count.
    EXPECT_TRUE(RayHitsTriangle(Point(5, 5, -2), Point(0, 0, 1), a, b, c, 0.0, kLargest, t));
    EXPECT_EQ(t, 2.0);
    // Within the plane, and so nearly parallel that |det| stays under 2^-26.
    EXPECT_FALSE(RayHitsTriangle(Point(-5, 1, 0), Point(1, 0, 0), a, b, c, 0.0, kLargest, t));
    EXPECT_FALSE(RayHitsTriangle(Point(-5, 1, 1e-12), Point(1, 0, -1e-12), a, b, c, 0.0, kLargest, t));
    EXPECT_TRUE(RayHitsTriangle(Point(-5, 1, 1e-8), Point(1, 0, -1e-9), a, b, c, 0.0, kLargest, t));
    // Both ends of the parameter range are inclusive.
    EXPECT_TRUE(RayHitsTriangle(Point(1, 1, 5), down, a, b, c, 5.0, 5.0, t));
    EXPECT_FALSE(RayHitsTriangle(Point(1, 1, 5), down, a, b, c, 0.0, std::nextafter(5.0, 0.0), t));
    EXPECT_FALSE(RayHitsTriangle(Point(1, 1, 5), down, a, b, c, std::nextafter(5.0, 6.0), 9.0, t));
    // Behind the origin.
    EXPECT_FALSE(RayHitsTriangle(Point(1, 1, -5), down, a, b, c, 0.0, kLargest, t));
}

TEST(MutableSegmentBox, SlabClippingBoundaries)
{
    MeshQueries::TrianglesGroupBBox3D const box(Point(0, 0, 0), Point(10, 10, 10));
    double entry = -1;
    EXPECT_TRUE(SegmentMeetsBox(box, Point(-5, 5, 5), Point(1, 0, 0), 0.0, 100.0, entry));
    EXPECT_EQ(entry, 5.0);
    EXPECT_TRUE(SegmentMeetsBox(box, Point(5, 5, 5), Point(1, 0, 0), 0.0, 100.0, entry));
    EXPECT_EQ(entry, 0.0);
    EXPECT_FALSE(SegmentMeetsBox(box, Point(-5, 5, 5), Point(1, 0, 0), 0.0, 4.9, entry));
    EXPECT_TRUE(SegmentMeetsBox(box, Point(-5, 5, 5), Point(1, 0, 0), 0.0, 5.0, entry));
    // Running along a face is inside; just outside it is not.
    EXPECT_TRUE(SegmentMeetsBox(box, Point(-5, 10, 5), Point(1, 0, 0), 0.0, 100.0, entry));
    EXPECT_FALSE(SegmentMeetsBox(box, Point(-5, 10.001, 5), Point(1, 0, 0), 0.0, 100.0, entry));
    // Empty parameter ranges and inverted boxes never meet.
    EXPECT_FALSE(SegmentMeetsBox(box, Point(5, 5, 5), Point(1, 0, 0), 3.0, 3.0, entry));
    EXPECT_FALSE(SegmentMeetsBox(box, Point(5, 5, 5), Point(1, 0, 0), 4.0, 3.0, entry));
    MeshQueries::TrianglesGroupBBox3D const inverted(Point(0, 0, 0), Point(10, -1, 10));
    EXPECT_FALSE(SegmentMeetsBox(inverted, Point(5, -0.5, 5), Point(1, 0, 0), 0.0, 100.0, entry));
    // Moving away.
    EXPECT_FALSE(SegmentMeetsBox(box, Point(-5, 5, 5), Point(-1, 0, 0), 0.0, 100.0, entry));
}

// Built over the mesh; at most ten triangles keep it a single leaf.
struct BuiltTree
{
    Tree tree{Tree::FineLeaves};
    explicit BuiltTree(MStlBase& mesh) { BuildOn(tree, mesh); }
};

// Of two triangles in one leaf at the same distance or ray parameter, the later one is reported.
TEST(MutableTreeQueries, TiesInOneLeafReportTheLaterTriangle)
{
    MStlBase mesh;
    PointPool pool(mesh);
    mesh.AddTriangle(pool.At(0, 0, 0), pool.At(10, 0, 0), pool.At(0, 10, 0));
    MStlTriangle* const above = mesh.AddTriangle(pool.At(0, 0, 10), pool.At(10, 0, 10), pool.At(0, 10, 10));
    BuiltTree b(mesh);
    auto const r = b.tree.NearestTriangle(Point(1, 1, 5), kLargest);
    EXPECT_EQ(r.triangle.Get(), above);
    EXPECT_EQ(r.distance, 5.0);
    // Exactly at the limit is still found, just inside it is not.
    EXPECT_EQ(b.tree.NearestTriangle(Point(1, 1, 5), 5.0).triangle.Get(), above);
    EXPECT_FALSE(b.tree.NearestTriangle(Point(1, 1, 5), std::nextafter(5.0, 0.0)).Found());

    // Two triangles sharing the edge x = y; a ray down onto that edge hits both at t = 4.
    MStlBase shared;
    PointPool sharedPool(shared);
    shared.AddTriangle(sharedPool.At(0, 0, 0), sharedPool.At(10, 0, 0), sharedPool.At(10, 10, 0));
    MStlTriangle* const second =
        shared.AddTriangle(sharedPool.At(0, 0, 0), sharedPool.At(10, 10, 0), sharedPool.At(0, 10, 0));
    BuiltTree c(shared);
    auto const hit = c.tree.ProjectPoint(Point(3, 3, 4), Point(0, 0, -7));
    EXPECT_EQ(hit.triangle.Get(), second);
    EXPECT_EQ(hit.distance, 4.0);
    EXPECT_EQ(hit.point, Point(3, 3, 0));
    EXPECT_EQ(hit.mesh.GetMesh(), &shared);
    auto const none = c.tree.ProjectPoint(Point(3, 3, 4), Point(0, 0, 0));
    EXPECT_FALSE(none.Found());
    EXPECT_EQ(none.mesh.GetMesh(), nullptr);
}

} // namespace
