// Mesh edits against brute-force models: adjacency across edges, the lists of triangles around each
// point, element numbering, data masks following removals, and the neighbour finder's counts.
#include <gtest/gtest.h>

#include "interfaces/MeshData.h"
#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <vector>

namespace
{
bool RunsEdge(MStlTriangle const* t, MStlPoint const* from, MStlPoint const* to)
{
    for (int k = 0; k < 3; ++k)
        if (t->GetPoint(k) == from && t->GetPoint((k + 1) % 3) == to) return true;
    return false;
}

bool Uses(MStlTriangle const* t, MStlPoint const* p)
{
    return t->GetPoint(0) == p || t->GetPoint(1) == p || t->GetPoint(2) == p;
}

// Checks every triangle's three neighbours against a search over all triangles: one that runs the
// edge the other way if there is any, else one that runs it the same way, else none.
void ExpectAdjacencyMatchesBruteForce(MStlBase const& mesh)
{
    auto const& triangles = mesh.GetTriangles();
    for (MStlTriangle const* t : triangles)
        for (int i = 0; i < 3; ++i)
        {
            MStlPoint const* a = t->GetPoint(i);
            MStlPoint const* b = t->GetPoint((i + 1) % 3);
            std::set<MStlTriangle const*> opposite, sameWay;
            for (MStlTriangle const* u : triangles)
            {
                if (u == t) continue;
                if (RunsEdge(u, b, a))
                    opposite.insert(u);
                else if (RunsEdge(u, a, b))
                    sameWay.insert(u);
            }
            MStlTriangle const* found = t->FindAdjacentTriangle(i, false);
            std::set<MStlTriangle const*> const& allowed = !opposite.empty() ? opposite : sameWay;
            if (allowed.empty())
                EXPECT_EQ(found, nullptr) << "edge " << i << " of triangle " << t->GetElementIndex();
            else
                EXPECT_TRUE(allowed.count(found)) << "edge " << i << " of triangle " << t->GetElementIndex();
            EXPECT_EQ(t->FindAdjacentTriangle(i + 3, false), found) << "edge numbers wrap around";
        }
}

// Each point lists exactly the triangles that use it, each once; element indices are 0..n-1.
void ExpectPointListsAndNumberingConsistent(MStlBase const& mesh)
{
    auto const& triangles = mesh.GetTriangles();
    for (std::size_t i = 0; i < triangles.size(); ++i)
    {
        ASSERT_EQ(triangles[i]->GetElementIndex(), i);
        ASSERT_EQ(mesh.GetTriangle(i), triangles[i]);
        ASSERT_EQ(triangles[i]->GetMesh(), &mesh);
    }
    for (MStlPoint const& p : mesh.GetPoints())
    {
        std::multiset<MStlTriangle const*> listed;
        for (MStlTriangle const* t = p.GetFirstTriangle(); t; t = t->NextTriangleAround(&p))
        {
            listed.insert(t);
            ASSERT_LE(listed.size(), triangles.size()) << "cycle in a point's list";
        }
        std::multiset<MStlTriangle const*> expected;
        for (MStlTriangle const* t : triangles)
            if (Uses(t, &p)) expected.insert(t);
        ASSERT_EQ(listed, expected) << "point " << p.GetIndex();
    }
}

class RandomEditor
{
public:
    RandomEditor(MStlBase& mesh, unsigned seed) : m_mesh(mesh), m_rng(seed)
    {
        for (int i = 0; i < 12; ++i) m_mesh.AddPoint(i % 3, (i / 3) % 2, i / 6);
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

TEST(MeshEdits, AdjacencyFollowsAddRemoveChangeAndInvertOnNonManifoldMeshes)
{
    for (unsigned seed = 1; seed <= 4; ++seed)
    {
        MStlBase mesh;
        RandomEditor editor(mesh, seed);
        for (int step = 0; step < 300; ++step)
        {
            editor.Step();
            if (step % 10 == 0 || step > 280)
            {
                ASSERT_NO_FATAL_FAILURE(ExpectPointListsAndNumberingConsistent(mesh))
                    << "seed " << seed << " step " << step;
                ExpectAdjacencyMatchesBruteForce(mesh);
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
    MDataMask<MStlTriangle, float> floats(mesh.GetDataMaskOwner(), 0.5f);
    std::map<MStlTriangle const*, int> model;
    std::map<MStlTriangle const*, float> floatModel;
    // Enough triangles to span several 1024-entry blocks.
    for (int i = 0; i < 2600; ++i)
    {
        MStlTriangle* t = editor.AddRandomTriangle();
        model[t] = -7;
        floatModel[t] = 0.5f;
    }
    auto late = std::make_unique<MDataMask<MStlTriangle, int>>(mesh.GetDataMaskOwner(), 3);
    EXPECT_EQ(late->Size(), mesh.NumberOfTriangles());
    std::map<MStlTriangle const*, int> lateModel;
    for (MStlTriangle const* t : mesh.GetTriangles()) lateModel[t] = 3;

    for (int round = 0; round < 6; ++round)
    {
        for (MStlTriangle const* t : mesh.GetTriangles())
        {
            if (rng() % 2) early.SetInfo(t, model[t] = int(rng() % 1000));
            if (rng() % 3 == 0) floats.SetInfo(t, floatModel[t] = float(rng() % 100) / 8.0f);
            if (late && rng() % 2) late->SetInfo(t, lateModel[t] = int(rng() % 1000));
        }
        // Remove about a third, from random places (the last triangle moves into each hole).
        for (std::size_t n = mesh.NumberOfTriangles() / 3; n > 0; --n)
        {
            MStlTriangle* t = editor.RandomTriangle();
            model.erase(t);
            floatModel.erase(t);
            lateModel.erase(t);
            mesh.RemoveTriangle(t);
        }
        // Regrowth starts from the default, not from stale values.
        for (int i = 0; i < 500; ++i)
        {
            MStlTriangle* t = editor.AddRandomTriangle();
            model[t] = -7;
            floatModel[t] = 0.5f;
            lateModel[t] = 3;
        }
        ASSERT_EQ(early.Size(), mesh.NumberOfTriangles());
        if (late)
        {
            ASSERT_EQ(late->Size(), mesh.NumberOfTriangles());
        }
        for (MStlTriangle const* t : mesh.GetTriangles())
        {
            ASSERT_EQ(early.GetInfo(t), model[t]) << "round " << round;
            ASSERT_EQ(floats.GetInfo(*t), floatModel[t]) << "round " << round;
            if (late)
            {
                ASSERT_EQ(late->GetInfo(t), lateModel[t]) << "round " << round;
            }
        }
        // A destroyed mask unregisters; later edits must not reach it (the sanitizer build checks).
        if (round == 3) late.reset();
    }
}

TEST(MeshEdits, NeighbourFinderCountsEachTriangleOnTheEdgeOnceByDirection)
{
    MStlBase mesh;
    RandomEditor editor(mesh, 21);
    for (int i = 0; i < 400; ++i) editor.Step();
    MNeighbourFinder finder;
    for (bool countCollapsed : {false, true})
    {
        finder.countCollapsed = countCollapsed;
        for (MStlPoint const& a : mesh.GetPoints())
            for (MStlPoint const& b : mesh.GetPoints())
            {
                if (&a == &b) continue;
                // A collapsed triangle such as (a, a, b) runs the edge both ways; either count may take it.
                std::size_t forward = 0, backward = 0, both = 0;
                for (MStlTriangle const* t : mesh.GetTriangles())
                {
                    if (!countCollapsed && t->IsCollapsed()) continue;
                    if (!Uses(t, &a) || !Uses(t, &b)) continue;
                    bool const f = RunsEdge(t, &a, &b), r = RunsEdge(t, &b, &a);
                    (f && r ? both : (f ? forward : backward)) += 1;
                }
                finder.Set(&a, &b);
                finder.Operate();
                EXPECT_EQ(finder.NumberOfForwardNeighbours() + finder.NumberOfBackwardNeighbours(),
                          forward + backward + both);
                EXPECT_GE(finder.NumberOfForwardNeighbours(), forward);
                EXPECT_GE(finder.NumberOfBackwardNeighbours(), backward);
            }
    }
    finder.Set(nullptr, mesh.GetPoint(0));
    finder.Operate();
    EXPECT_EQ(finder.NumberOfForwardNeighbours() + finder.NumberOfBackwardNeighbours(), 0u);
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
    ExpectPointListsAndNumberingConsistent(mesh);
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
