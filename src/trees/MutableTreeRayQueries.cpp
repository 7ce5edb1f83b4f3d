#include <limits>

#include "trees/M3DTriangleTreeMutable.h"
#include "trees/detail/RayTriangleTest.h"
#include "trees/detail/SegmentBoxClip.h"
#include "trees/detail/TrianglePrefetch.h"

namespace MeshQueriesMutable
{

MeshQueries::ProjectPointResult<StlHandle> M3DTriangleTreeMutableStl::ProjectPoint(Point const& origin,
                                                                                   Point const& direction)
{
    MeshQueries::ProjectPointResult<StlHandle> result;
    if (!m_root) return result;
    double const length = direction.Length();
    if (!(length > 0.0)) return result;
    Point const unit = direction / length;
    double tMax = std::numeric_limits<double>::max();
    MStlTriangle* hit = nullptr;
    m_root->ProjectPoint(hit, origin, unit, tMax);
    if (!hit) return result;
    result.mesh = m_mesh;
    result.distance = tMax;
    result.triangle = Triangle(hit);
    result.point = origin + unit * tMax;
    return result;
}

void M3DTriangleTreeMutableStl::Node::ProjectPoint(MStlTriangle*& result, Point const& origin, Point const& direction,
                                                   double& tMax)
{
    PrefetchChildren(children);
    // The outer groups are clipped as one pair, the straddling one alongside; an absent outer child
    // is clipped on its sibling's box and its outcome dropped.
    BaseNode* const* const c = children;
    for (BaseNode* child : children)
        if (child) child->EnsureBBox();
    bool passed[3] = {false, false, false};
    double entry[3] = {0.0, 0.0, 0.0};
    if (c[0] || c[2])
    {
        double outer[2] = {0.0, 0.0};
        unsigned const met = SegmentMeetsBoxPair((c[0] ? c[0] : c[2])->box, (c[2] ? c[2] : c[0])->box, origin,
                                                 direction, 0.0, tMax, outer);
        passed[0] = c[0] && (met & 1u);
        passed[2] = c[2] && (met & 2u);
        entry[0] = outer[0];
        entry[2] = outer[1];
    }
    if (c[1]) passed[1] = SegmentMeetsBox(c[1]->box, origin, direction, 0.0, tMax, entry[1]);
    for (int slot = 0; slot < 3; ++slot)
        if (passed[slot]) children[slot]->PrefetchContents();
    // The straddling group first, then the outer groups nearest entry first (slot 2 on a tie).
    int order[3];
    int count = 0;
    if (passed[1]) order[count++] = 1;
    if (passed[0] && passed[2])
    {
        bool const lowFirst = entry[0] < entry[2];
        order[count++] = lowFirst ? 0 : 2;
        order[count++] = lowFirst ? 2 : 0;
    }
    else if (passed[0])
    {
        order[count++] = 0;
    }
    else if (passed[2])
    {
        order[count++] = 2;
    }
    result = nullptr;
    for (int i = 0; i < count; ++i)
    {
        double const before = tMax;
        MStlTriangle* found = nullptr;
        children[order[i]]->ProjectPoint(found, origin, direction, tMax);
        if (tMax < before) result = found;
    }
}

void M3DTriangleTreeMutableStl::Leaf::ProjectPoint(MStlTriangle*& result, Point const& origin, Point const& direction,
                                                   double& tMax)
{
    PrefetchTriangles(triangles);
    result = nullptr;
    for (MStlTriangle* t : triangles)
    {
        double hit;
        if (RayHitsTriangle(origin, direction, t->GetVertex(0), t->GetVertex(1), t->GetVertex(2), 0.0, tMax, hit))
        {
            result = t;
            tMax = hit;
        }
    }
}

void M3DTriangleTreeMutableStl::Node::GetTrianglesAlongLineSegment(std::vector<Triangle>& out, Point const& origin,
                                                                   Point const& direction, double const& tMin,
                                                                   double const& tMax)
{
    for (BaseNode* child : children)
    {
        if (!child) continue;
        child->EnsureBBox();
        double entry;
        if (SegmentMeetsBox(child->box, origin, direction, tMin, tMax, entry))
            child->GetTrianglesAlongLineSegment(out, origin, direction, tMin, tMax);
    }
}

void M3DTriangleTreeMutableStl::Leaf::GetTrianglesAlongLineSegment(std::vector<Triangle>& out, Point const& origin,
                                                                   Point const& direction, double const& tMin,
                                                                   double const& tMax)
{
    for (MStlTriangle* t : triangles)
    {
        double hit;
        if (RayHitsTriangle(origin, direction, t->GetVertex(0), t->GetVertex(1), t->GetVertex(2), tMin, tMax, hit))
            out.emplace_back(t);
    }
}

} // namespace MeshQueriesMutable
