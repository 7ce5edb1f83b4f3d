#include <gtest/gtest.h>

#include <functional>
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

double RefTriangleDistanceSqr(Point const& p, MStlTriangle const* t)
{
    return PointTriangleDistanceSqr(p, t->GetVertex(0), t->GetVertex(1), t->GetVertex(2));
}

std::vector<MStlTriangle*> Sorted(std::vector<Triangle> const& v)
{
    std::vector<MStlTriangle*> r;
    for (auto const& t : v) r.push_back(t.Get());
    std::sort(r.begin(), r.end());
    return r;
}

// Nearest triangle against every triangle of the mesh, measured by the reference distance.
void ExpectNearestMatchesBruteForce(MeshQueries::NearestTriangleResult<StlHandle> const& r, MStlBase const& mesh,
                                    Point const& p, double maxDistance)
{
    double best = std::numeric_limits<double>::infinity();
    for (MStlTriangle const* t : mesh.GetTriangles()) best = std::min(best, RefTriangleDistanceSqr(p, t));
    bool const limited = maxDistance != std::numeric_limits<double>::max();
    bool const expectFound = mesh.NumberOfTriangles() > 0 && (!limited || best <= maxDistance * maxDistance);
    ASSERT_EQ(r.Found(), expectFound) << "point " << p.x << " " << p.y << " " << p.z;
    if (!expectFound)
    {
        EXPECT_EQ(r.mesh.GetMesh(), nullptr);
        EXPECT_EQ(r.point, Point(0, 0, 0));
        return;
    }
    double const tol = 1e-9 * (1.0 + std::sqrt(best));
    EXPECT_NEAR(r.distance, std::sqrt(best), tol);
    EXPECT_NEAR(std::sqrt(RefTriangleDistanceSqr(p, r.triangle.Get())), std::sqrt(best), tol);
    EXPECT_EQ(r.point, p);
    EXPECT_FALSE(r.flag);
    EXPECT_EQ(r.mesh.GetMesh(), &mesh);
}

// First hit of a ray along an axis from an integer origin, against the exact reference.
void ExpectAxisRayMatchesExact(MeshQueries::ProjectPointResult<StlHandle> const& r, MStlBase const& mesh,
                               I3 const& origin, I3 const& axis)
{
    ExactHit first;
    for (MStlTriangle const* t : mesh.GetTriangles())
    {
        ExactHit const h = ExactLineHit(origin, axis, t);
        if (!h.hit || h.num < 0) continue;
        if (!first.hit || h.num * first.den < first.num * h.den) first = h;
    }
    ASSERT_EQ(r.Found(), first.hit) << "origin " << origin.x << " " << origin.y << " " << origin.z;
    if (!first.hit) return;
    EXPECT_EQ(r.distance, first.T());
    ExactHit const own = ExactLineHit(origin, axis, r.triangle.Get());
    ASSERT_TRUE(own.hit);
    EXPECT_EQ(own.num * first.den, first.num * own.den);
    Point const o(double(origin.x), double(origin.y), double(origin.z));
    EXPECT_EQ(r.point, o + Point(double(axis.x), double(axis.y), double(axis.z)) * first.T());
}

// Triangles met by the integer segment origin + t*direction, t in [lo, hi], by the exact reference.
std::vector<MStlTriangle*> ExactSegmentHits(MStlBase const& mesh, I3 const& origin, I3 const& direction,
                                            std::int64_t lo, std::int64_t hi)
{
    std::vector<MStlTriangle*> hits;
    for (MStlTriangle* t : mesh.GetTriangles())
        if (ExactWithin(ExactLineHit(origin, direction, t), lo, hi)) hits.push_back(t);
    std::sort(hits.begin(), hits.end());
    return hits;
}

std::vector<MStlTriangle*> BruteBoxHits(MStlBase const& mesh, M3DBoundingBox<double> const& box)
{
    std::vector<MStlTriangle*> hits;
    for (MStlTriangle* t : mesh.GetTriangles())
        if (box.DoesIntersectTriangle(t->GetVertex(0), t->GetVertex(1), t->GetVertex(2))) hits.push_back(t);
    std::sort(hits.begin(), hits.end());
    return hits;
}

