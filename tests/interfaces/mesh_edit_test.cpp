// Mesh edits against a scan of every triangle: element numbering, the lists of triangles around each
// point, neighbours across edges and the neighbour finder's counts, through random additions,
// removals, changes, inversions and moves on a few shared points (repeated corners included); data
// masks following the renumbering; refusal of another mesh's elements.
#include <gtest/gtest.h>

#include "interfaces/MeshData.h"
#include <map>
#include <random>
#include <set>
#include <vector>

namespace
{
bool Runs(MStlTriangle const* t, MStlPoint const* from, MStlPoint const* to)
{
    for (int k = 0; k < 3; ++k)
        if (t->GetPoint(k) == from && t->GetPoint((k + 1) % 3) == to) return true;
    return false;
}

bool Uses(MStlTriangle const* t, MStlPoint const* p)
{
    return t->GetPoint(0) == p || t->GetPoint(1) == p || t->GetPoint(2) == p;
}

// Position of t in the list of triangles at p (0 = first).
std::size_t PositionAround(MStlPoint const* p, MStlTriangle const* t)
{
    std::size_t i = 0;
    for (MStlTriangle const* u = p->GetFirstTriangle(); u; u = u->NextTriangleAround(p), ++i)
        if (u == t) return i;
    return std::size_t(-1);
}

// Across edge i of t: of all other triangles, those running the edge backwards win over those
// running it the same way; among equals, the one first in the list at vertex i.
MStlTriangle const* ExpectedNeighbour(MStlBase const& mesh, MStlTriangle const* t, int i)
{
    MStlPoint const* const a = t->GetPoint(i);
    MStlPoint const* const b = t->GetPoint((i + 1) % 3);
    MStlTriangle const* best = nullptr;
    std::size_t bestRank = std::size_t(-1);
    for (MStlTriangle const* u : mesh.GetTriangles())
    {
        if (u == t) continue;
        std::size_t rank;
        if (Runs(u, b, a))
            rank = PositionAround(a, u);
        else if (Runs(u, a, b))
            rank = mesh.NumberOfTriangles() + PositionAround(a, u);
        else
            continue;
        if (rank < bestRank)
        {
            bestRank = rank;
            best = u;
        }
    }
    return best;
}

// Each triangle touching edge a-b counts once: forward when its first corner at a that is next to
// b has b after it, backward when b comes before it.
std::pair<std::size_t, std::size_t> ExpectedCounts(MStlBase const& mesh, MStlPoint const* a, MStlPoint const* b,
                                                   bool withCollapsed)
{
    std::size_t forward = 0, backward = 0;
    for (MStlTriangle const* u : mesh.GetTriangles())
    {
        if (!withCollapsed && u->IsCollapsed()) continue;
        for (int k = 0; k < 3; ++k)
        {
            if (u->GetPoint(k) != a) continue;
            if (u->GetPoint((k + 1) % 3) == b)
            {
                ++forward;
                break;
            }
            if (u->GetPoint((k + 2) % 3) == b)
            {
                ++backward;
                break;
            }
        }
    }
    return {forward, backward};
}

void ExpectConsistent(MStlBase const& mesh)
{
    auto const& triangles = mesh.GetTriangles();
    for (std::size_t i = 0; i < triangles.size(); ++i)
    {
        ASSERT_EQ(triangles[i]->GetElementIndex(), i);
        ASSERT_EQ(mesh.GetTriangle(i), triangles[i]);
        ASSERT_EQ(triangles[i]->GetMesh(), &mesh);
    }
    // Each point lists exactly the triangles that use it, each once.
    for (MStlPoint const& p : mesh.GetPoints())
    {
        std::multiset<MStlTriangle const*> listed, expected;
        for (MStlTriangle const* t = p.GetFirstTriangle(); t; t = t->NextTriangleAround(&p))
        {
            listed.insert(t);
            ASSERT_LE(listed.size(), triangles.size()) << "cycle in a point's list";
        }
        for (MStlTriangle const* t : triangles)
            if (Uses(t, &p)) expected.insert(t);
        ASSERT_EQ(listed, expected) << "point " << p.GetIndex();
    }
    for (MStlTriangle const* t : triangles)
        for (int i = 0; i < 3; ++i)
        {
            MStlTriangle const* const found = t->FindAdjacentTriangle(i, false);
            ASSERT_EQ(found, ExpectedNeighbour(mesh, t, i)) << "edge " << i << " of triangle " << t->GetElementIndex();
            ASSERT_EQ(t->FindAdjacentTriangle(i + 3, false), found) << "edge numbers wrap around";
            for (bool withCollapsed : {true, false})
            {
                MNeighbourFinder finder;
                finder.Set(t->GetPoint(i), t->GetPoint((i + 1) % 3));
                finder.countCollapsed = withCollapsed;
                finder.Operate();
                auto const expected = ExpectedCounts(mesh, t->GetPoint(i), t->GetPoint((i + 1) % 3), withCollapsed);
                ASSERT_EQ(finder.NumberOfForwardNeighbours(), expected.first);
                ASSERT_EQ(finder.NumberOfBackwardNeighbours(), expected.second);
            }
        }
}

class RandomEditor
{
public:
    RandomEditor(MStlBase& mesh, unsigned seed, int points = 12) : m_mesh(mesh), m_rng(seed)
    {
        for (int i = 0; i < points; ++i) m_mesh.AddPoint(i % 3, (i / 3) % 2, i / 6);
    }

