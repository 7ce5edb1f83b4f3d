#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "mutable_tree_test_support.h"
#include "trees/MStl3DTriangleTreeMutableManager.h"

namespace {

using namespace mutable_tree_test;
using Manager = MeshQueriesMutable::MStl3DTriangleTreeMutableManager;
constexpr double kLargest = std::numeric_limits<double>::max();
constexpr std::size_t kNoBudget = std::numeric_limits<std::size_t>::max();

// A mesh, its point pool, and random edits through every notification the manager listens to.
struct EditedMesh {
    MStlBase mesh;
    PointPool pool{mesh};
    std::mt19937 rng;
    int span;

    explicit EditedMesh(unsigned seed, int span_ = 14) : rng(seed), span(span_) {}

    int Lattice() { return 50 * std::uniform_int_distribution<int>(0, span)(rng); }
    int Near(int v) { return v + 50 * std::uniform_int_distribution<int>(-2, 2)(rng); }
    MStlPoint* NearPoint(MStlPoint const* p) { return pool.At(Near(p->x), Near(p->y), Near(p->z)); }
    MStlPoint* RandomPoint() { return pool.At(Lattice(), Lattice(), Lattice()); }
    MStlTriangle* RandomTriangle()
    {
        auto const& all = mesh.GetTriangles();
        return all[std::uniform_int_distribution<std::size_t>(0, all.size() - 1)(rng)];
    }
    MStlPoint* RandomUsedPoint() { return RandomTriangle()->GetPoint(std::uniform_int_distribution<int>(0, 2)(rng)); }

    void Add()
    {
        MStlPoint* const a = RandomPoint();
        mesh.AddTriangle(a, NearPoint(a), NearPoint(a));
    }
    void RandomEdit()
    {
        int const kind = mesh.NumberOfTriangles() < 20 ? 0 : std::uniform_int_distribution<int>(0, 5)(rng);
        switch (kind) {
        case 0:
        case 1:
            Add();
            break;
        case 2:
            mesh.RemoveTriangle(RandomTriangle());
            break;
        case 3: {
            MStlPoint* const a = RandomPoint();
            mesh.ChangeTriangle(RandomTriangle(), a, NearPoint(a), NearPoint(a));
            break;
        }
        case 4: {
            MStlPoint* const p = RandomUsedPoint();
            mesh.MovePoint(p, MMPoint3d<long>(Near(p->x), Near(p->y), Near(p->z)));
            break;
        }
        default: {
            std::vector<MStlPoint*> points;
            std::vector<MMPoint3d<long>> positions;
            for (int i = 0; i < 4; ++i) {
                MStlPoint* const p = RandomUsedPoint();
                if (std::find(points.begin(), points.end(), p) != points.end()) continue;
                points.push_back(p);
                positions.emplace_back(Near(p->x), Near(p->y), Near(p->z));
            }
            mesh.MovePoints(points, positions);
            break;
        }
        }
    }
};

void ExpectQueriesMatchBruteForce(Manager& m, EditedMesh& e, int rounds)
{
    std::uniform_int_distribution<int> lattice(-2, e.span + 2), axisPick(0, 5), dir(-2, 2);
    std::uniform_real_distribution<double> real(-100.0, 50.0 * e.span + 100.0), extent(0.0, 200.0);
    for (int i = 0; i < rounds; ++i) {
        Point const p(real(e.rng), real(e.rng), real(e.rng));
        double const maxDistance = i % 2 ? kLargest : extent(e.rng);
        ExpectNearestMatchesBruteForce(m.NearestTriangle(p, maxDistance), e.mesh, p, maxDistance);

        I3 const o{50 * lattice(e.rng), 50 * lattice(e.rng), 50 * lattice(e.rng)};
        int const a = axisPick(e.rng);
        I3 axis{0, 0, 0};
        (a % 3 == 0 ? axis.x : a % 3 == 1 ? axis.y : axis.z) = a < 3 ? 3 : -3;
        ExpectAxisRayMatchesExact(m.ProjectPoint(ToPoint(o), ToPoint(axis)), e.mesh, o, I3{axis.x / 3, axis.y / 3, axis.z / 3});

        I3 const d{25 * dir(e.rng), 25 * dir(e.rng), 25 * dir(e.rng)};
        std::vector<Triangle> along;
        m.GetTrianglesAlongLineSegment(along, ToPoint(o), ToPoint(d), 0.0, 8.0);
        EXPECT_EQ(Sorted(along), ExactSegmentHits(e.mesh, o, d, 0, 8));

        Point const lo(real(e.rng), real(e.rng), real(e.rng));
        Point const hi = lo + Point(extent(e.rng), extent(e.rng), extent(e.rng));
        std::vector<Triangle> inside;
        m.GetTrianglesInsideBBox(inside, lo, hi);
        EXPECT_EQ(Sorted(inside), BruteBoxHits(e.mesh, M3DBoundingBox<double>(lo, hi)));
    }
    M3DBoundingBox<double> box;
    ASSERT_TRUE(m.GetBBox(box));
    M3DBoundingBox<long> const exact = e.mesh.GetBoundingBox();
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(box.min[k], double(exact.min[k]));
        EXPECT_EQ(box.max[k], double(exact.max[k]));
    }
}

