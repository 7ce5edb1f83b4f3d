// Triangle-pair distance against closed forms and an independent reference, the segment and vector
// utilities it is made of, and the tolerance query over static trees of mesh and compact triangles.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "collision/ToleranceQuery.h"
#include "collision/TriangleDistance.h"
#include "collision_reference.h"
#include "support/random_scene.h"
#include "support/reference_geometry.h"

namespace
{

using namespace MeshQueries;
using vz_test::PointTriangleDistanceSqr;
using vz_test::RandomTriangle;
using Point = MMPoint3d<double>;

Point NormalOf(Point const T[3])
{
    Point const n = (T[1] - T[0]).Cross(T[2] - T[0]);
    double const len = n.Length();
    return len > 0 ? n / len : Point();
}

double Distance(Point const A[3], Point const B[3], Point* pA = nullptr, Point* pB = nullptr)
{
    return TriangleDistanceSqr(A, NormalOf(A), B, NormalOf(B), pA, pB);
}

double Diameter(Point const T[3])
{
    return std::max({(T[1] - T[0]).Length(), (T[2] - T[1]).Length(), (T[0] - T[2]).Length()});
}

void ExpectClosestPointsConsistent(Point const A[3], Point const B[3], double d2, Point const& pA, Point const& pB)
{
    double const scale = std::max(Diameter(A), Diameter(B));
    EXPECT_LE(PointTriangleDistanceSqr(pA, A[0], A[1], A[2]), 1e-18 * scale * scale + 1e-18);
    EXPECT_LE(PointTriangleDistanceSqr(pB, B[0], B[1], B[2]), 1e-18 * scale * scale + 1e-18);
    EXPECT_NEAR((pA - pB).LengthSquared(), d2, 1e-9 * (d2 + scale));
}

// Hand-worked pairs over one triangle A: a parallel copy above it, skew edges, piercing edges and a
// touching corner; the reported points follow the order in which the steps are tried.
TEST(TriangleDistance, ParallelSkewPiercingAndTouchingPairs)
{
    Point const A[3] = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}};
    Point const B[3] = {{10, 10, 7}, {110, 10, 7}, {10, 110, 7}};
    Point pA, pB;
    double const d2 = Distance(A, B, &pA, &pB);
    EXPECT_EQ(d2, 49.0);
    ExpectClosestPointsConsistent(A, B, d2, pA, pB);
    // Parallel edges never form an edge pair: the vertex step reports a vertex of B over A.
    EXPECT_EQ(pB.z, 7.0);
    EXPECT_EQ(pA.z, 0.0);

    Point const C[3] = {{-50, 0, 0}, {50, 0, 0}, {0, 0, -100}};
    Point const D[3] = {{0, -50, 7}, {0, 50, 7}, {0, 0, 107}};
    EXPECT_DOUBLE_EQ(Distance(C, D, &pA, &pB), 49.0);
    EXPECT_NEAR((pA - Point(0, 0, 0)).Length(), 0.0, 1e-12);
    EXPECT_NEAR((pB - Point(0, 0, 7)).Length(), 0.0, 1e-12);

    // Edge 0 of E pierces A at (10, 10, 0).
    Point const E[3] = {{10, 10, -50}, {10, 10, 50}, {60, 10, 0}};
    EXPECT_EQ(Distance(A, E, &pA, &pB), 0.0);
    EXPECT_EQ(pA, Point(10, 10, 0));
    EXPECT_EQ(pB, Point(10, 10, 0));
    // Edge 0 of F misses A; edge 0 of A crosses F at (30, 0, 0), before edge 1 of F is tested.
    Point const F[3] = {{30, -10, 20}, {30, -10, -20}, {30, 40, 0}};
    EXPECT_EQ(Distance(A, F, &pA, &pB), 0.0);
    EXPECT_NEAR((pA - Point(30, 0, 0)).Length(), 0.0, 1e-12);
    EXPECT_EQ(pA, pB);

    // A corner of G on an edge of A: no segment crosses, yet the distance is zero.
    Point const G[3] = {{50, 0, 0}, {50, -10, 30}, {50, 10, 30}};
    EXPECT_FALSE(SegmentCrossesTriangle(A, NormalOf(A), G[0], G[1]));
    EXPECT_FALSE(SegmentCrossesTriangle(G, NormalOf(G), A[0], A[1]));
    EXPECT_EQ(Distance(A, G, &pA, &pB), 0.0);
    EXPECT_EQ(pA, Point(50, 0, 0));
    EXPECT_EQ(pB, Point(50, 0, 0));
    EXPECT_EQ(Distance(A, A), 0.0) << "coincident";
}

