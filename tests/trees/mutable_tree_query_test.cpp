#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
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
using MeshQueriesMutable::SegmentMeetsBoxPair;
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

// The clip (alone, two and three boxes at once) and the ray-triangle test decide without branching on their
// outcome; they must answer, bit for bit, what the step-by-step rules answer. The references below follow the rules
// literally, stopping at the first face or condition that rules the box or triangle out.
bool StepwiseClipFace(double den, double num, double& t0, double& t1)
{
    double const eps = 1.4901161193847656e-8;
    if (den > 0.0)
    {
        if (num - eps > den * t1) return false;
        if (num > den * t0) t0 = num / den;
        return true;
    }
    if (den < 0.0)
    {
        if (num - eps > den * t0) return false;
        if (num > den * t1) t1 = num / den;
        return true;
    }
    return num - eps <= 0.0;
}

bool StepwiseSegmentMeetsBox(Point const& lo, Point const& hi, Point const& origin, Point const& direction, double tMin,
                             double tMax, double& entry)
{
    if (tMin >= tMax) return false;
    double t0 = tMin, t1 = tMax;
    for (int k = 0; k < 3; ++k)
    {
        double const half = (hi[k] - lo[k]) * 0.5;
        if (half < 0.0) return false;
    }
    for (int k = 0; k < 3; ++k)
    {
        double const half = (hi[k] - lo[k]) * 0.5;
        double const o = origin[k] - (lo[k] + hi[k]) * 0.5;
        if (!StepwiseClipFace(direction[k], -o - half, t0, t1)) return false;
        if (!StepwiseClipFace(-direction[k], o - half, t0, t1)) return false;
    }
    entry = t0;
    return true;
}

bool StepwiseRayHitsTriangle(Point const& origin, Point const& direction, Point const& a, Point const& b,
                             Point const& c, double tMin, double tMax, double& t)
{
    Point const e1 = b - a, e2 = c - a, n = e1.Cross(e2), s = origin - a;
    double const det = direction.Dot(n);
    double sign;
    if (det > 1.4901161193847656e-8)
        sign = 1.0;
    else if (det < -1.4901161193847656e-8)
        sign = -1.0;
    else
        return false;
    double const hit = -n.Dot(s) / det;
    if (hit < tMin || hit > tMax) return false;
    double const u = sign * direction.Dot(s.Cross(e2));
    double const v = sign * direction.Dot(e1.Cross(s));
    if (u < 0.0 || v < 0.0 || u + v > std::fabs(det)) return false;
    t = hit;
    return true;
}

using TripleClip = unsigned (*)(MeshQueries::TrianglesGroupBBox3D const&, MeshQueries::TrianglesGroupBBox3D const&,
                                MeshQueries::TrianglesGroupBBox3D const&, Point const&, Point const&, double, double,
                                double*);

// The three-box clip in lane pairs, and in four lanes when this processor can run it.
std::vector<TripleClip> TripleClips()
{
    std::vector<TripleClip> clips{MeshQueriesMutable::SegmentMeetsBoxTriple};
#if defined(VZ_HAS_WIDE_BOX_CLIP)
    if (__builtin_cpu_supports("avx")) clips.push_back(MeshQueriesMutable::SegmentMeetsBoxTripleWide);
#endif
    return clips;
}

