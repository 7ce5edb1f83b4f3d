#pragma once
// Geometry builders, independent reference geometry, query objects and structural checkers shared
// by the static and mutable tree tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "support/random_scene.h"
#include "support/reference_geometry.h"
#include "trees/M3DObjectTree.h"
#include "trees/M3DTriangleTreeMutable.h"

namespace vz_test
{

using Point = MMPoint3d<double>;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Squared distance from a point to mesh triangles, compact triangles and segments (graph edges).
struct TrianglePointQuery
{
    Point p;
    double BoxDistance(M3DBoundingBox<double> const& box) const { return PointBoxDistanceSqr(p, box); }
    double ElementDistance(MStlTriangle const* t) const
    {
        return PointTriangleDistanceSqr(p, t->GetVertex(0), t->GetVertex(1), t->GetVertex(2));
    }
};

inline Point CompactVertex(MStlCompact const& c, std::uint32_t i)
{
    MStlCompact::MVertex const& v = c.GetVertex(i);
    return Point(v.x, v.y, v.z);
}

struct CompactPointQuery
{
    Point p;
    MStlCompact const* compact;
    double BoxDistance(M3DBoundingBox<double> const& box) const { return PointBoxDistanceSqr(p, box); }
    double ElementDistance(std::size_t i) const
    {
        MStlCompact::MTriangle const& t = compact->GetTriangle(i);
        return PointTriangleDistanceSqr(p, CompactVertex(*compact, t.v[0]), CompactVertex(*compact, t.v[1]),
                                        CompactVertex(*compact, t.v[2]));
    }
};

struct EdgePointQuery
{
    Point p;
    double BoxDistance(M3DBoundingBox<double> const& box) const { return PointBoxDistanceSqr(p, box); }
    double ElementDistance(MStlGraphEdge const& e) const
    {
        Point const a = e.GetFirstVertex()->Get(), b = e.GetSecondVertex()->Get();
        return PointSegmentDistanceSqr(p, a, b);
    }
};

inline MeshQueries::M3DObjectTreeBase::Parameters Params(bool cache, std::size_t leaf)
{
    MeshQueries::M3DObjectTreeBase::Parameters p;
    p.cacheBoxes = cache;
    p.maxLeafSize = leaf;
    return p;
}

// Element boxes recomputed from the vertices, independently of the tree: grown by one unit.
inline M3DBoundingBox<double> GrownBox(std::initializer_list<Point> vertices)
{
    M3DBoundingBox<double> box;
    for (Point const& v : vertices)
    {
        box.AddPoint(Point(v.x - 1, v.y - 1, v.z - 1));
        box.AddPoint(Point(v.x + 1, v.y + 1, v.z + 1));
    }
    return box;
}

inline M3DBoundingBox<double> EdgeBox(MStlGraphEdge const& e)
{
    return GrownBox({e.GetFirstVertex()->Get(), e.GetSecondVertex()->Get()});
}

inline M3DBoundingBox<double> ElementBox(MStlTriangle const* t)
{
    return GrownBox({t->GetVertex(0), t->GetVertex(1), t->GetVertex(2)});
}

// The same triangle many times over: every box contains every split value.
inline void AddCoincidentTriangles(MStlBase& mesh, std::size_t count)
{
    MStlPoint* a = mesh.AddPoint(0, 0, 0);
    MStlPoint* b = mesh.AddPoint(100, 0, 0);
    MStlPoint* c = mesh.AddPoint(0, 100, 50);
    for (std::size_t i = 0; i < count; ++i) mesh.AddTriangle(a, b, c);
}

// Long thin triangles through the centre on every axis, so that every box straddles every midpoint.
inline void AddStraddlingTriangles(MStlBase& mesh, std::size_t count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> jitter(-50, 50);
    for (std::size_t i = 0; i < count; ++i)
    {
        MStlPoint* a = mesh.AddPoint(-1000 + jitter(rng), -1000 + jitter(rng), -1000 + jitter(rng));
        MStlPoint* b = mesh.AddPoint(1000 + jitter(rng), 1000 + jitter(rng), 1000 + jitter(rng));
        MStlPoint* c = mesh.AddPoint(jitter(rng), 1000 + jitter(rng), -1000 + jitter(rng));
        mesh.AddTriangle(a, b, c);
    }
}

// Two trees are the same when their element order and their node shapes, ranges and boxes agree.
template <class Node>
bool SameNodes(Node const* a, Node const* b)
{
    if (!a || !b) return a == b;
    for (int k = 0; k < 6; ++k)
        if (a->box[k] != b->box[k]) return false;
    if (a->begin != b->begin || a->end != b->end) return false;
    for (int k = 0; k < 3; ++k)
        if (!SameNodes(a->children[k], b->children[k])) return false;
    return true;
}

template <class T>
bool SameTrees(MeshQueries::M3DObjectTree<T> const& a, MeshQueries::M3DObjectTree<T> const& b)
{
    if (a.NumberOfElements() != b.NumberOfElements()) return false;
    for (std::size_t i = 0; i < a.NumberOfElements(); ++i)
        if (!(a.GetElement(i) == b.GetElement(i))) return false;
    return SameNodes(a.GetRoot(), b.GetRoot());
}

using Tree = MeshQueriesMutable::M3DTriangleTreeMutableStl;
using Triangle = Dovovez::StlBase::Handle::Triangle;
using MeshQueriesMutable::StlHandle;

// Points of a mesh looked up by integer position, created on first use.
class PointPool
{
public:
    explicit PointPool(MStlBase& mesh) : m_mesh(mesh) {}
    MStlPoint* At(std::int32_t x, std::int32_t y, std::int32_t z)
    {
        auto const key = std::make_tuple(x, y, z);
        auto const it = m_points.find(key);
        if (it != m_points.end()) return it->second;
        MStlPoint* const p = m_mesh.AddPoint(x, y, z);
        m_points.emplace(key, p);
        return p;
    }

private:
    MStlBase& m_mesh;
    std::map<std::tuple<std::int32_t, std::int32_t, std::int32_t>, MStlPoint*> m_points;
};

// Walks the tree and checks: every mesh triangle sits in exactly one leaf and the leaf map points to
// it; no other triangle is in the tree; parent links; valid boxes cover the boxes of everything below.
// A freshly built tree must also follow the split rules: node boxes are the exact union of their
// triangles, each group lies on its side of the midpoint of the chosen axis, and nodes versus leaves
// follow the leaf capacity and the exhausted axes.
struct TreeWalker
{
    Tree const& tree;
    bool fresh;
    std::map<MStlTriangle*, Tree::Leaf*> seen;