    MStlPoint* RandomPoint() { return m_mesh.GetPoint(Pick(m_mesh.NumberOfPoints())); }
    MStlTriangle* RandomTriangle() { return m_mesh.GetTriangle(Pick(m_mesh.NumberOfTriangles())); }
    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_rng); }

    // Three points, sometimes with a repeat so that collapsed triangles take part too.
    void RandomCorners(MStlPoint* (&p)[3])
    {
        for (auto& q : p) q = RandomPoint();
        if (Pick(8) == 0) p[2] = p[0];
    }

    MStlTriangle* AddRandomTriangle()
    {
        MStlPoint* p[3];
        RandomCorners(p);
        return m_mesh.AddTriangle(p[0], p[1], p[2]);
    }

    void Step()
    {
        std::size_t const action = m_mesh.NumberOfTriangles() < 4 ? 0 : Pick(6);
        MStlPoint* p[3];
        if (action <= 1)
            AddRandomTriangle();
        else if (action == 2)
            m_mesh.RemoveTriangle(RandomTriangle());
        else if (action == 4)
            RandomTriangle()->Invert(0);
        else if (action == 3)
        {
            RandomCorners(p);
            m_mesh.ChangeTriangle(RandomTriangle(), p[0], p[1], p[2]);
        }
        else if (Pick(10) == 0)
            m_mesh.InvertAll();
        else
            m_mesh.MovePoint(RandomPoint(), MMPoint3d<long>(long(Pick(5)), long(Pick(5)), long(Pick(5))));
    }

private:
    MStlBase& m_mesh;
    std::mt19937 m_rng;
};
} // namespace

TEST(MeshEdits, NumberingPointListsNeighboursAndEdgeCountsFollowRandomEditsOnNonManifoldMeshes)
{
    // Five points make edges that many triangles run both ways; twelve make longer point lists.
    for (unsigned seed = 1; seed <= 6; ++seed)
    {
        MStlBase mesh;
        RandomEditor editor(mesh, seed, seed % 2 ? 5 : 12);
        for (int step = 0; step < 300; ++step)
        {
            editor.Step();
            if (step % 10 == 0 || step > 290)
            {
                ASSERT_NO_FATAL_FAILURE(ExpectConsistent(mesh)) << "seed " << seed << " step " << step;
            }
        }
    }
}

TEST(MeshEdits, DataMasksFollowRenumberingAfterRemovals)
{
    MStlBase mesh;
    RandomEditor editor(mesh, 99);
    std::mt19937 rng(5);
    MDataMask<MStlTriangle, int> early(mesh.GetDataMaskOwner(), -7);
    std::map<MStlTriangle const*, int> model;
    // Enough triangles to span several 1024-entry blocks.
    for (int i = 0; i < 2600; ++i) model[editor.AddRandomTriangle()] = -7;
    auto late = std::make_unique<MDataMask<MStlTriangle, float>>(mesh.GetDataMaskOwner(), 0.5f);
    EXPECT_EQ(late->Size(), mesh.NumberOfTriangles());
    std::map<MStlTriangle const*, float> lateModel;
    for (MStlTriangle const* t : mesh.GetTriangles()) lateModel[t] = 0.5f;

    for (int round = 0; round < 6; ++round)
    {
        for (MStlTriangle const* t : mesh.GetTriangles())
        {
            if (rng() % 2) early.SetInfo(t, model[t] = int(rng() % 1000));
            if (late && rng() % 3 == 0) late->SetInfo(t, lateModel[t] = float(rng() % 100) / 8.0f);
        }
        // Remove about a third, from random places (the last triangle moves into each hole).
        for (std::size_t n = mesh.NumberOfTriangles() / 3; n > 0; --n)
        {
            MStlTriangle* t = editor.RandomTriangle();
            model.erase(t);
            lateModel.erase(t);
            mesh.RemoveTriangle(t);
        }
        // Regrowth starts from the default, not from stale values.
        for (int i = 0; i < 500; ++i)
        {
            MStlTriangle* t = editor.AddRandomTriangle();
            model[t] = -7;
            lateModel[t] = 0.5f;
        }
        ASSERT_EQ(early.Size(), mesh.NumberOfTriangles());
        for (MStlTriangle const* t : mesh.GetTriangles())
        {
            ASSERT_EQ(early.GetInfo(t), model[t]) << "round " << round;
            if (late)
            {
                ASSERT_EQ(late->GetInfo(*t), lateModel[t]) << "round " << round;
            }
        }
        if (late)
        {
            ASSERT_EQ(late->Size(), mesh.NumberOfTriangles());
        }
        // A destroyed mask unregisters; later edits must not reach it (the sanitizer build checks).
        if (round == 3) late.reset();
    }
}

