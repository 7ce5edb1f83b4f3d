#include "trees/detail/DependencyTypeIndexSlot.h"

#include <stdexcept>

#include "interfaces/MeshData.h"

namespace MeshQueries
{

std::size_t DependencyTypeIndexSlot::Get(MStlBase const* ip_mesh)
{
    if (m_taken.load(std::memory_order_acquire)) return m_index;
    return _TakeIndex(ip_mesh);
}

std::size_t DependencyTypeIndexSlot::_TakeIndex(MStlBase const* ip_mesh)
{
    std::lock_guard<std::mutex> lock(m_firstCallMutex);
    // Another first call may have taken the index while this one waited.
    if (m_taken.load(std::memory_order_relaxed)) return m_index;
    if (ip_mesh == nullptr) throw std::invalid_argument("ip_mesh");
    m_index = ip_mesh->GetDependencies()->GetNewDependencyIndex();
    m_taken.store(true, std::memory_order_release);
    return m_index;
}

} // namespace MeshQueries
