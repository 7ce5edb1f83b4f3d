// The tolerance query and IsWithinTolerance over static object trees of mesh and compact triangles.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "collision/ToleranceQuery.h"
#include "support/random_scene.h"

namespace
{

using namespace MeshQueries;
using Point = MMPoint3d<double>;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

MMTransformMatrix SomePlacement()
{
    MMTransformMatrix m = MMTransformMatrix::Rotation(Point(1, 2, 3), 0.7);
    m.PostMultiply(MMTransformMatrix::Translation(Point(15.5, -20.25, 7)));
    return m;
}

TEST(ToleranceQuery, BoxDistanceIsTheGapToTheGrownBox)
{
    MStlBase mesh;
    MStlTriangle* t = mesh.AddTriangle(mesh.AddPoint(0, 0, 0), mesh.AddPoint(10, 0, 0), mesh.AddPoint(0, 10, 0));
    ToleranceQuery q = MakeToleranceQuery(t, MMTransformMatrix(), 1.0);
    // Query box [-1, 11] x [-1, 11] x [-1, 1].
    EXPECT_EQ(q.BoxDistance(M3DBoundingBox<double>(14, -5, 0, 20, 5, 0)), 9.0);
    EXPECT_EQ(q.BoxDistance(M3DBoundingBox<double>(-20, -20, 5, -5, -4, 9)), 16.0 + 9.0 + 16.0);
    EXPECT_EQ(q.BoxDistance(M3DBoundingBox<double>(11, 11, 1, 30, 30, 30)), 0.0);
}

TEST(ToleranceQuery, ExactlyAtTheToleranceIsWithinAndThenEverythingIsInfinite)
{
    MStlBase mesh;
    MStlTriangle* a = mesh.AddTriangle(mesh.AddPoint(0, 0, 0), mesh.AddPoint(100, 0, 0), mesh.AddPoint(0, 100, 0));
    MStlTriangle* b = mesh.AddTriangle(mesh.AddPoint(10, 10, 7), mesh.AddPoint(110, 10, 7), mesh.AddPoint(10, 110, 7));
    ToleranceQuery far = MakeToleranceQuery(a, MMTransformMatrix(), 6.999);
    EXPECT_EQ(far.ElementDistance(b), 49.0);
    EXPECT_FALSE(far.found);
    ToleranceQuery q = MakeToleranceQuery(a, MMTransformMatrix(), 7.0);
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

// Against a brute-force scan of every tree triangle, for mesh and compact trees, under a placement.
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
    int hits = 0;
    for (std::size_t i = 0; i < queryPart.NumberOfTriangles(); ++i)
    {
        MStlTriangle const* t = queryPart.GetTriangle(i);
        ToleranceQuery probe = MakeToleranceQuery(t, mapping, tolerance);
        bool expected = false;
        for (MStlTriangle const* other : treePart.GetTriangles())
        {
            Point const B[3] = {other->GetVertex(0), other->GetVertex(1), other->GetVertex(2)};
            if (TriangleDistanceSqr(probe.vertices, probe.normal, B, other->GetNormal()) <= tolerance * tolerance)
                expected = true;
        }
        ToleranceQuery q = MakeToleranceQuery(t, mapping, tolerance);
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
