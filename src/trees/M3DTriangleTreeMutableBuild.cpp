#include <algorithm>
#include <utility>
#include <vector>

#include "trees/M3DTriangleTreeMutable.h"

namespace MeshQueriesMutable {

namespace {

constexpr unsigned kAllAxesUsed = 7;

// Single pass with three cursors: below goes to the front, above to the back, straddling stays
// between. Returns the ends of the below and the straddling groups.
template <class Boxes>
std::pair<MStlTriangle**, MStlTriangle**> PartitionAround(MStlTriangle** begin, MStlTriangle** end, int axis,
                                                          double split, Boxes const& boxes)
{
    MStlTriangle** lo = begin;
    MStlTriangle** hi = end;
    MStlTriangle** i = begin;
    while (i < hi) {
        auto const& b = boxes.GetInfo(*i);
        if (double(b.max[axis]) < split) {
            std::swap(*i, *lo);
            ++lo;
            ++i;
        } else if (double(b.min[axis]) > split) {
            --hi;
            std::swap(*i, *hi);
        } else {
            ++i;
        }
    }
    return {lo, hi};
}

} // namespace

void M3DTriangleTreeMutableStl::Rebuild()
{
    Clear();
    MStlBase* const mesh = m_mesh.GetMesh();
    if (!mesh) {
        // Without a mesh there is nothing to map; the root is an empty leaf.
        m_root = new (_AllocateLeaf()) Leaf(this, nullptr);
        return;
    }
    m_leafMap.reset(new LeafMap(mesh->GetDataMaskOwner(), nullptr));
    BoxMask boxes(mesh->GetDataMaskOwner(), TriangleBox());
    std::vector<MStlTriangle*> triangles;
    triangles.reserve(m_mesh.NumberOfTriangles());
    m_mesh.ForEachTriangle([&](MStlTriangle* t) {
        triangles.push_back(t);
        boxes.SetInfo(t, TriangleBox::Of(*t));
    });
    MStlTriangle** const begin = triangles.data();
    MStlTriangle** const end = begin + triangles.size();
    try {
        if (triangles.size() > m_leafCapacity)
            m_root = _BuildNode(begin, end, 0, 0u, nullptr, boxes);
        else
            m_root = _BuildLeaf(begin, end, nullptr, boxes);
    } catch (...) {
        Clear();
        throw;
    }
}

M3DTriangleTreeMutableStl::BaseNode* M3DTriangleTreeMutableStl::_BuildNode(Range begin, Range end, int firstAxis,
                                                                          unsigned usedAxes, Node* parent,
                                                                          BoxMask const& boxes)
{
    Node* const node = new (_AllocateNode()) Node(this, parent);
    int axis = firstAxis;
    while (usedAxes & (1u << axis)) axis = (axis + 1) % 3;
    for (Range t = begin; t != end; ++t) MeshQueries::AddTriangleBox(node->box, boxes.GetInfo(*t));
    double const split = (node->box.min[axis] + node->box.max[axis]) * 0.5;
    auto const groups = PartitionAround(begin, end, axis, split, boxes);
    int const childAxis = (axis + 1) % 3;
    unsigned const straddleAxes = usedAxes | (1u << axis);
    try {
        if (groups.first != begin) node->children[0] = _BuildChild(begin, groups.first, childAxis, usedAxes, node, boxes);
        if (groups.second != groups.first) {
            bool const canSplit = std::size_t(groups.second - groups.first) > m_leafCapacity && straddleAxes != kAllAxesUsed;
            node->children[1] = canSplit ? _BuildNode(groups.first, groups.second, childAxis, straddleAxes, node, boxes)
                                         : _BuildLeaf(groups.first, groups.second, node, boxes);
        }
        if (groups.second != end) node->children[2] = _BuildChild(groups.second, end, childAxis, usedAxes, node, boxes);
    } catch (...) {
        node->~Node();
        throw;
    }
    return node;
}

M3DTriangleTreeMutableStl::BaseNode* M3DTriangleTreeMutableStl::_BuildChild(Range begin, Range end, int firstAxis,
                                                                           unsigned usedAxes, Node* parent,
                                                                           BoxMask const& boxes)
{
    if (std::size_t(end - begin) > m_leafCapacity) return _BuildNode(begin, end, firstAxis, usedAxes, parent, boxes);
    return _BuildLeaf(begin, end, parent, boxes);
}

M3DTriangleTreeMutableStl::BaseNode* M3DTriangleTreeMutableStl::_BuildLeaf(Range begin, Range end, Node* parent,
                                                                          BoxMask const& boxes)
{
    Leaf* const leaf = new (_AllocateLeaf()) Leaf(this, parent);
    try {
        for (Range t = begin; t != end; ++t) {
            MeshQueries::AddTriangleBox(leaf->box, boxes.GetInfo(*t));
            m_leafMap->SetInfo(*t, leaf);
        }
        leaf->triangles.assign(begin, end);
    } catch (...) {
        leaf->~Leaf();
        throw;
    }
    return leaf;
}

} // namespace MeshQueriesMutable