TEST(TriangleDistance, SegmentCrossingRules)
{
    Point const T[3] = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}};
    Point const n(0, 0, 1);
    Point x;
    EXPECT_TRUE(SegmentCrossesTriangle(T, n, Point(20, 20, -1), Point(20, 20, 1), &x));
    EXPECT_EQ(x, Point(20, 20, 0));
    // Reversed winding normal: all three signs negative still crosses.
    EXPECT_TRUE(SegmentCrossesTriangle(T, Point(0, 0, -1), Point(20, 20, 1), Point(20, 20, -1)));
    // Ends count: a segment starting or ending in the plane crosses.
    EXPECT_TRUE(SegmentCrossesTriangle(T, n, Point(20, 20, 0), Point(20, 20, 5)));
    EXPECT_TRUE(SegmentCrossesTriangle(T, n, Point(20, 20, 5), Point(20, 20, 0)));
    // Through an edge or a vertex: no crossing.
    EXPECT_FALSE(SegmentCrossesTriangle(T, n, Point(50, 0, -1), Point(50, 0, 1)));
    EXPECT_FALSE(SegmentCrossesTriangle(T, n, Point(0, 0, -1), Point(0, 0, 1)));
    // In the plane, or stopping short of it.
    EXPECT_FALSE(SegmentCrossesTriangle(T, n, Point(10, 10, 0), Point(30, 30, 0)));
    EXPECT_FALSE(SegmentCrossesTriangle(T, n, Point(20, 20, 1), Point(20, 20, 3)));
    // The given normal decides: a normal lying in the plane sees every segment as parallel.
    EXPECT_FALSE(SegmentCrossesTriangle(T, Point(1, 0, 0), Point(20, 20, -1), Point(20, 20, 1)));
    // Null crossing point pointer is allowed; X is left alone when there is no crossing.
    Point untouched(1, 2, 3);
    EXPECT_FALSE(SegmentCrossesTriangle(T, n, Point(200, 200, -1), Point(200, 200, 1), &untouched));
    EXPECT_EQ(untouched, Point(1, 2, 3));
}

MStlTriangle const* AddTriangle(MStlBase& mesh, Point const T[3])
{
    MStlPoint* p[3];
    for (int k = 0; k < 3; ++k) p[k] = mesh.AddPoint(std::int32_t(T[k].x), std::int32_t(T[k].y), std::int32_t(T[k].z));
    return mesh.AddTriangle(p[0], p[1], p[2]);
}

// Random pairs, one in eight with the second triangle collapsed to a segment or a point, against the
// all-pairs reference; the mesh form gives exactly what the vertex form gives with the mesh normals.
TEST(TriangleDistance, RandomPairsMatchTheReference)
{
    std::mt19937 rng(77);
    for (int k = 0; k < 3000; ++k)
    {
        Point A[3], B[3];
        RandomTriangle(rng, k % 2 ? 60 : 300, 100, A);
        RandomTriangle(rng, k % 2 ? 60 : 300, 100, B);
        if (k % 8 == 0) B[2] = B[0] + (B[1] - B[0]) * 2.0;
        if (k % 16 == 0) B[1] = B[2] = B[0];
        Point pA, pB;
        double const d2 = Distance(A, B, &pA, &pB);
        double const reference = vz_test::TriangleDistanceSqr(A, B);
        double const scale = std::max(Diameter(A), Diameter(B));
        ASSERT_NEAR(std::sqrt(d2), std::sqrt(reference), 1e-7 * scale) << k;
        ExpectClosestPointsConsistent(A, B, d2, pA, pB);
        // Without points asked for, the same value.
        ASSERT_EQ(TriangleDistanceSqr(A, NormalOf(A), B, NormalOf(B)), d2);

        MStlBase mesh;
        MStlTriangle const* tA = AddTriangle(mesh, A);
        MStlTriangle const* tB = AddTriangle(mesh, B);
        Point qA, qB;
        ASSERT_EQ(TriangleDistanceSqr(tA, tB, &pA, &pB),
                  TriangleDistanceSqr(A, tA->GetNormal(), B, tB->GetNormal(), &qA, &qB));
        ASSERT_EQ(pA, qA);
        ASSERT_EQ(pB, qB);
    }
    MStlBase mesh;
    Point const T[3] = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}};
    EXPECT_EQ(TriangleDistanceSqr(AddTriangle(mesh, T), nullptr), 0.0);
}

