#pragma once
// Mesh builders, independent reference geometry and a structural checker for the mutable tree tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "trees/M3DTriangleTreeMutable.h"

namespace mutable_tree_test {

using Tree = MeshQueriesMutable::M3DTriangleTreeMutableStl;
using Point = MMPoint3d<double>;
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

// Reference point-triangle distance, computed differently from the library: the plane distance when
// the projection falls inside (same-side tests), else the nearest of the three edges.
inline double RefSegmentDistanceSqr(Point const& p, Point const& a, Point const& b)
{
    Point const ab = b - a;
    double const len2 = ab.Dot(ab);
    double const s = len2 > 0 ? std::clamp((p - a).Dot(ab) / len2, 0.0, 1.0) : 0.0;
    Point const d = a + ab * s - p;
    return d.Dot(d);
}

inline double RefTriangleDistanceSqr(Point const& p, Point const& a, Point const& b, Point const& c)
{
    Point const n = (b - a).Cross(c - a);
    double const n2 = n.Dot(n);
    double edges = std::min({RefSegmentDistanceSqr(p, a, b), RefSegmentDistanceSqr(p, b, c), RefSegmentDistanceSqr(p, c, a)});
    if (n2 < 2.220446049250313e-16) return edges;
    double const h = (p - a).Dot(n) / std::sqrt(n2);
    Point const q = p - n * ((p - a).Dot(n) / n2);
    bool const inside = (b - a).Cross(q - a).Dot(n) >= 0 && (c - b).Cross(q - b).Dot(n) >= 0 &&
                        (a - c).Cross(q - c).Dot(n) >= 0;
    return inside ? std::min(h * h, edges) : edges;
}

inline double RefTriangleDistanceSqr(Point const& p, MStlTriangle const* t)
{
    return RefTriangleDistanceSqr(p, t->GetVertex(0), t->GetVertex(1), t->GetVertex(2));
}

// Exact line-triangle test on integer geometry: signed volumes decide the crossing, edges and
// corners included; a line parallel to the plane (or a collinear triangle) never hits. The hit
// parameter is returned as the fraction num/den with den > 0.
struct ExactHit {
    bool hit = false;
    std::int64_t num = 0, den = 1;
    double T() const { return double(num) / double(den); }
};

struct I3 {
    std::int64_t x, y, z;
    I3 operator-(I3 const& o) const { return {x - o.x, y - o.y, z - o.z}; }
    I3 Cross(I3 const& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    std::int64_t Dot(I3 const& o) const { return x * o.x + y * o.y + z * o.z; }
};

inline I3 ToI3(MStlPoint const* p) { return {p->x, p->y, p->z}; }

inline ExactHit ExactLineHit(I3 const& o, I3 const& d, MStlTriangle const* t)
{
    I3 const a = ToI3(t->GetPoint(0)), b = ToI3(t->GetPoint(1)), c = ToI3(t->GetPoint(2));
    I3 const n = (b - a).Cross(c - a);
    std::int64_t det = d.Dot(n), num = n.Dot(a - o);
    ExactHit r;
    if (det == 0) return r;
    std::int64_t const wab = d.Dot((a - o).Cross(b - o)), wbc = d.Dot((b - o).Cross(c - o)),
                       wca = d.Dot((c - o).Cross(a - o));
    bool const allNonNeg = wab >= 0 && wbc >= 0 && wca >= 0;
    bool const allNonPos = wab <= 0 && wbc <= 0 && wca <= 0;
    if (!allNonNeg && !allNonPos) return r;
    if (det < 0) {
        det = -det;
        num = -num;
    }
    r.hit = true;
    r.num = num;
    r.den = det;
    return r;
}

// Whether the exact hit parameter lies in [lo, hi] for integer bounds.
inline bool ExactWithin(ExactHit const& h, std::int64_t lo, std::int64_t hi)
{
    return h.hit && h.num >= lo * h.den && h.num <= hi * h.den;
}

inline std::vector<MStlTriangle*> Sorted(std::vector<Triangle> const& v)
{
    std::vector<MStlTriangle*> r;
    for (auto const& t : v) r.push_back(t.Get());
    std::sort(r.begin(), r.end());
    return r;
}

// Walks the tree and checks: every mesh triangle sits in exactly one leaf and the leaf map points to
// it; no other triangle is in the tree; parent links; valid boxes cover the boxes of everything below.
inline void ExpectTreeHoldsMesh(Tree const& tree, MStlBase const& mesh)
{
    ASSERT_NE(tree.GetRoot(), nullptr);
    ASSERT_NE(tree.GetLeafMap(), nullptr);
    std::map<MStlTriangle*, Tree::Leaf*> seen;
    struct Walker {
        std::map<MStlTriangle*, Tree::Leaf*>& seen;
        // Returns the exact box of everything below.
        MeshQueries::TrianglesGroupBBox3D Walk(Tree::BaseNode* n, Tree::Node* parent)
        {
            EXPECT_EQ(n->parent, parent);
            MeshQueries::TrianglesGroupBBox3D below;
            if (auto* leaf = dynamic_cast<Tree::Leaf*>(n)) {
                for (MStlTriangle* t : leaf->triangles) {
                    EXPECT_TRUE(seen.emplace(t, leaf).second) << "triangle in two leaves";
                    MeshQueries::AddTriangleBox(below, Tree::TriangleBox::Of(*t));
                }
            } else {
                auto* node = dynamic_cast<Tree::Node*>(n);
                EXPECT_TRUE(node->children[0] || node->children[1] || node->children[2]);
                for (auto* c : node->children)
                    if (c) below.Append(Walk(c, node));
            }
            if (n->bboxValid && !below.IsEmpty()) {
                EXPECT_FALSE(n->box.IsEmpty());
                for (int k = 0; k < 3; ++k) {
                    EXPECT_LE(n->box.min[k], below.min[k]);
                    EXPECT_GE(n->box.max[k], below.max[k]);
                }
            }
            return below;
        }
    } walker{seen};
    walker.Walk(tree.GetRoot(), nullptr);
    EXPECT_EQ(seen.size(), mesh.NumberOfTriangles());
    for (MStlTriangle* t : mesh.GetTriangles()) {
        auto const it = seen.find(t);
        ASSERT_NE(it, seen.end()) << "mesh triangle missing from the tree";
        EXPECT_EQ(tree.GetLeafMap()->GetInfo(t), it->second);
    }
}

} // namespace mutable_tree_test