// Integer boxes and vertices, origins on and between the integers, directions with zero, tiny and
// ordinary components, parameter limits at, near and far from the boxes: many ties and touches.
TEST(MutableSegmentBox, BranchFreeTestsAnswerAsTheStepwiseRules)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> coord(-6, 6), half(0, 12), pick(0, 5);
    auto component = [&]
    {
        switch (pick(rng))
        {
        case 0: return 0.0;
        case 1: return 1e-12 * (coord(rng) + 0.5);
        case 2: return double(coord(rng));
        default: return std::uniform_real_distribution<double>(-1.0, 1.0)(rng);
        }
    };
    // Off the half-integers by nothing, by a little, or by exactly the clip's epsilon either way.
    double const offsets[6] = {0.0, 0.0, 0.0, 1e-9, 1.4901161193847656e-8, -1.4901161193847656e-8};
    auto position = [&] { return 0.5 * coord(rng) + offsets[pick(rng)]; };
    auto limit = [&]
    {
        switch (pick(rng))
        {
        case 0: return kLargest;
        case 1: return 0.0;
        default: return double(half(rng)) * 0.5;
        }
    };
    int met = 0, missed = 0, hits = 0;
    Point otherLo(0, 0, 0), otherHi(1, 1, 1);
    for (int i = 0; i < 200000; ++i)
    {
        Point const lo(coord(rng), coord(rng), coord(rng));
        Point const hi(lo.x + half(rng) - 1, lo.y + half(rng) - 1, lo.z + half(rng) - 1);
        Point const origin(position(), position(), position());
        Point const direction(component(), component(), component());
        double const tMin = pick(rng) == 0 ? limit() : 0.0, tMax = limit();
        // Clipped alone, and in both lanes of a pair beside the previous case's box.
        double expectedEntry = -1.0, entry = -1.0, otherEntry = -1.0, pairEntry[2] = {-1.0, -1.0};
        bool const expected = StepwiseSegmentMeetsBox(lo, hi, origin, direction, tMin, tMax, expectedEntry);
        bool const other = StepwiseSegmentMeetsBox(otherLo, otherHi, origin, direction, tMin, tMax, otherEntry);
        MeshQueries::TrianglesGroupBBox3D const box(lo, hi), otherBox(otherLo, otherHi);
        bool const got = SegmentMeetsBox(box, origin, direction, tMin, tMax, entry);
        unsigned const pair = SegmentMeetsBoxPair(otherBox, box, origin, direction, tMin, tMax, pairEntry);
        ASSERT_EQ(got, expected) << i;
        ASSERT_EQ(pair, unsigned(other) | unsigned(expected) << 1) << i;
        if (got)
        {
            ASSERT_EQ(std::memcmp(&entry, &expectedEntry, sizeof entry), 0) << i;
            ASSERT_EQ(std::memcmp(&pairEntry[1], &expectedEntry, sizeof entry), 0) << i;
        }
        if (other)
        {
            ASSERT_EQ(std::memcmp(&pairEntry[0], &otherEntry, sizeof entry), 0) << i;
        }
        // Three at once, the new box in the middle, both ways where this processor has both.
        for (auto const triple : TripleClips())
        {
            double tripleEntry[3] = {-1.0, -1.0, -1.0};
            unsigned const bits = triple(otherBox, box, otherBox, origin, direction, tMin, tMax, tripleEntry);
            ASSERT_EQ(bits, unsigned(other) * 5u | unsigned(expected) << 1) << i;
            if (got)
            {
                ASSERT_EQ(std::memcmp(&tripleEntry[1], &expectedEntry, sizeof entry), 0) << i;
            }
            if (other)
            {
                ASSERT_EQ(std::memcmp(&tripleEntry[0], &otherEntry, sizeof entry), 0) << i;
                ASSERT_EQ(std::memcmp(&tripleEntry[2], &otherEntry, sizeof entry), 0) << i;
            }
        }
        otherLo = lo;
        otherHi = hi;
        (got ? met : missed) += 1;

        Point const a(coord(rng), coord(rng), coord(rng));
        Point const b = pick(rng) == 0 ? a : Point(coord(rng), coord(rng), coord(rng));
        Point const c(coord(rng), coord(rng), coord(rng));
        double expectedHit = -1.0, hit = -1.0;
        bool const expectedHits = StepwiseRayHitsTriangle(origin, direction, a, b, c, tMin, tMax, expectedHit);
        bool const gotHits = RayHitsTriangle(origin, direction, a, b, c, tMin, tMax, hit);
        ASSERT_EQ(gotHits, expectedHits) << i;
        if (gotHits)
        {
            ASSERT_EQ(std::memcmp(&hit, &expectedHit, sizeof hit), 0) << i;
        }
        hits += gotHits;
    }
    EXPECT_GT(met, 5000);
    EXPECT_GT(missed, 20000);
    EXPECT_GT(hits, 2000);
}