TEST(TriangleDistanceUtilities, SafeLengthAndNormalized)
{
    EXPECT_EQ(SafeLength(Point(0, 0, 0)), 0.0);
    // Each coordinate in turn the largest, with either sign, and both others counted: 12² + 4² + 3² = 13².
    for (Point const& p : {Point(12, -4, 3), Point(4, 12, -3), Point(-3, 4, 12), Point(3, 4, 0)})
        EXPECT_DOUBLE_EQ(SafeLength(p), p.z == 0 ? 5.0 : 13.0);
    for (Point const& p : {Point(2, 2, 1), Point(1, 2, 2), Point(2, 1, 2)}) EXPECT_DOUBLE_EQ(SafeLength(p), 3.0);
    double const huge = 1e300;
    EXPECT_DOUBLE_EQ(SafeLength(Point(huge, huge, 0)), huge * std::sqrt(2.0));
    EXPECT_TRUE(std::isinf(Point(huge, huge, 0).Length()));
    EXPECT_DOUBLE_EQ(SafeLength(Point(1, 0, huge)), huge) << "z largest while x exceeds y";
    EXPECT_DOUBLE_EQ(SafeLength(Point(-huge, 1, 1)), huge) << "x largest, the others small";
    EXPECT_EQ(SafeLength(Point(-2, 0, 0)), 2.0);

    EXPECT_EQ(Normalized(Point(0, 0, 0)), Point(0, 0, 0));
    Point const n = Normalized(Point(3, 0, -4));
    EXPECT_DOUBLE_EQ(n.x, 0.6);
    EXPECT_DOUBLE_EQ(n.z, -0.8);
}

// Parallel lines of equal length: the start of the first is projected onto the second. Lines are
// parallel only strictly below the threshold: perpendicular lines whose a·e − b² is exactly 2^-26
// are solved as crossing lines (closest points (0.5, 0, 0) and (0.5, 0, 1)).
TEST(TriangleDistanceUtilities, ParallelLinesOfEqualLengthGiveSZeroAndTheThresholdIsStrict)
{
    double s = 1, t = 1;
    ClosestLineParameters(Point(0, 0, 0), Point(10, 0, 0), Point(3, 5, 0), Point(13, 5, 0), &s, &t);
    EXPECT_EQ(s, 0.0);
    EXPECT_DOUBLE_EQ(t, -0.3);
    double const step = std::ldexp(1.0, -13);
    ClosestLineParameters(Point(0, 0, 0), Point(1, 0, 0), Point(0.5, step / 2, 1), Point(0.5, 1.5 * step, 1), &s, &t);
    EXPECT_EQ(s, 0.5);
    EXPECT_EQ(t, -0.5);
}