void RunEditSequence(unsigned seed, std::size_t budget, Manager::Mode mode, int steps)
{
    EditedMesh e(seed);
    for (int i = 0; i < 300; ++i) e.Add();
    Manager m(StlHandle(&e.mesh), budget, mode);
    std::uniform_int_distribution<int> batch(1, 12);
    for (int step = 0; step < steps; ++step) {
        int const edits = batch(e.rng);
        for (int i = 0; i < edits; ++i) e.RandomEdit();
        ExpectQueriesMatchBruteForce(m, e, 3);
        ExpectTreeHoldsMesh(m.GetTree(), e.mesh);
        EXPECT_EQ(m.GetPendingCount(), 0u);
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "seed " << seed << " step " << step;
            return;
        }
    }
}

TEST(MutableTreeManager, LongRandomEditSequencesAnswerAsBruteForce)
{
    RunEditSequence(1, kNoBudget, Tree::FineLeaves, 160);
    RunEditSequence(2, kNoBudget, Tree::CoarseLeaves, 160);
}

TEST(MutableTreeManager, LongRandomEditSequencesWithFrequentRebuilds)
{
    RunEditSequence(3, 37, Tree::FineLeaves, 200);
    RunEditSequence(4, 1, Tree::CoarseLeaves, 100);
}

TEST(MutableTreeManager, NewManagerHasNothingToUpdate)
{
    EditedMesh e(5);
    for (int i = 0; i < 100; ++i) e.Add();
    Manager m(StlHandle(&e.mesh), 1000, Tree::FineLeaves);
    EXPECT_EQ(m.GetPendingCount(), 0u);
    EXPECT_EQ(m.GetOperationCount(), 0u);
    ExpectTreeHoldsMesh(m.GetTree(), e.mesh);
    Tree::BaseNode const* const root = m.GetTree().GetRoot();
    m.UpdateTree();
    EXPECT_EQ(m.GetTree().GetRoot(), root);
}

// m triangles, then k more: inserted one by one while k <= m / 5, rebuilt beyond.
TEST(MutableTreeManager, OneFifthRuleAtItsBoundary)
{
    for (int k : {10, 11}) {
        EditedMesh e(6);
        for (int i = 0; i < 50; ++i) e.Add();
        Manager m(StlHandle(&e.mesh), 1000, Tree::FineLeaves);
        for (int i = 0; i < k; ++i) e.Add();
        EXPECT_EQ(m.GetPendingCount(), std::size_t(k));
        EXPECT_EQ(m.GetOperationCount(), std::size_t(k));
        m.UpdateTree();
        EXPECT_EQ(m.GetPendingCount(), 0u);
        EXPECT_EQ(m.GetOperationCount(), k == 10 ? 10u : 0u) << "k = " << k;
        ExpectTreeHoldsMesh(m.GetTree(), e.mesh);
    }
}

