// A mesh triangle's own geometry, compact copies of meshes and element info.
#include <gtest/gtest.h>

#include "interfaces/MeshData.h"
#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

namespace
{
double Heron(MMPoint3d<double> const& a, MMPoint3d<double> const& b, MMPoint3d<double> const& c)
{
    // The numerically stable form, with the sides sorted a >= b >= c.
    double s[3] = {(b - a).Length(), (c - b).Length(), (a - c).Length()};
    std::sort(s, s + 3, std::greater<double>());
    double const x = s[0], y = s[1], z = s[2];
    double const p = (x + (y + z)) * (z - (x - y)) * (z + (x - y)) * (x + (y - z));
    return 0.25 * std::sqrt(std::max(0.0, p));
}
} // namespace

TEST(TriangleGeometry, AreaLongestSideAndNormalAgreeWithIndependentFormulas)
{
    std::mt19937 rng(40);
    std::uniform_int_distribution<int> coordinate(-100000, 100000);
    MStlBase mesh;
    for (int trial = 0; trial < 300; ++trial)
    {
        MStlPoint* p[3];
        for (auto& q : p) q = mesh.AddPoint(coordinate(rng), coordinate(rng), coordinate(rng));
        MStlTriangle const* t = mesh.AddTriangle(p[0], p[1], p[2]);
        MMPoint3d<double> const a = *p[0], b = *p[1], c = *p[2];
        EXPECT_NEAR(t->SurfaceArea(), Heron(a, b, c), 1e-9 * Heron(a, b, c));
        double const longest = std::max({(b - a).Length(), (c - b).Length(), (a - c).Length()});
        EXPECT_NEAR(t->LONGEST_SIDE_LENGTH(), longest, 1e-12 * longest);
        MMPoint3d<double> const n = t->GetNormal();
        EXPECT_NEAR(n.Length(), 1.0, 1e-12);
        // Perpendicular to the sides and turned by the winding: a, b, c run anticlockwise around it.
        EXPECT_NEAR(n.Dot(b - a), 0.0, 1e-9 * longest);
        EXPECT_GT((b - a).Cross(c - a).Dot(n), 0.0);
        M3DBoundingBox<long> box;
        t->GetBoundingBox(box);
        for (int k = 0; k < 3; ++k)
        {
            EXPECT_EQ(box.GetMin(k), std::min({a[k], b[k], c[k]}));
            EXPECT_EQ(box.GetMax(k), std::max({a[k], b[k], c[k]}));
        }
    }
}

TEST(TriangleGeometry, CollapseIsDecidedExactlyEvenAtTheEdgesOfThe32BitRange)
{
    MStlBase mesh;
    MStlPoint* a = mesh.AddPoint(-2000000000, -1000000000, 5);
    MStlPoint* b = mesh.AddPoint(0, 0, 5);
    MStlPoint* c = mesh.AddPoint(2000000000, 1000000000, 5);
    MStlPoint* d = mesh.AddPoint(2000000000, 1000000001, 5); // one unit off the line
    EXPECT_TRUE(mesh.AddTriangle(a, b, c)->IsCollapsed());
    MStlTriangle* off = mesh.AddTriangle(a, b, d);
    EXPECT_FALSE(off->IsCollapsed());
    EXPECT_TRUE(mesh.AddTriangle(a, a, d)->IsCollapsed());
    MStlPoint* e = mesh.AddPoint(-2147483647 - 1, 2147483647, -2147483647 - 1);
    MStlPoint* f = mesh.AddPoint(2147483647, -2147483647 - 1, 2147483647);
    EXPECT_FALSE(mesh.AddTriangle(e, f, b)->IsCollapsed());
    EXPECT_TRUE(mesh.AddTriangle(e, f, f)->IsCollapsed());
    EXPECT_EQ(mesh.AddTriangle(a, b, c)->GetNormal(), MMPoint3d<double>(0, 0, 0));
    M3DBoundingBox<long> const box = mesh.GetBoundingBox();
    EXPECT_EQ(box.GetCornerMin(), MMPoint3d<long>(-2147483648L, -2147483648L, -2147483648L));
    EXPECT_EQ(box.GetCornerMax(), MMPoint3d<long>(2147483647, 2147483647, 2147483647));
    EXPECT_TRUE(MStlBase().GetBoundingBox().IsEmpty());
}

// The compact copy's order is checked where compact trees are compared with mesh trees, and how
// thickness reaches the beams through the graph adapter; here, the refusals, and the edge thickness
// before it is set.
TEST(MeshServices, CompactCopiesAndElementInfoRefuseBadInput)
{
    MStlBase mesh;
    EXPECT_EQ(MStlBaseElementInfoStlDependency::GetDependency(&mesh, false), nullptr);
    EXPECT_EQ(MStlBaseElementInfoStlDependency::GetDependency(nullptr, true), nullptr);
    MStlPoint* a = mesh.AddPoint(0, 0, 0);
    MStlPoint* b = mesh.AddPoint(0, 0, 100);
    mesh.AddTriangle(a, b, mesh.AddPoint(0, 1, 0));
    MStlCompact compact(mesh);
    EXPECT_THROW(compact.AddTriangle(0, 1, 3), std::out_of_range);
    EXPECT_EQ(compact.GetNumTriangles(), 1u);
    EXPECT_EQ(compact.AddTriangle(0, 0, 2), 1u);

    MStlGraph* graph = mesh.AddGraph();
    MStlGraphEdge const first = graph->AddEdge(a, b);
    MStlGraphEdge const second = graph->AddEdge(b, a);
    MStlBaseElementInfo* info = mesh.GetOrCreateElementInfo();
    info->SetEdgeThickness(second, {300, 500});
    EXPECT_EQ(info->GetEdgeThickness(first), (MStlGraphEdgeThickness{-1, -1})) << "the reversed edge is another";
    EXPECT_THROW(info->SetEdgeThickness(MStlGraphEdge(), {1, 1}), std::invalid_argument);
    EXPECT_THROW(graph->AddEdge(a, nullptr), std::invalid_argument);
    EXPECT_EQ(graph->NumberOfEdges(), 2u);
    auto const begin = MStlIteratorGraphEdgeConst::Begin(graph), end = MStlIteratorGraphEdgeConst::End(graph);
    EXPECT_TRUE(begin == MStlIteratorGraphEdgeConst::Begin(graph));
    EXPECT_FALSE(begin == end);
}
