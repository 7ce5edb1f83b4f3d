#include <cmath>
#include <limits>

#include "trees/M3DTriangleTreeMutable.h"
#include "trees/detail/PointTriangleDistance.h"
#include "trees/detail/TrianglePrefetch.h"

namespace MeshQueriesMutable
{

namespace
{

struct RankedChild
{
    M3DTriangleTreeMutableStl::BaseNode* node;
    double distance;
};

// Insertion sort: stable, so equal distances keep slot order.
void SortByDistance(RankedChild* ranked, int count)
{
    for (int i = 1; i < count; ++i)
    {
        RankedChild const moving = ranked[i];
        int j = i;
        for (; j > 0 && ranked[j - 1].distance > moving.distance; --j) ranked[j] = ranked[j - 1];
        ranked[j] = moving;
    }
}

} // namespace

MeshQueries::NearestTriangleResult<StlHandle> M3DTriangleTreeMutableStl::NearestTriangle(Point const& p,
                                                                                         double maxDistance)
{
    MeshQueries::NearestTriangleResult<StlHandle> result;
    if (!m_root) return result;
    double const largest = std::numeric_limits<double>::max();
    double best = maxDistance == largest ? largest : maxDistance * maxDistance;
    MStlTriangle* nearest = nullptr;
    m_root->NearestTriangle(nearest, p, best);
    if (!nearest) return result;
    result.mesh = m_mesh;
    result.distance = std::sqrt(best);
    result.triangle = Triangle(nearest);
    result.point = p;
    return result;
}

void M3DTriangleTreeMutableStl::Node::NearestTriangle(MStlTriangle*& result, Point const& p, double& best)
{
    PrefetchChildren(children);
    RankedChild ranked[3];
    int count = 0;
    for (BaseNode* child : children)
    {
        if (!child) continue;
        child->EnsureBBox();
        if (child->box.IsEmpty()) continue;
        ranked[count++] = {child, child->box.DistanceSqr(p)};
    }
    for (int i = 0; i < count; ++i)
        if (ranked[i].distance <= best) ranked[i].node->PrefetchContents();
    SortByDistance(ranked, count);
    result = nullptr;
    for (int i = 0; i < count; ++i)
    {
        if (best < ranked[i].distance) break;
        MStlTriangle* found = nullptr;
        ranked[i].node->NearestTriangle(found, p, best);
        if (found) result = found;
    }
}

void M3DTriangleTreeMutableStl::Leaf::NearestTriangle(MStlTriangle*& result, Point const& p, double& best)
{
    PrefetchTriangles(triangles);
    result = nullptr;
    for (MStlTriangle* t : triangles)
    {
        double const d = PointTriangleDistanceSqr(p, t->GetVertex(0), t->GetVertex(1), t->GetVertex(2));
        if (d <= best)
        {
            best = d;
            result = t;
        }
    }
}

} // namespace MeshQueriesMutable
