#pragma once
// Welding of vertices while a mesh file is read: identical integer positions become one point.
#include "LargePageBuffer.h"
#include "meshdata/MStlBase.h"
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

namespace MeshFiles
{
struct WeldSlot
{
    std::int32_t x, y, z;
    std::uint32_t indexPlusOne; // 0: empty
};

// The slot table: probed at random, so it sits on large pages.
class WeldSlotArray
{
public:
    explicit WeldSlotArray(std::size_t count)
        : m_buffer(count * sizeof(WeldSlot)), m_slots(static_cast<WeldSlot*>(m_buffer.Data()))
    {
    }

    WeldSlot& operator[](std::size_t i) { return m_slots[i]; }
    WeldSlot const& operator[](std::size_t i) const { return m_slots[i]; }
    void Swap(WeldSlotArray& o)
    {
        m_buffer.Swap(o.m_buffer);
        std::swap(m_slots, o.m_slots);
    }

private:
    LargePageBuffer m_buffer;
    WeldSlot* m_slots;
};

// Open-addressing hash of integer positions to point indices; linear probing keeps a lookup within
// one or two cache lines, and the slot holds the position itself so no second memory access is
// needed to compare.
class PointWelder
{
public:
    PointWelder(MStlBase& mesh, std::size_t expectedPoints)
        : m_mesh(mesh), m_capacity(CapacityFor(expectedPoints)), m_mask(m_capacity - 1), m_slots(m_capacity)
    {
        m_points.reserve(expectedPoints);
    }

    static std::size_t Hash(std::int32_t x, std::int32_t y, std::int32_t z)
    {
        std::uint64_t h = std::uint64_t(std::uint32_t(x)) * 0x9E3779B97F4A7C15ull;
        h ^= std::uint64_t(std::uint32_t(y)) * 0xC2B2AE3D27D4EB4Full;
        h ^= std::uint64_t(std::uint32_t(z)) * 0x165667B19E3779F9ull;
        h ^= h >> 31;
        h *= 0xD6E8FEB86659FD93ull;
        return std::size_t(h ^ (h >> 32));
    }

    // Asks the memory system for the slot of a position that is about to be looked up, so that the
    // lookups of a batch of triangles wait for memory together rather than one after another.
    void Prefetch(std::size_t hash) const { __builtin_prefetch(&m_slots[hash & m_mask]); }

    MStlPoint* Point(std::uint32_t index) const { return m_points[index]; }

    // Most corners of a mesh file repeat a vertex met a few triangles earlier; a small cache of
    // recent positions answers those without touching the large table.
    bool FindRecent(std::int32_t x, std::int32_t y, std::int32_t z, std::size_t hash, std::uint32_t& index) const
    {
        WeldSlot const& s = m_recent[RecentSlot(hash)];
        if (s.indexPlusOne == 0 || s.x != x || s.y != y || s.z != z) return false;
        index = s.indexPlusOne - 1;
        return true;
    }

    std::uint32_t IndexOf(std::int32_t x, std::int32_t y, std::int32_t z) { return IndexOf(x, y, z, Hash(x, y, z)); }

    // The index of the point at (x, y, z), adding a new point to the mesh when none is there yet.
    std::uint32_t IndexOf(std::int32_t x, std::int32_t y, std::int32_t z, std::size_t hash)
    {
        for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask)
        {
            WeldSlot& s = m_slots[i];
            if (s.indexPlusOne == 0)
            {
                std::uint32_t const index = Append(x, y, z);
                s = WeldSlot{x, y, z, index + 1};
                m_recent[RecentSlot(hash)] = s;
                if (++m_used * 5 > m_capacity * 3) Grow();
                return index;
            }
            if (s.x == x && s.y == y && s.z == z)
            {
                m_recent[RecentSlot(hash)] = s;
                return s.indexPlusOne - 1;
            }
        }
    }

private:
    static constexpr std::size_t kRecentSlots = 4096;
    // High hash bits, so that the cache and the table do not crowd the same positions together.
    static std::size_t RecentSlot(std::size_t hash) { return (hash >> 48) & (kRecentSlots - 1); }

    static std::size_t CapacityFor(std::size_t points)
    {
        std::size_t capacity = 64;
        while (capacity < 2 * points) capacity *= 2;
        return capacity;
    }

    std::uint32_t Append(std::int32_t x, std::int32_t y, std::int32_t z)
    {
        std::size_t const index = m_points.size();
        if (index >= std::numeric_limits<std::uint32_t>::max() - 1)
            throw std::length_error("STL file with more than 2^32 - 2 distinct points");
        m_points.push_back(m_mesh.AddPoint(x, y, z));
        return std::uint32_t(index);
    }

    void Grow()
    {
        WeldSlotArray old(2 * m_capacity);
        old.Swap(m_slots);
        std::size_t const oldCapacity = m_capacity;
        m_capacity *= 2;
        m_mask = m_capacity - 1;
        for (std::size_t k = 0; k < oldCapacity; ++k)
        {
            WeldSlot const& s = old[k];
            if (s.indexPlusOne == 0) continue;
            std::size_t i = Hash(s.x, s.y, s.z) & m_mask;
            while (m_slots[i].indexPlusOne != 0) i = (i + 1) & m_mask;
            m_slots[i] = s;
        }
    }

    MStlBase& m_mesh;
    std::vector<MStlPoint*> m_points;
    std::size_t m_capacity;
    std::size_t m_mask;
    WeldSlotArray m_slots;
    std::vector<WeldSlot> m_recent = std::vector<WeldSlot>(kRecentSlots, WeldSlot{0, 0, 0, 0});
    std::size_t m_used = 0;
};
} // namespace MeshFiles