    // Appends the triangles below n to `below`.
    void Walk(Tree::BaseNode* n, Tree::Node* parent, int firstAxis, unsigned usedAxes,
              std::vector<MStlTriangle*>& below)
    {
        EXPECT_EQ(n->parent, parent);
        std::size_t const first = below.size();
        if (auto* leaf = dynamic_cast<Tree::Leaf*>(n))
        {
            for (MStlTriangle* t : leaf->triangles)
                EXPECT_TRUE(seen.emplace(t, leaf).second) << "triangle in two leaves";
            below.insert(below.end(), leaf->triangles.begin(), leaf->triangles.end());
        }
        else
        {
            auto* node = dynamic_cast<Tree::Node*>(n);
            EXPECT_TRUE(node->children[0] || node->children[1] || node->children[2]);
            int axis = firstAxis;
            while (fresh && usedAxes != 7u && (usedAxes & (1u << axis))) axis = (axis + 1) % 3;
            double const split = (node->box.min[axis] + node->box.max[axis]) * 0.5;
            for (int slot = 0; slot < 3; ++slot)
            {
                if (!node->children[slot]) continue;
                unsigned const childUsed = slot == 1 ? (usedAxes | (1u << axis)) : usedAxes;
                std::vector<MStlTriangle*> group;
                Walk(node->children[slot], node, (axis + 1) % 3, childUsed, group);
                below.insert(below.end(), group.begin(), group.end());
                if (!fresh) continue;
                bool const expectNode = group.size() > tree.GetLeafCapacity() && !(slot == 1 && childUsed == 7u);
                EXPECT_EQ(dynamic_cast<Tree::Node*>(node->children[slot]) != nullptr, expectNode);
                for (MStlTriangle* t : group)
                {
                    auto const b = Tree::TriangleBox::Of(*t);
                    EXPECT_TRUE(slot == 0   ? double(b.max[axis]) < split
                                : slot == 2 ? double(b.min[axis]) > split
                                            : double(b.min[axis]) <= split && double(b.max[axis]) >= split)
                        << "slot " << slot << " axis " << axis;
                }
            }
        }
        MeshQueries::TrianglesGroupBBox3D exact;
        for (std::size_t i = first; i < below.size(); ++i)
            MeshQueries::AddTriangleBox(exact, Tree::TriangleBox::Of(*below[i]));
        if (fresh)
        {
            EXPECT_EQ(n->box, exact);
        }
        else if (n->bboxValid && !exact.IsEmpty())
        {
            EXPECT_FALSE(n->box.IsEmpty());
            for (int k = 0; k < 3; ++k)
            {
                EXPECT_LE(n->box.min[k], exact.min[k]);
                EXPECT_GE(n->box.max[k], exact.max[k]);
            }
        }
    }
};

inline void ExpectTreeHoldsMesh(Tree const& tree, MStlBase const& mesh, bool freshlyBuilt = false)
{
    ASSERT_NE(tree.GetRoot(), nullptr);
    ASSERT_NE(tree.GetLeafMap(), nullptr);
    TreeWalker walker{tree, freshlyBuilt, {}};
    std::vector<MStlTriangle*> all;
    walker.Walk(tree.GetRoot(), nullptr, 0, 0u, all);
    EXPECT_EQ(all.size(), mesh.NumberOfTriangles());
    EXPECT_EQ(walker.seen.size(), mesh.NumberOfTriangles());
    for (MStlTriangle* t : mesh.GetTriangles())
    {
        auto const it = walker.seen.find(t);
        ASSERT_NE(it, walker.seen.end()) << "mesh triangle missing from the tree";
        EXPECT_EQ(tree.GetLeafMap()->GetInfo(t), it->second);
    }
}

// Small triangles on a 50-unit lattice, so that vertices, edges and faces coincide often and
// integer-aimed rays graze edges and corners; coincident and degenerate ones occur among them.
inline void AddLatticeTriangles(MStlBase& mesh, PointPool& pool, std::mt19937& rng, int count, int span = 20)
{
    std::uniform_int_distribution<int> base(0, span), offset(-2, 2);
    for (int i = 0; i < count; ++i)
    {
        int const x = base(rng), y = base(rng), z = base(rng);
        MStlPoint* const a = pool.At(50 * x, 50 * y, 50 * z);
        MStlPoint* const b = pool.At(50 * (x + offset(rng)), 50 * (y + offset(rng)), 50 * (z + offset(rng)));
        MStlPoint* const c = pool.At(50 * (x + offset(rng)), 50 * (y + offset(rng)), 50 * (z + offset(rng)));
        mesh.AddTriangle(a, b, c);
    }
}

// A mesh with its point pool and generator, filled with lattice triangles.
struct LatticeMesh
{
    MStlBase mesh;
    PointPool pool{mesh};
    std::mt19937 rng;
    int span;
    explicit LatticeMesh(unsigned seed, int count = 0, int span_ = 20) : rng(seed), span(span_) { Add(count); }
    void Add(int count = 1) { AddLatticeTriangles(mesh, pool, rng, count, span); }
};

inline void BuildOn(Tree& tree, MStlBase& mesh)
{
    tree.SetMesh(StlHandle(&mesh));
    tree.Rebuild();
}

} // namespace vz_test
