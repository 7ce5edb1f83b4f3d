#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>

#include "meshdata/MStlFwd.h"

namespace MeshQueries
{

// The dependency index of one type, taken once from the registry of the first mesh that asks.
// After that every call only reads it, without a lock. Concurrent first calls take a single
// index; if the registry throws, nothing is stored and the next call asks again.
class DependencyTypeIndexSlot
{
public:
    constexpr DependencyTypeIndexSlot() = default;
    DependencyTypeIndexSlot(DependencyTypeIndexSlot const&) = delete;
    DependencyTypeIndexSlot& operator=(DependencyTypeIndexSlot const&) = delete;

    // Throws std::invalid_argument("ip_mesh") when the index is still to be taken and the mesh
    // is null; once taken, the mesh is not looked at.
    std::size_t Get(MStlBase const* ip_mesh);

private:
    std::size_t _TakeIndex(MStlBase const* ip_mesh);

    std::atomic<bool> m_taken{false};
    std::size_t m_index = 0;
    std::mutex m_firstCallMutex;
};

} // namespace MeshQueries