TEST(MeshEdits, TrianglesOfAnotherMeshAreRejectedAndLeaveTheMeshUnchanged)
{
    MStlBase mesh, other;
    MStlPoint* a = mesh.AddPoint(0, 0, 0);
    MStlPoint* b = mesh.AddPoint(1, 0, 0);
    MStlPoint* c = mesh.AddPoint(0, 1, 0);
    MStlPoint* foreign = other.AddPoint(0, 0, 1);
    MStlTriangle* t = mesh.AddTriangle(a, b, c);
    MStlTriangle* u = other.AddTriangle(foreign, foreign, foreign);
    EXPECT_THROW(mesh.AddTriangle(foreign, b, c), std::invalid_argument);
    EXPECT_THROW(mesh.AddTriangle(a, foreign, c), std::invalid_argument);
    EXPECT_THROW(mesh.AddTriangle(a, b, foreign), std::invalid_argument);
    EXPECT_THROW(mesh.ChangeTriangle(t, a, foreign, c), std::invalid_argument);
    EXPECT_THROW(mesh.RemoveTriangle(u), std::invalid_argument);
    EXPECT_THROW(mesh.RemoveTriangle(nullptr), std::invalid_argument);
    EXPECT_EQ(mesh.NumberOfTriangles(), 1u);
    EXPECT_EQ(t->GetPoint(1), b);
    mesh.ChangeTriangle(t, c, a, b); // an accepted change sets every corner
    EXPECT_EQ(t->GetPoint(0), c);
    EXPECT_EQ(t->GetPoint(1), a);
    EXPECT_EQ(t->GetPoint(2), b);
    ExpectConsistent(mesh);
    // An edge with a missing end has no triangles on it.
    MNeighbourFinder finder;
    finder.Set(nullptr, a);
    finder.Operate();
    EXPECT_EQ(finder.NumberOfForwardNeighbours() + finder.NumberOfBackwardNeighbours(), 0u);
}

TEST(MeshEdits, AMaskMayOutliveItsMesh)
{
    auto mesh = std::make_unique<MStlBase>();
    mesh->AddTriangle(mesh->AddPoint(0, 0, 0), mesh->GetPoint(0), mesh->GetPoint(0));
    auto mask = std::make_unique<MDataMask<MStlTriangle, int>>(mesh->GetDataMaskOwner(), 4);
    EXPECT_EQ(mask->GetOwner(), &mesh->GetDataMaskOwner());
    mesh.reset();
    EXPECT_EQ(mask->GetOwner(), nullptr);
    EXPECT_EQ(mask->GetInfoByIndex(0), 4);
    mask.reset(); // must not reach for the destroyed mesh (the sanitizer build checks)
}

// Removal takes a triangle out of the features that hold it; a mesh emptied after its edges were
// indexed still takes reservations and triangles; unmarking reaches every triangle.
TEST(MeshEdits, RemovalEmptiesFeaturesAndAnEmptiedMeshStillTakesTriangles)
{
    MStlBase mesh;
    MStlPoint* a = mesh.AddPoint(0, 0, 0);
    MStlPoint* b = mesh.AddPoint(1, 0, 0);
    MStlPoint* c = mesh.AddPoint(0, 1, 0);
    MStlTriangle* t = mesh.AddTriangle(a, b, c);
    MStlTriangle* u = mesh.AddTriangle(a, c, b);
    MStlFeature* feature = mesh.AddFeature();
    feature->AddTriangle(t);
    feature->AddTriangle(u);
    t->Mark();
    u->Mark();
    mesh.UnmarkAll();
    EXPECT_FALSE(t->IsMarkedAnyMode() || u->IsMarkedAnyMode());
    EXPECT_EQ(t->FindAdjacentTriangle(0, false), u); // indexes the edges
    mesh.RemoveTriangle(t);
    EXPECT_EQ(feature->GetTriangles(), std::vector<MStlTriangle*>{u});
    mesh.RemoveTriangle(u);
    // Emptied after its edges were indexed, it still takes a reservation and a triangle.
    mesh.ReserveTriangles(0);
    MStlTriangle* v = mesh.AddTriangle(a, b, c);
    EXPECT_EQ(v->FindAdjacentTriangle(0, false), nullptr);
}
