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
            m_root = _BuildNode(_AllocateNode(), begin, end, 0, 0u, nullptr, boxes);
        else
            m_root = _BuildLeaf(_AllocateLeaf(), begin, end, nullptr, boxes);
    } catch (...) {
        Clear();
        throw;
    }
}

M3DTriangleTreeMutableStl::BaseNode* M3DTriangleTreeMutableStl::_BuildNode(void* block, Range begin, Range end,
                                                                          int firstAxis, unsigned usedAxes,
                                                                          Node* parent, BoxMask const& boxes)
{
    Node* const node = new (block) Node(this, parent);
    int axis = firstAxis;
    while (usedAxes & (1u << axis)) axis = (axis + 1) % 3;
    for (Range t = begin; t != end; ++t) MeshQueries::AddTriangleBox(node->box, boxes.GetInfo(*t));
    double const split = (node->box.min[axis] + node->box.max[axis]) * 0.5;
    auto const groups = PartitionAround(begin, end, axis, split, boxes);

    struct Group {
        Range begin, end;
        unsigned usedAxes;
        bool isNode;
        void* block;
    };
    unsigned const straddleAxes = usedAxes | (1u << axis);
    Group group[3] = {{begin, groups.first, usedAxes, false, nullptr},
                      {groups.first, groups.second, straddleAxes, false, nullptr},
                      {groups.second, end, usedAxes, false, nullptr}};
    for (Group& g : group) {
        std::size_t const size = std::size_t(g.end - g.begin);
        g.isNode = size > m_leafCapacity && g.usedAxes != kAllAxesUsed;
    }
    // Siblings take consecutive blocks, so that a visit reads their boxes from neighbouring memory.
    for (Group& g : group)
        if (g.begin != g.end) g.block = g.isNode ? _AllocateNode() : _AllocateLeaf();
    int const childAxis = (axis + 1) % 3;
    try {
        for (int slot = 0; slot < 3; ++slot) {
            Group const& g = group[slot];
            if (g.begin == g.end) continue;
            node->children[slot] = g.isNode ? _BuildNode(g.block, g.begin, g.end, childAxis, g.usedAxes, node, boxes)
                                            : _BuildLeaf(g.block, g.begin, g.end, node, boxes);
        }
    } catch (...) {
        node->~Node();
        throw;
    }
    return node;
}

M3DTriangleTreeMutableStl::BaseNode* M3DTriangleTreeMutableStl::_BuildLeaf(void* block, Range begin, Range end,
                                                                          Node* parent, BoxMask const& boxes)
{
    Leaf* const leaf = new (block) Leaf(this, parent);
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