// Built over the mesh; at most ten triangles keep it a single leaf.
struct BuiltTree
{
    Tree tree{Tree::FineLeaves};
    explicit BuiltTree(MStlBase& mesh) { BuildOn(tree, mesh); }
};

// Of two triangles at the same distance or ray parameter the later one is reported: later in a
// leaf, or in a later child as far as an earlier one.
TEST(MutableTreeQueries, TiesReportTheLaterTriangleInALeafAndAcrossEquallyFarChildren)
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
    // Twelve triangles on either side of the origin, the nearest of each exactly 100 away: the
    // root's two children are equally far, so the later one is searched too and its triangle wins.
    MStlBase sides;
    PointPool sidesPool(sides);
    MStlTriangle* later = nullptr;
    for (int side : {-1, 1})
        for (int k = 11; k >= 0; --k)
        {
            int const x = side * (100 + k);
            later = sides.AddTriangle(sidesPool.At(x, 0, 0), sidesPool.At(x, 5, 0), sidesPool.At(x, 0, 5));
        }
    BuiltTree twoSides(sides);
    auto const tie = twoSides.tree.NearestTriangle(Point(0, 0, 0), kLargest);
    EXPECT_EQ(tie.triangle.Get(), later);
    EXPECT_EQ(tie.distance, 100.0);

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

// A batch of rays answers, bit for bit, as the same rays cast one at a time: on a lattice mesh full
// of shared corners and edges (equal hits in different leaves), in both modes, for batches shorter
// and longer than the rays kept in flight, with zero directions among the rays; and on a tree that
// is a single leaf, and one never built.
TEST(MutableTreeQueries, BatchedRaysAnswerAsSingleRays)
{
    LatticeMesh lattice(17, 3000, 12);
    std::mt19937 rng(23);
    std::uniform_int_distribution<int> at(-1, 13), step(-2, 2), pick(0, 7);
    std::uniform_real_distribution<double> real(-60.0, 660.0), unit(-1.0, 1.0);
    std::vector<Point> origins, directions;
    for (int i = 0; i < 3000; ++i)
    {
        origins.push_back(pick(rng) < 6 ? Point(50.0 * at(rng), 50.0 * at(rng), 50.0 * at(rng))
                                        : Point(real(rng), real(rng), real(rng)));
        int const kind = pick(rng);
        directions.push_back(kind == 0  ? Point(0, 0, 0)
                             : kind < 5 ? Point(step(rng), step(rng), step(rng))
                                        : Point(unit(rng), unit(rng), unit(rng)));
    }
    int hits = 0;
    auto expectSameAsSingleRays = [&](Tree& tree, std::size_t count)
    {
        std::vector<MeshQueries::ProjectPointResult<StlHandle>> batch(count);
        tree.ProjectPoints(origins.data(), directions.data(), count, batch.data());
        for (std::size_t i = 0; i < count; ++i)
        {
            auto const single = tree.ProjectPoint(origins[i], directions[i]);
            ASSERT_EQ(batch[i].triangle.Get(), single.triangle.Get()) << i;
            ASSERT_EQ(batch[i].mesh.GetMesh(), single.mesh.GetMesh()) << i;
            ASSERT_EQ(std::memcmp(&batch[i].distance, &single.distance, sizeof single.distance), 0) << i;
            ASSERT_EQ(std::memcmp(&batch[i].point, &single.point, sizeof single.point), 0) << i;
            hits += single.Found();
        }
    };
    for (Tree::Mode const mode : {Tree::FineLeaves, Tree::CoarseLeaves})
    {
        Tree tree(mode);
        BuildOn(tree, lattice.mesh);
        for (std::size_t const count : {0, 1, 5, 3000}) expectSameAsSingleRays(tree, count);
    }
    EXPECT_GT(hits, 2000);
    LatticeMesh few(5, 8, 2);
    Tree leaf(Tree::FineLeaves), unbuilt(Tree::FineLeaves);
    BuildOn(leaf, few.mesh);
    ASSERT_TRUE(leaf.GetRoot()->IsLeaf());
    expectSameAsSingleRays(leaf, 500);
    expectSameAsSingleRays(unbuilt, 20);
}
