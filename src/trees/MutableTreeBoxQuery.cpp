#include "trees/M3DTriangleTreeMutable.h"

namespace MeshQueriesMutable
{

void M3DTriangleTreeMutableStl::Node::GetTrianglesInsideBBox(std::vector<Triangle>& out,
                                                             M3DBoundingBox<double> const& query)
{
    for (BaseNode* child : children)
    {
        if (!child) continue;
        child->EnsureBBox();
        M3DBoundingBox<double> const childBox(child->box.min, child->box.max);
        if (childBox.OverlapsBoundingBox(query)) child->GetTrianglesInsideBBox(out, query);
    }
}

void M3DTriangleTreeMutableStl::Leaf::GetTrianglesInsideBBox(std::vector<Triangle>& out,
                                                             M3DBoundingBox<double> const& query)
{
    for (MStlTriangle* t : triangles)
        if (query.DoesIntersectTriangle(t->GetVertex(0), t->GetVertex(1), t->GetVertex(2))) out.emplace_back(t);
}

} // namespace MeshQueriesMutable