Point ToPoint(I3 const& p) { return Point(double(p.x), double(p.y), double(p.z)); }

// Random nearest, axis-ray, segment and box queries against brute force over the lattice mesh, then
// the box. A ray direction of length 3 checks that the manager reports distances, not parameters;
// segments cover [-2, 8] of their integer direction, so they also start behind their origin.
void ExpectQueriesMatchBruteForce(Manager& m, EditedMesh& e, int rounds)
{
    std::int64_t const axisLength = 3, lo = -2, hi = 8;
    std::uniform_int_distribution<int> lattice(-2, e.span + 2), axisPick(0, 5), dir(-2, 2);
    std::uniform_real_distribution<double> real(-100.0, 50.0 * e.span + 100.0), extent(0.0, 200.0);
    // The first question after an edit must bring the tree up to date itself, whichever kind it is.
    std::uniform_int_distribution<int> firstKind(0, 3);
    for (int i = 0; i < rounds; ++i)
    {
        auto nearest = [&]
        {
            Point const p(real(e.rng), real(e.rng), real(e.rng));
            double const maxDistance = i % 2 ? std::numeric_limits<double>::max() : extent(e.rng);
            ExpectNearestMatchesBruteForce(m.NearestTriangle(p, maxDistance), e.mesh, p, maxDistance);
        };
        I3 const o{50 * lattice(e.rng), 50 * lattice(e.rng), 50 * lattice(e.rng)};
        auto ray = [&]
        {
            int const a = axisPick(e.rng);
            I3 axis{0, 0, 0};
            (a % 3 == 0 ? axis.x : a % 3 == 1 ? axis.y : axis.z) = a < 3 ? 1 : -1;
            I3 const scaled{axis.x * axisLength, axis.y * axisLength, axis.z * axisLength};
            // As a batch of one first: a batch, too, must bring the tree up to date.
            Point const origin = ToPoint(o), direction = ToPoint(scaled);
            MeshQueries::ProjectPointResult<StlHandle> batched;
            m.ProjectPoints(&origin, &direction, 1, &batched);
            ExpectAxisRayMatchesExact(batched, e.mesh, o, axis);
            ExpectAxisRayMatchesExact(m.ProjectPoint(origin, direction), e.mesh, o, axis);
        };
        // The queries append to the caller's vector and never clear it: a marker put first stays.
        MStlTriangle* const marker = e.mesh.GetTriangles().front();
        auto segment = [&]
        {
            I3 const d{25 * dir(e.rng), 25 * dir(e.rng), 25 * dir(e.rng)};
            std::vector<Triangle> hits(1, Triangle(marker));
            m.GetTrianglesAlongLineSegment(hits, ToPoint(o), ToPoint(d), double(lo), double(hi));
            ASSERT_EQ(hits.front().Get(), marker);
            hits.erase(hits.begin());
            EXPECT_EQ(Sorted(hits), ExactSegmentHits(e.mesh, o, d, lo, hi));
        };
        auto box = [&]
        {
            Point const boxLo(real(e.rng), real(e.rng), real(e.rng));
            Point const boxHi = boxLo + Point(extent(e.rng), extent(e.rng), extent(e.rng));
            std::vector<Triangle> hits(1, Triangle(marker));
            m.GetTrianglesInsideBBox(hits, boxLo, boxHi);
            ASSERT_EQ(hits.front().Get(), marker);
            hits.erase(hits.begin());
            EXPECT_EQ(Sorted(hits), BruteBoxHits(e.mesh, M3DBoundingBox<double>(boxLo, boxHi)));
        };
        std::function<void()> const kinds[4] = {nearest, ray, segment, box};
        for (int k = 0, first = firstKind(e.rng); k < 4; ++k) kinds[(first + k) % 4]();
    }
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
