#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "tree_test_support.h"
#include "trees/MStl3DTriangleTreeMutableManager.h"

namespace
{

using namespace vz_test;
using Manager = MeshQueriesMutable::MStl3DTriangleTreeMutableManager;
constexpr double kLargest = std::numeric_limits<double>::max();
constexpr std::size_t kNoBudget = std::numeric_limits<std::size_t>::max();

// A lattice mesh edited at random through every notification the manager listens to.
struct EditedMesh : LatticeMesh
{
    explicit EditedMesh(unsigned seed, int count) : LatticeMesh(seed, count, 14) {}

    int Near(int v) { return v + 50 * std::uniform_int_distribution<int>(-2, 2)(rng); }
    MStlPoint* NearPoint(MStlPoint const* p) { return pool.At(Near(p->x), Near(p->y), Near(p->z)); }
    MStlTriangle* RandomTriangle()
    {
        auto const& all = mesh.GetTriangles();
        return all[std::uniform_int_distribution<std::size_t>(0, all.size() - 1)(rng)];
    }
    MStlPoint* RandomUsedPoint() { return RandomTriangle()->GetPoint(std::uniform_int_distribution<int>(0, 2)(rng)); }

    void RandomEdit()
    {
        int const kind = mesh.NumberOfTriangles() < 20 ? 0 : std::uniform_int_distribution<int>(0, 5)(rng);
        if (kind <= 1)
        {
            Add();
        }
        else if (kind == 2)
        {
            mesh.RemoveTriangle(RandomTriangle());
        }
        else if (kind == 3)
        {
            MStlPoint* const a = RandomUsedPoint();
            mesh.ChangeTriangle(RandomTriangle(), a, NearPoint(a), NearPoint(a));
        }
        else if (kind == 4)
        {
            MStlPoint* const p = RandomUsedPoint();
            mesh.MovePoint(p, MMPoint3d<long>(Near(p->x), Near(p->y), Near(p->z)));
        }
        else
        {
            std::vector<MStlPoint*> points;
            std::vector<MMPoint3d<long>> positions;
            for (int i = 0; i < 4; ++i)
            {
                MStlPoint* const p = RandomUsedPoint();
                if (std::find(points.begin(), points.end(), p) != points.end()) continue;
                points.push_back(p);
                positions.emplace_back(Near(p->x), Near(p->y), Near(p->z));
            }
            mesh.MovePoints(points, positions);
        }
    }
};

void ExpectQueriesMatchBruteForce(Manager& m, EditedMesh& e, int rounds)
{
    auto along = [&](std::vector<Triangle>& out, Point const& o, Point const& d, double lo, double hi)
    { m.GetTrianglesAlongLineSegment(out, o, d, lo, hi); };
    auto inside = [&](std::vector<Triangle>& out, Point const& lo, Point const& hi)
    { m.GetTrianglesInsideBBox(out, lo, hi); };
    // A ray direction of length 3 checks that the manager reports distances, not parameters.
    ExpectRandomQueriesMatchBruteForce(m, along, inside, e, rounds, 3, 0, 8);
    M3DBoundingBox<double> box;
    ASSERT_TRUE(m.GetBBox(box));
    M3DBoundingBox<long> const exact = e.mesh.GetBoundingBox();
    for (int k = 0; k < 3; ++k)
    {
        EXPECT_EQ(box.min[k], double(exact.min[k]));
        EXPECT_EQ(box.max[k], double(exact.max[k]));
    }
}

TEST(MutableTreeManager, LongRandomEditSequencesAnswerAsBruteForce)
{
    struct Run
    {
        unsigned seed;
        std::size_t budget;
        Tree::Mode mode;
        int steps;
    };
    for (Run const& run :
         {Run{1, kNoBudget, Tree::FineLeaves, 160}, Run{2, kNoBudget, Tree::CoarseLeaves, 160},
          Run{3, 37, Tree::FineLeaves, 200}, Run{4, 1, Tree::CoarseLeaves, 100}, Run{5, 0, Tree::FineLeaves, 30}})
    {
        EditedMesh e(run.seed, 300);
        Manager m(StlHandle(&e.mesh), run.budget, run.mode);
        for (int step = 0; step < run.steps && !::testing::Test::HasFailure(); ++step)
        {
            for (int i = std::uniform_int_distribution<int>(1, 12)(e.rng); i > 0; --i)
            {
                e.RandomEdit();
                // A zero budget counts nothing and keeps nothing pending: every update rebuilds.
                if (run.budget == 0)
                {
                    EXPECT_EQ(m.GetOperationCount(), 0u);
                    EXPECT_EQ(m.GetPendingCount(), 0u);
                }
            }
            ExpectQueriesMatchBruteForce(m, e, 3);
            ExpectTreeHoldsMesh(m.GetTree(), e.mesh);
            EXPECT_EQ(m.GetPendingCount(), 0u) << "seed " << run.seed << " step " << step;
        }
    }
}

// m triangles, then k more: inserted one by one while k <= m / 5, rebuilt beyond.
TEST(MutableTreeManager, OneFifthRuleAtItsBoundary)
{
    for (int k : {10, 11})
    {
        EditedMesh e(6, 50);
        Manager m(StlHandle(&e.mesh), 1000, Tree::FineLeaves);
        // A new manager has nothing to update.
        Tree::BaseNode const* const root = m.GetTree().GetRoot();
        m.UpdateTree();
        EXPECT_EQ(m.GetTree().GetRoot(), root);
        EXPECT_EQ(m.GetOperationCount(), 0u);
        e.Add(k);
        EXPECT_EQ(m.GetPendingCount(), std::size_t(k));
        EXPECT_EQ(m.GetOperationCount(), std::size_t(k));
        m.UpdateTree();
        EXPECT_EQ(m.GetPendingCount(), 0u);
        EXPECT_EQ(m.GetOperationCount(), k == 10 ? 10u : 0u) << "k = " << k;
        ExpectTreeHoldsMesh(m.GetTree(), e.mesh, k == 11);
    }
}

TEST(MutableTreeManager, EventCountingRules)
{
    EditedMesh e(7, 200);
    Manager m(StlHandle(&e.mesh), 1000, Tree::FineLeaves);
    // Removing a triangle that is only pending erases it without counting.
    e.Add();
    EXPECT_EQ(m.GetOperationCount(), 1u);
    e.mesh.RemoveTriangle(e.mesh.GetTriangles().back());
    EXPECT_EQ(m.GetOperationCount(), 1u);
    EXPECT_EQ(m.GetPendingCount(), 0u);
    // Removing a triangle of the tree counts once.
    e.mesh.RemoveTriangle(e.mesh.GetTriangles().front());
    EXPECT_EQ(m.GetOperationCount(), 2u);
    // A change of a tree triangle counts its removal and its insertion.
    MStlTriangle* const t = e.mesh.GetTriangles()[5];
    e.mesh.ChangeTriangle(t, t->GetPoint(2), t->GetPoint(1), t->GetPoint(0));
    EXPECT_EQ(m.GetOperationCount(), 4u);
    EXPECT_EQ(m.GetPendingCount(), 1u);
    // A change of a pending triangle only counts the insertion.
    e.mesh.ChangeTriangle(t, t->GetPoint(2), t->GetPoint(1), t->GetPoint(0));
    EXPECT_EQ(m.GetOperationCount(), 5u);
    EXPECT_EQ(m.GetPendingCount(), 1u);
    // Moving a point reports each of its triangles as changed.
    m.UpdateTree();
    MStlPoint* const p = t->GetPoint(0);
    std::size_t users = 0;
    for (MStlTriangle* u = p->GetFirstTriangle(); u; u = u->NextTriangleAround(p)) ++users;
    std::size_t const before = m.GetOperationCount();
    e.mesh.MovePoint(p, MMPoint3d<long>(p->x + 7, p->y, p->z));
    EXPECT_EQ(m.GetOperationCount(), before + 2 * users);
    EXPECT_EQ(m.GetPendingCount(), users);
    ExpectQueriesMatchBruteForce(m, e, 5);
}

// Once the count reaches the budget, further events are ignored and the next update rebuilds;
// lowering the budget below the count spends it at once.
TEST(MutableTreeManager, SpentBudgetIgnoresEventsAndRebuilds)
{
    EditedMesh e(8, 200);
    Manager m(StlHandle(&e.mesh), 5, Tree::FineLeaves);
    e.Add(5);
    EXPECT_EQ(m.GetOperationCount(), 5u);
    EXPECT_EQ(m.GetPendingCount(), 5u);
    e.Add(5);
    e.mesh.RemoveTriangle(e.mesh.GetTriangles()[3]);
    EXPECT_EQ(m.GetOperationCount(), 5u);
    EXPECT_EQ(m.GetPendingCount(), 5u);
    ExpectQueriesMatchBruteForce(m, e, 5);
    EXPECT_EQ(m.GetOperationCount(), 0u);
    ExpectTreeHoldsMesh(m.GetTree(), e.mesh, true);

    m.SetInvalidateEveryNOperations(100);
    e.Add(6);
    m.UpdateTree();
    EXPECT_EQ(m.GetOperationCount(), 6u);
    m.SetInvalidateEveryNOperations(4);
    EXPECT_EQ(m.GetOperationCount(), 6u);
    e.Add(); // ignored: the budget is spent
    EXPECT_EQ(m.GetPendingCount(), 0u);
    m.UpdateTree();
    EXPECT_EQ(m.GetOperationCount(), 0u);
    ExpectTreeHoldsMesh(m.GetTree(), e.mesh, true);
}

TEST(MutableTreeManager, EmptyMeshReportsEmptyBoxAndFindsNothing)
{
    MStlBase mesh;
    Manager m(StlHandle(&mesh), 10, Tree::FineLeaves);
    M3DBoundingBox<double> box;
    ASSERT_TRUE(m.GetBBox(box));
    for (int k = 0; k < 3; ++k)
    {
        EXPECT_EQ(box.min[k], MeshQueries::TrianglesGroupBBox3D::EmptyMarker());
        EXPECT_EQ(box.max[k], 0.0);
    }
    EXPECT_FALSE(m.NearestTriangle(Point(1, 2, 3), kLargest).Found());
    EXPECT_FALSE(m.ProjectPoint(Point(1, 2, 3), Point(0, 0, 1)).Found());
    // The first triangle is more than a fifth of an empty mesh: the update rebuilds.
    PointPool pool(mesh);
    MStlTriangle* const t = mesh.AddTriangle(pool.At(0, 0, 0), pool.At(10, 0, 0), pool.At(0, 10, 0));
    ASSERT_TRUE(m.GetBBox(box)); // the box alone brings the tree up to date
    EXPECT_EQ(box.max[0], 10.0);
    auto const r = m.NearestTriangle(Point(1, 1, 4), 4.0);
    EXPECT_EQ(r.triangle.Get(), t);
    EXPECT_EQ(r.distance, 4.0);
    EXPECT_EQ(m.GetOperationCount(), 0u);
    EXPECT_FALSE(m.ProjectPoint(Point(1, 1, 4), Point(0, 0, 0)).Found());
}

} // namespace