TEST(MutableTreeManager, EventCountingRules)
{
    EditedMesh e(7);
    for (int i = 0; i < 200; ++i) e.Add();
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

TEST(MutableTreeManager, SpentBudgetIgnoresEventsAndRebuilds)
{
    EditedMesh e(8);
    for (int i = 0; i < 200; ++i) e.Add();
    Manager m(StlHandle(&e.mesh), 5, Tree::FineLeaves);
    for (int i = 0; i < 5; ++i) e.Add();
    EXPECT_EQ(m.GetOperationCount(), 5u);
    EXPECT_EQ(m.GetPendingCount(), 5u);
    for (int i = 0; i < 5; ++i) e.Add();
    e.mesh.RemoveTriangle(e.mesh.GetTriangles()[3]);
    EXPECT_EQ(m.GetOperationCount(), 5u);
    EXPECT_EQ(m.GetPendingCount(), 5u);
    ExpectQueriesMatchBruteForce(m, e, 5);
    EXPECT_EQ(m.GetOperationCount(), 0u);
    ExpectTreeHoldsMesh(m.GetTree(), e.mesh);
}

TEST(MutableTreeManager, LoweringTheBudgetBelowTheCountForcesARebuild)
{
    EditedMesh e(9);
    for (int i = 0; i < 200; ++i) e.Add();
    Manager m(StlHandle(&e.mesh), 100, Tree::CoarseLeaves);
    for (int i = 0; i < 6; ++i) e.Add();
    m.UpdateTree();
    EXPECT_EQ(m.GetOperationCount(), 6u);
    m.SetInvalidateEveryNOperations(4);
    EXPECT_EQ(m.GetOperationCount(), 6u);
    e.Add();  // ignored: the budget is spent
    EXPECT_EQ(m.GetPendingCount(), 0u);
    m.UpdateTree();
    EXPECT_EQ(m.GetOperationCount(), 0u);
    ExpectTreeHoldsMesh(m.GetTree(), e.mesh);
}

TEST(MutableTreeManager, ZeroBudgetRebuildsOnEveryUpdate)
{
    EditedMesh e(10);
    for (int i = 0; i < 100; ++i) e.Add();
    Manager m(StlHandle(&e.mesh), 0, Tree::FineLeaves);
    for (int i = 0; i < 20; ++i) {
        e.RandomEdit();
        EXPECT_EQ(m.GetOperationCount(), 0u);
        EXPECT_EQ(m.GetPendingCount(), 0u);
    }
    ExpectQueriesMatchBruteForce(m, e, 10);
}

TEST(MutableTreeManager, OutputsAreAppendedNeverCleared)
{
    EditedMesh e(11);
    for (int i = 0; i < 300; ++i) e.Add();
    Manager m(StlHandle(&e.mesh), kNoBudget, Tree::FineLeaves);
    MStlTriangle* const marker = e.mesh.GetTriangles()[0];
    std::vector<Triangle> out(3, Triangle(marker));
    Point const lo(0, 0, 0), hi(400, 400, 400);
    m.GetTrianglesInsideBBox(out, lo, hi);
    std::size_t const once = out.size() - 3;
    ASSERT_GT(once, 0u);
    m.GetTrianglesInsideBBox(out, lo, hi);
    EXPECT_EQ(out.size(), 3 + 2 * once);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i].Get(), marker);

    std::vector<Triangle> along(2, Triangle(marker));
    m.GetTrianglesAlongLineSegment(along, Point(-25, 175, 175), Point(1, 0, 0), 0.0, 1000.0);
    std::size_t const hits = along.size() - 2;
    m.GetTrianglesAlongLineSegment(along, Point(-25, 175, 175), Point(1, 0, 0), 0.0, 1000.0);
    EXPECT_EQ(along.size(), 2 + 2 * hits);
    EXPECT_EQ(along[0].Get(), marker);
    EXPECT_EQ(along[1].Get(), marker);
}

TEST(MutableTreeManager, EmptyMeshReportsEmptyBoxAndFindsNothing)
{
    MStlBase mesh;
    Manager m(StlHandle(&mesh), 10, Tree::FineLeaves);
    M3DBoundingBox<double> box;
    ASSERT_TRUE(m.GetBBox(box));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(box.min[k], MeshQueries::TrianglesGroupBBox3D::EmptyMarker());
        EXPECT_EQ(box.max[k], 0.0);
    }
    EXPECT_FALSE(m.NearestTriangle(Point(1, 2, 3), kLargest).Found());
    EXPECT_FALSE(m.ProjectPoint(Point(1, 2, 3), Point(0, 0, 1)).Found());
    // The first triangle is more than a fifth of an empty mesh: the update rebuilds.
    PointPool pool(mesh);
    MStlTriangle* const t = mesh.AddTriangle(pool.At(0, 0, 0), pool.At(10, 0, 0), pool.At(0, 10, 0));
    auto const r = m.NearestTriangle(Point(1, 1, 4), 4.0);
    EXPECT_EQ(r.triangle.Get(), t);
    EXPECT_EQ(r.distance, 4.0);
    EXPECT_EQ(m.GetOperationCount(), 0u);
    EXPECT_FALSE(m.ProjectPoint(Point(1, 1, 4), Point(0, 0, 0)).Found());
}

} // namespace
