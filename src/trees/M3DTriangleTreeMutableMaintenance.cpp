#include <algorithm>

#include "trees/M3DTriangleTreeMutable.h"
#include "trees/detail/TrianglePrefetch.h"

namespace MeshQueriesMutable
{

namespace
{

using GroupBox = M3DTriangleTreeMutableStl::GroupBox;

GroupBox UnionOf(GroupBox box, M3DTriangleTreeMutableStl::TriangleBox const& t)
{
    MeshQueries::AddTriangleBox(box, t);
    return box;
}

} // namespace

void M3DTriangleTreeMutableStl::BaseNode::InvalidateAncestors()
{
    for (Node* n = parent; n && n->bboxValid; n = n->parent) n->bboxValid = false;
}

M3DTriangleTreeMutableStl::Node::~Node()
{
    for (BaseNode* child : children)
        if (child) child->~BaseNode();
}

void M3DTriangleTreeMutableStl::Node::UpdateBBox()
{
    if (bboxValid) return;
    box = GroupBox();
    for (BaseNode* child : children)
    {
        if (!child) continue;
        child->EnsureBBox();
        box.Append(child->box);
    }
    bboxValid = true;
}

void M3DTriangleTreeMutableStl::Leaf::UpdateBBox()
{
    if (bboxValid) return;
    box = GroupBox();
    for (MStlTriangle const* t : triangles) MeshQueries::AddTriangleBox(box, TriangleBox::Of(*t));
    bboxValid = true;
}

M3DTriangleTreeMutableStl::Leaf* M3DTriangleTreeMutableStl::Node::AddTriangle(MStlTriangle* t)
{
    TriangleBox const tBox = TriangleBox::Of(*t);
    BaseNode* chosen = nullptr;
    double least = 0.0;
    for (BaseNode* child : children)
    {
        if (!child) continue;
        child->EnsureBBox();
        double const enlargement = UnionOf(child->box, tBox).Volume() - child->box.Volume();
        if (!chosen || enlargement < least)
        {
            chosen = child;
            least = enlargement;
        }
    }
    MeshQueries::AddTriangleBox(box, tBox);
    return chosen->AddTriangle(t);
}

M3DTriangleTreeMutableStl::Leaf* M3DTriangleTreeMutableStl::Leaf::AddTriangle(MStlTriangle* t)
{
    triangles.push_back(t);
    GroupBox const before = box;
    MeshQueries::AddTriangleBox(box, TriangleBox::Of(*t));
    // An empty box that becomes non-empty always differs, because its min.x leaves the marker.
    if (!(box.min == before.min && box.max == before.max)) InvalidateAncestors();
    return this;
}

void M3DTriangleTreeMutableStl::Node::PrefetchContents() const { PrefetchChildren(children); }

void M3DTriangleTreeMutableStl::Leaf::PrefetchContents() const
{
    if (!triangles.empty()) __builtin_prefetch(triangles.data());
}

bool M3DTriangleTreeMutableStl::Leaf::Erase(MStlTriangle* t)
{
    auto const it = std::find(triangles.begin(), triangles.end(), t);
    if (it == triangles.end()) return false;
    *it = triangles.back();
    triangles.pop_back();
    return true;
}

} // namespace MeshQueriesMutable
