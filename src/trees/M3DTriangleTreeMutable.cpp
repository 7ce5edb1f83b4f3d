#include "trees/M3DTriangleTreeMutable.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace MeshQueriesMutable
{

namespace
{

constexpr std::size_t kPoolGrowth = 1000;

std::size_t LeafCapacityOf(M3DTriangleTreeMutableStl::Mode mode)
{
    switch (mode)
    {
    case M3DTriangleTreeMutableStl::FineLeaves: return 10;
    case M3DTriangleTreeMutableStl::CoarseLeaves: return 30;
    }
    throw std::invalid_argument("i_mode");
}

// Both pools hand out blocks that fit either node kind, rounded up to whole cache lines.
constexpr std::size_t kNodeSize =
    std::max(sizeof(M3DTriangleTreeMutableStl::Node), sizeof(M3DTriangleTreeMutableStl::Leaf));
constexpr std::size_t kNodeBlockSize =
    (kNodeSize + CacheLineAllocator::kLine - 1) / CacheLineAllocator::kLine * CacheLineAllocator::kLine;

} // namespace

M3DTriangleTreeMutableStl::M3DTriangleTreeMutable(Mode mode)
    : m_mode(mode), m_leafCapacity(LeafCapacityOf(mode)), m_nodePool(kNodeBlockSize, kPoolGrowth, kPoolGrowth),
      m_leafPool(kNodeBlockSize, kPoolGrowth, kPoolGrowth)
{
}

M3DTriangleTreeMutableStl::~M3DTriangleTreeMutable() { Clear(); }

void M3DTriangleTreeMutableStl::Clear()
{
    if (m_root)
    {
        m_root->~BaseNode();
        m_root = nullptr;
    }
    m_nodePool.purge_memory();
    m_leafPool.purge_memory();
    m_leafMap.reset();
}

void* M3DTriangleTreeMutableStl::_AllocateNode()
{
    void* const block = m_nodePool.malloc();
    if (!block) throw std::bad_alloc();
    return block;
}

void* M3DTriangleTreeMutableStl::_AllocateLeaf()
{
    void* const block = m_leafPool.malloc();
    if (!block) throw std::bad_alloc();
    return block;
}

M3DTriangleTreeMutableStl::Leaf* M3DTriangleTreeMutableStl::AddTriangle(MStlTriangle* t)
{
    if (!m_root || !t) return nullptr;
    return m_root->AddTriangle(t);
}

bool M3DTriangleTreeMutableStl::RemoveTriangle(MStlTriangle* t)
{
    if (!m_root || !m_leafMap || !t) return false;
    // A triangle of another mesh has no entry of its own in this mesh's leaf map.
    if (t->GetMesh() != m_mesh.GetMesh() || t->GetElementIndex() >= m_leafMap->Size()) return false;
    Leaf* const leaf = m_leafMap->GetInfo(t);
    if (!leaf || !leaf->Erase(t)) return false;
    if (leaf->bboxValid)
    {
        leaf->bboxValid = false;
        leaf->InvalidateAncestors();
    }
    m_leafMap->SetInfo(t, nullptr);
    return true;
}

} // namespace MeshQueriesMutable
