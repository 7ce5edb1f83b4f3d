#pragma once
// Geometry builders, reference searches and query objects shared by the static object tree tests.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "trees/M3DObjectTree.h"

namespace statictreetest {

using Point = MMPoint3d<double>;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Independent closest point on a triangle: projection onto the plane when it falls inside (by
// barycentric signs), else the nearest point of the three clamped edges.
inline Point ClosestOnSegment(Point const& p, Point const& a, Point const& b)
{
    Point const d = b - a;
    double const len2 = d.LengthSquared();
    double t = len2 > 0 ? (p - a).Dot(d) / len2 : 0.0;
    t = std::min(1.0, std::max(0.0, t));
    return a + d * t;
}

inline double PointTriangleDistanceSqr(Point const& p, Point const& a, Point const& b, Point const& c)
{
    Point const n = (b - a).Cross(c - a);
    double const n2 = n.LengthSquared();
    if (n2 > 0) {
        Point const q = p - n * ((p - a).Dot(n) / n2);
        double const u = (b - a).Cross(q - a).Dot(n), v = (c - b).Cross(q - b).Dot(n), w = (a - c).Cross(q - c).Dot(n);
        if (u >= 0 && v >= 0 && w >= 0) return (p - q).LengthSquared();
    }
    double best = (p - ClosestOnSegment(p, a, b)).LengthSquared();
    best = std::min(best, (p - ClosestOnSegment(p, b, c)).LengthSquared());
    best = std::min(best, (p - ClosestOnSegment(p, c, a)).LengthSquared());
    return best;
}

inline double PointBoxDistanceSqr(Point const& p, M3DBoundingBox<double> const& box)
{
    double sum = 0;
    for (int k = 0; k < 3; ++k) {
        double gap = 0;
        if (p[k] < box.min[k]) gap = box.min[k] - p[k];
        else if (p[k] > box.max[k]) gap = p[k] - box.max[k];
        sum += gap * gap;
    }
    return sum;
}

// Squared distance from a point to mesh triangles, compact triangles and segments (graph edges).
struct TrianglePointQuery {
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

struct CompactPointQuery {
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

struct EdgePointQuery {
    Point p;
    double BoxDistance(M3DBoundingBox<double> const& box) const { return PointBoxDistanceSqr(p, box); }
    double ElementDistance(MStlGraphEdge const& e) const
    {
        Point const a = e.GetFirstVertex()->Get(), b = e.GetSecondVertex()->Get();
        return (p - ClosestOnSegment(p, a, b)).LengthSquared();
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
    for (Point const& v : vertices) {
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

// Random small triangles scattered in a cube of the given half size.
inline void AddRandomTriangles(MStlBase& mesh, std::size_t count, int halfSize, int triangleSize, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> centre(-halfSize, halfSize);
    std::uniform_int_distribution<int> offset(-triangleSize, triangleSize);
    for (std::size_t i = 0; i < count; ++i) {
        int const cx = centre(rng), cy = centre(rng), cz = centre(rng);
        MStlPoint* p[3];
        for (auto& q : p) q = mesh.AddPoint(cx + offset(rng), cy + offset(rng), cz + offset(rng));
        mesh.AddTriangle(p[0], p[1], p[2]);
    }
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
    for (std::size_t i = 0; i < count; ++i) {
        MStlPoint* a = mesh.AddPoint(-1000 + jitter(rng), -1000 + jitter(rng), -1000 + jitter(rng));
        MStlPoint* b = mesh.AddPoint(1000 + jitter(rng), 1000 + jitter(rng), 1000 + jitter(rng));
        MStlPoint* c = mesh.AddPoint(jitter(rng), 1000 + jitter(rng), -1000 + jitter(rng));
        mesh.AddTriangle(a, b, c);
    }
}

inline std::vector<Point> RandomPoints(std::size_t count, double halfSize, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-halfSize, halfSize);
    std::vector<Point> points(count);
    for (auto& p : points) p = Point(u(rng), u(rng), u(rng));
    return points;
}

template <class Tree>
using NodeOf = typename Tree::Node;

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

template <class Node>
int Depth(Node const* node)
{
    int depth = 0;
    for (Node const* child : node->children)
        if (child) depth = std::max(depth, 1 + Depth(child));
    return depth;
}

}  // namespace statictreetest