TEST(TriangleDistanceUtilities, CompactNormalMatchesTheMeshNormal)
{
    MStlBase mesh;
    vz_test::AddRandomTriangles(mesh, 100, 1000, 300, 41);
    MStlTriangle* t = mesh.GetTriangle(0);
    mesh.AddTriangle(t->GetPoint(0), t->GetPoint(0), t->GetPoint(1)); // collapsed
    MStlCompact compact(mesh);
    for (std::size_t i = 0; i < mesh.NumberOfTriangles(); ++i)
    {
        Point const a = CompactTriangleNormal(compact, i), b = mesh.GetTriangle(i)->GetNormal();
        EXPECT_NEAR((a - b).Length(), 0.0, 1e-15);
    }
    EXPECT_EQ(CompactTriangleNormal(compact, mesh.NumberOfTriangles() - 1), Point(0, 0, 0));
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

MMTransformMatrix SomePlacement()
{
    MMTransformMatrix m = MMTransformMatrix::Rotation(Point(1, 2, 3), 0.7);
    m.PostMultiply(MMTransformMatrix::Translation(Point(15.5, -20.25, 7)));
    return m;
}

TEST(ToleranceQuery, BoxGapToTheGrownBoxAndExactlyAtTheToleranceIsWithinAndThenEverythingIsInfinite)
{
    MStlBase mesh;
    MStlTriangle* a = mesh.AddTriangle(mesh.AddPoint(0, 0, 0), mesh.AddPoint(100, 0, 0), mesh.AddPoint(0, 100, 0));
    MStlTriangle* b = mesh.AddTriangle(mesh.AddPoint(10, 10, 7), mesh.AddPoint(110, 10, 7), mesh.AddPoint(10, 110, 7));
    ToleranceQuery far = MakeToleranceQuery(a, MMTransformMatrix(), 6.999);
    EXPECT_EQ(far.ElementDistance(b), 49.0);
    EXPECT_FALSE(far.found);
    ToleranceQuery q = MakeToleranceQuery(a, MMTransformMatrix(), 7.0);
    // The query box is a's integer box grown by one unit: [-1, 101] x [-1, 101] x [-1, 1].
    EXPECT_EQ(q.BoxDistance(M3DBoundingBox<double>(108, -5, 0, 120, 5, 0)), 49.0);
    EXPECT_EQ(q.BoxDistance(M3DBoundingBox<double>(-20, -20, 5, -5, -4, 9)), 16.0 + 9.0 + 16.0);
    EXPECT_EQ(q.BoxDistance(M3DBoundingBox<double>(101, 101, 1, 130, 130, 130)), 0.0);
    EXPECT_EQ(q.ElementDistance(b), 49.0);
    EXPECT_TRUE(q.found);
    EXPECT_EQ(q.ElementDistance(b), kInfinity);
    EXPECT_EQ(q.BoxDistance(M3DBoundingBox<double>(0, 0, 0, 1, 1, 1)), kInfinity);

    MStlCompact compact(mesh);
    ToleranceQuery c = MakeToleranceQuery(compact, 0, MMTransformMatrix(), 7.0, &compact);
    EXPECT_EQ(c.ElementDistance(std::size_t(1)), 49.0);
    EXPECT_TRUE(c.found);
    EXPECT_EQ(c.ElementDistance(std::size_t(1)), kInfinity);
    // An index without its compact mesh names nothing.
    ToleranceQuery orphan = MakeToleranceQuery(compact, 0, MMTransformMatrix(), 7.0);
    EXPECT_EQ(orphan.ElementDistance(std::size_t(1)), kInfinity);
}

class WithinTolerance : public ::testing::TestWithParam<double>
{
};

// Against the all-pairs reference, for mesh and compact trees, under a placement.
TEST_P(WithinTolerance, MatchesBruteForce)
{
    double const tolerance = GetParam();
    MStlBase treePart, queryPart;
    vz_test::AddRandomTriangles(treePart, 800, 1500, 80, 1);
    vz_test::AddRandomTriangles(queryPart, 200, 1500, 80, 2);
    MStlCompact treeCompact(treePart), queryCompact(queryPart);
    std::vector<std::size_t> indexes(treeCompact.GetNumTriangles());
    for (std::size_t i = 0; i < indexes.size(); ++i) indexes[i] = i;
    M3DObjectTreeBase::Parameters params;
    M3DObjectTree<MStlTriangle const*> meshTree(MStlIteratorStlTriangleConst::Begin(&treePart),
                                                MStlIteratorStlTriangleConst::End(&treePart), params);
    M3DObjectTree<std::size_t> compactTree(indexes.begin(), indexes.end(), treeCompact, params);
    MMTransformMatrix const mapping = SomePlacement();
    std::vector<bool> const within = vz_test::WithinTolerance(
        vz_test::TrianglesOf(queryPart, mapping), vz_test::TrianglesOf(treePart, MMTransformMatrix()), tolerance);
    int hits = 0;
    for (std::size_t i = 0; i < queryPart.NumberOfTriangles(); ++i)
    {
        bool const expected = within[i];
        ToleranceQuery q = MakeToleranceQuery(queryPart.GetTriangle(i), mapping, tolerance);
        ASSERT_EQ(IsWithinTolerance(meshTree, q), expected) << i;
        ASSERT_EQ(q.found, expected);
        ToleranceQuery qc = MakeToleranceQuery(queryCompact, i, mapping, tolerance, &treeCompact);
        ASSERT_EQ(IsWithinTolerance(compactTree, qc), expected) << i;
        hits += expected;
    }
    if (tolerance > 0)
    {
        EXPECT_GT(hits, 0);
    }
    if (tolerance == kInfinity)
    {
        EXPECT_EQ(hits, int(queryPart.NumberOfTriangles()));
    }
    // An empty tree finds nothing, even at an infinite tolerance.
    MStlBase empty;
    M3DObjectTree<MStlTriangle const*> emptyTree(MStlIteratorStlTriangleConst::Begin(&empty),
                                                 MStlIteratorStlTriangleConst::End(&empty));
    ToleranceQuery q = MakeToleranceQuery(queryPart.GetTriangle(0), mapping, kInfinity);
    EXPECT_FALSE(IsWithinTolerance(emptyTree, q));
}

INSTANTIATE_TEST_SUITE_P(Tolerances, WithinTolerance, ::testing::Values(0.0, 20.0, 150.0, kInfinity));

} // namespace
