// Neighbours across edges and triangle counts per edge, checked against a scan of every triangle
// of the mesh, through random additions, removals, changes and inversions (degenerate triangles
// with repeated corners included).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "interfaces/MeshData.h"

namespace
{

// Position of t in the list of triangles at p (0 = first).
std::size_t PositionAround(MStlPoint const* p, MStlTriangle const* t)
{
    std::size_t i = 0;
    for (MStlTriangle const* u = p->GetFirstTriangle(); u; u = u->NextTriangleAround(p), ++i)
        if (u == t) return i;
    return std::size_t(-1);
}

bool Runs(MStlTriangle const* t, MStlPoint const* a, MStlPoint const* b)
{
    for (std::size_t k = 0; k < 3; ++k)
        if (t->GetPoint(k) == a && t->GetPoint((k + 1) % 3) == b) return true;
    return false;
}

// Across edge i of t: of all other triangles, those running the edge backwards win over those
// running it the same way; among equals, the one first in the list at vertex i.
MStlTriangle const* ExpectedNeighbour(MStlBase const& mesh, MStlTriangle const* t, std::size_t i)
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
void ExpectedCounts(MStlBase const& mesh, MStlPoint const* a, MStlPoint const* b, bool withCollapsed,
                    std::size_t& forward, std::size_t& backward)
{
    forward = backward = 0;
    for (MStlTriangle const* u : mesh.GetTriangles())
    {
        if (!withCollapsed && u->IsCollapsed()) continue;
        for (std::size_t k = 0; k < 3; ++k)
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
}

void CheckAll(MStlBase const& mesh)
{
    for (MStlTriangle const* t : mesh.GetTriangles())
        for (std::size_t i = 0; i < 3; ++i)
        {
            ASSERT_EQ(t->FindAdjacentTriangle(i, false), ExpectedNeighbour(mesh, t, i));
            for (bool withCollapsed : {true, false})
            {
                MNeighbourFinder finder;
                finder.Set(t->GetPoint(i), t->GetPoint((i + 1) % 3));
                finder.countCollapsed = withCollapsed;
                finder.Operate();
                std::size_t forward, backward;
                ExpectedCounts(mesh, t->GetPoint(i), t->GetPoint((i + 1) % 3), withCollapsed, forward, backward);
                ASSERT_EQ(finder.NumberOfForwardNeighbours(), forward);
                ASSERT_EQ(finder.NumberOfBackwardNeighbours(), backward);
            }
        }
}

TEST(EdgeIndex, FollowsRandomEditsOfAFewSharedPoints)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round)
    {
        MStlBase mesh;
        // Few points, so that edges are shared by many triangles both ways, and corners repeat.
        std::vector<MStlPoint*> points;
        for (int i = 0; i < 5; ++i) points.push_back(mesh.AddPoint(i * 10, (i * i) % 7, i % 2));
        auto anyPoint = [&] { return points[random() % points.size()]; };
        for (int step = 0; step < 120; ++step)
        {
            unsigned const action = random() % 10;
            if (action < 5 || mesh.NumberOfTriangles() < 3)
                mesh.AddTriangle(anyPoint(), anyPoint(), anyPoint());
            else if (action < 7)
                mesh.RemoveTriangle(mesh.GetTriangle(random() % mesh.NumberOfTriangles()));
            else if (action < 8)
                mesh.ChangeTriangle(mesh.GetTriangle(random() % mesh.NumberOfTriangles()), anyPoint(), anyPoint(),
                                    anyPoint());
            else if (action < 9)
                mesh.GetTriangle(random() % mesh.NumberOfTriangles())->Invert(0);
            else
                mesh.InvertAll();
            if (step % 10 == 9) CheckAll(mesh);
        }
        CheckAll(mesh);
    }
}

TEST(EdgeIndex, StackedCopiesAnswerTheNewestOtherCopy)
{
    MStlBase mesh;
    MStlPoint* const a = mesh.AddPoint(0, 0, 0);
    MStlPoint* const b = mesh.AddPoint(10, 0, 0);
    MStlPoint* const c = mesh.AddPoint(0, 10, 0);
    std::vector<MStlTriangle*> copies;
    for (int i = 0; i < 50; ++i) copies.push_back(mesh.AddTriangle(a, b, c));
    EXPECT_EQ(copies[0]->FindAdjacentTriangle(0), copies[49]);
    EXPECT_EQ(copies[49]->FindAdjacentTriangle(1), copies[48]);
    // One copy turned over is preferred by every other copy, and itself sees the newest.
    copies[10]->Invert(0);
    EXPECT_EQ(copies[3]->FindAdjacentTriangle(2), copies[10]);
    EXPECT_EQ(copies[10]->FindAdjacentTriangle(0), copies[49]);
    MNeighbourFinder finder;
    finder.Set(a, b);
    finder.countCollapsed = true;
    finder.Operate();
    EXPECT_EQ(finder.NumberOfForwardNeighbours(), 49u);
    EXPECT_EQ(finder.NumberOfBackwardNeighbours(), 1u);
    CheckAll(mesh);
}

} // namespace
