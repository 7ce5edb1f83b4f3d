#include <algorithm>
#include <utility>
#include <vector>

#include "trees/M3DTriangleTreeMutable.h"
#include "trees/detail/MidpointSplit.h"

namespace MeshQueriesMutable
{

namespace split = MeshQueries::detail;

void M3DTriangleTreeMutableStl::Rebuild()
{
    Clear();
    MStlBase* const mesh = m_mesh.GetMesh();
    if (!mesh)
    {
        // Without a mesh there is nothing to map; the root is an empty leaf.
        m_root = new (_AllocateLeaf()) Leaf(this, nullptr);
        return;
    }
    m_leafMap.reset(new LeafMap(mesh->GetDataMaskOwner(), nullptr));
    BoxMask boxes(mesh->GetDataMaskOwner(), TriangleBox());
    TriangleArray triangles;
    m_mesh.ForEachTriangle(
        [&](MStlTriangle* t)
        {
            triangles.PushBack(t);
            boxes.SetInfo(t, TriangleBox::Of(*t));
        });
    BuildRange const all{triangles, boxes};
    try
    {
        if (triangles.Size() > m_leafCapacity)
            m_root = _BuildNode(_AllocateNode(), all, 0, triangles.Size(), 0, 0u, nullptr);
        else
            m_root = _BuildLeaf(_AllocateLeaf(), all, 0, triangles.Size(), nullptr);
    }
    catch (...)
    {
        Clear();
        throw;
    }
}

M3DTriangleTreeMutableStl::BaseNode* M3DTriangleTreeMutableStl::_BuildNode(void* block, BuildRange const& all,
                                                                           std::size_t begin, std::size_t end,
                                                                           int firstAxis, unsigned usedAxes,
                                                                           Node* parent)
{
    Node* const node = new (block) Node(this, parent);
    int const axis = split::ChooseSplitAxis(firstAxis, usedAxes);
    for (std::size_t i = begin; i != end; ++i)
        MeshQueries::AddTriangleBox(node->box, all.boxes.GetInfo(all.triangles[i]));
    double const splitValue = split::SplitValue(node->box.min[axis], node->box.max[axis]);
    auto const groups = split::PartitionAtSplit(
        begin, end,
        [&](std::size_t i)
        {
            auto const& b = all.boxes.GetInfo(all.triangles[i]);
            return split::GroupOf(double(b.min[axis]), double(b.max[axis]), splitValue);
        },
        [&](std::size_t i, std::size_t j) { all.triangles.SwapEntries(i, j); });

    struct Group
    {
        std::size_t begin, end;
        unsigned usedAxes;
        bool isNode;
        void* block;
    };
    unsigned const straddleAxes = usedAxes | (1u << axis);
    Group group[3] = {{begin, groups.first, usedAxes, false, nullptr},
                      {groups.first, groups.second, straddleAxes, false, nullptr},
                      {groups.second, end, usedAxes, false, nullptr}};
    for (Group& g : group) g.isNode = g.end - g.begin > m_leafCapacity && g.usedAxes != split::kAllAxesUsed;
    // Siblings take consecutive blocks, so that a visit reads their boxes from neighbouring memory.
    for (Group& g : group)
        if (g.begin != g.end) g.block = g.isNode ? _AllocateNode() : _AllocateLeaf();
    int const childAxis = split::NextSplitAxis(axis);
    try
    {
        for (int slot = 0; slot < 3; ++slot)
        {
            Group const& g = group[slot];
            if (g.begin == g.end) continue;
            node->children[slot] = g.isNode ? _BuildNode(g.block, all, g.begin, g.end, childAxis, g.usedAxes, node)
                                            : _BuildLeaf(g.block, all, g.begin, g.end, node);
        }
    }
    catch (...)
    {
        node->~Node();
        throw;
    }
    return node;
}

M3DTriangleTreeMutableStl::BaseNode* M3DTriangleTreeMutableStl::_BuildLeaf(void* block, BuildRange const& all,
                                                                           std::size_t begin, std::size_t end,
                                                                           Node* parent)
{
    Leaf* const leaf = new (block) Leaf(this, parent);
    try
    {
        leaf->triangles.reserve(end - begin);
        for (std::size_t i = begin; i != end; ++i)
        {
            MStlTriangle* const t = all.triangles[i];
            MeshQueries::AddTriangleBox(leaf->box, all.boxes.GetInfo(t));
            m_leafMap->SetInfo(t, leaf);
            leaf->triangles.push_back(t);
        }
    }
    catch (...)
    {
        leaf->~Leaf();
        throw;
    }
    return leaf;
}

} // namespace MeshQueriesMutable
