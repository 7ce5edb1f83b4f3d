#include "meshdata/detail/MStlEdgeIndex.h"

#include "meshdata/MStlTriangle.h"
#include <algorithm>

namespace
{

// The first edge slot of t that runs from a to b, or -1.
int SlotRunning(MStlTriangle const* t, MStlPoint const* a, MStlPoint const* b)
{
    for (int k = 0; k < 3; ++k)
        if (t->GetPoint(k) == a && t->GetPoint((k + 1) % 3) == b) return k;
    return -1;
}

// True when edge slot k is the first of points' edges with the same two ends in the same order.
bool IsFirstOfItsDirection(MStlPoint* const (&points)[3], int k)
{
    for (int j = 0; j < k; ++j)
        if (points[j] == points[k] && points[(j + 1) % 3] == points[(k + 1) % 3]) return false;
    return true;
}

// True when edge slot k is the first of points' edges joining the same two ends either way.
bool IsFirstOfItsPair(MStlPoint* const (&points)[3], int k)
{
    MStlPoint const* const a = points[k];
    MStlPoint const* const b = points[(k + 1) % 3];
    for (int j = 0; j < k; ++j)
    {
        MStlPoint const* const c = points[j];
        MStlPoint const* const d = points[(j + 1) % 3];
        if ((c == a && d == b) || (c == b && d == a)) return false;
    }
    return true;
}

} // namespace

std::size_t MStlEdgeIndex::Home(Key const& k) const
{
    std::uint64_t const a = reinterpret_cast<std::uintptr_t>(k.low);
    std::uint64_t const b = reinterpret_cast<std::uintptr_t>(k.high);
    std::uint64_t h = (a ^ (b * 0x9E3779B97F4A7C15ull)) * 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return std::size_t(h) & (m_slots.size() - 1);
}

MStlEdgeIndex::Entry const* MStlEdgeIndex::Find(Key const& k) const
{
    if (m_slots.empty()) return nullptr;
    std::size_t const mask = m_slots.size() - 1;
    for (std::size_t i = Home(k);; i = (i + 1) & mask)
    {
        if (!m_slots[i].key.low) return nullptr;
        if (m_slots[i].key == k) return &m_slots[i].entry;
    }
}

MStlEdgeIndex::Entry* MStlEdgeIndex::Find(Key const& k)
{
    return const_cast<Entry*>(static_cast<MStlEdgeIndex const*>(this)->Find(k));
}

MStlEdgeIndex::Entry& MStlEdgeIndex::FindOrAdd(Key const& k)
{
    if (Entry* const e = Find(k)) return *e;
    // Grown at seven tenths full: linear probing stays short, and a slot costs 56 bytes.
    if (10 * (m_used + 1) > 7 * m_slots.size()) Rehash(std::max<std::size_t>(64, 2 * m_slots.size()));
    std::size_t const mask = m_slots.size() - 1;
    std::size_t i = Home(k);
    while (m_slots[i].key.low) i = (i + 1) & mask;
    m_slots[i].key = k;
    m_slots[i].entry = Entry();
    ++m_used;
    return m_slots[i].entry;
}

void MStlEdgeIndex::Erase(Key const& k)
{
    if (m_slots.empty()) return;
    std::size_t const mask = m_slots.size() - 1;
    std::size_t i = Home(k);
    while (m_slots[i].key.low && !(m_slots[i].key == k)) i = (i + 1) & mask;
    if (!m_slots[i].key.low) return;
    // Shift later members of the probe run back, so that no lookup meets a hole before its key.
    for (std::size_t j = (i + 1) & mask; m_slots[j].key.low; j = (j + 1) & mask)
    {
        std::size_t const home = Home(m_slots[j].key);
        bool const homeOutsideHoleToJ = i <= j ? (home <= i || home > j) : (home <= i && home > j);
        if (homeOutsideHoleToJ)
        {
            m_slots[i] = m_slots[j];
            i = j;
        }
    }
    m_slots[i] = Slot();
    --m_used;
}

void MStlEdgeIndex::Rehash(std::size_t slots)
{
    std::size_t size = 64;
    while (size < slots) size *= 2;
    std::vector<Slot> old(size);
    old.swap(m_slots);
    std::size_t const mask = m_slots.size() - 1;
    for (Slot const& s : old)
    {
        if (!s.key.low) continue;
        std::size_t i = Home(s.key);
        while (m_slots[i].key.low) i = (i + 1) & mask;
        m_slots[i] = s;
    }
}

void MStlEdgeIndex::Reserve(std::size_t triangles)
{
    // A closed mesh has one and a half edges per triangle.
    std::size_t const wanted = (m_used + triangles + triangles / 2) * 10 / 7 + 1;
    if (wanted > m_slots.size()) Rehash(wanted);
}

MStlEdgeIndex::Use MStlEdgeIndex::Classify(MStlTriangle const* t, MStlPoint const* a, MStlPoint const* b)
{
    for (int k = 0; k < 3; ++k)
    {
        if (t->GetPoint(k) != a) continue;
        if (t->GetPoint((k + 1) % 3) == b) return eForward;
        if (t->GetPoint((k + 2) % 3) == b) return eBackward;
    }
    return eNone;
}

void MStlEdgeIndex::CountOnEdges(MStlTriangle const* t, MStlPoint* const (&points)[3], int sign)
{
    for (int k = 0; k < 3; ++k)
    {
        if (!IsFirstOfItsPair(points, k)) continue;
        Key const key = KeyOf(points[k], points[(k + 1) % 3]);
        Entry& e = FindOrAdd(key);
        e.lowHigh[Classify(t, key.low, key.high)] += std::uint32_t(sign);
        e.highLow[Classify(t, key.high, key.low)] += std::uint32_t(sign);
    }
}

void MStlEdgeIndex::Insert(MStlTriangle* t, int slot, bool atFront)
{
    MStlPoint const* const a = t->m_points[slot];
    MStlPoint const* const b = t->m_points[(slot + 1) % 3];
    Key const key = KeyOf(a, b);
    MStlTriangle*& head = FindOrAdd(key).head[key.low == a ? 0 : 1];
    MStlTriangle* before = nullptr;
    MStlTriangle* after = head;
    if (!atFront)
    {
        while (after && after->m_linkSequence > t->m_linkSequence)
        {
            before = after;
            after = after->m_edgeNext[SlotRunning(after, a, b)];
        }
    }
    t->m_edgePrev[slot] = before;
    t->m_edgeNext[slot] = after;
    if (before)
        before->m_edgeNext[SlotRunning(before, a, b)] = t;
    else
        head = t;
    if (after) after->m_edgePrev[SlotRunning(after, a, b)] = t;
}

void MStlEdgeIndex::Remove(MStlTriangle* t, int slot)
{
    MStlPoint const* const a = t->m_points[slot];
    MStlPoint const* const b = t->m_points[(slot + 1) % 3];
    Key const key = KeyOf(a, b);
    Entry* const entry = Find(key);
    if (!entry) return;
    MStlTriangle* const before = t->m_edgePrev[slot];
    MStlTriangle* const after = t->m_edgeNext[slot];
    if (before)
        before->m_edgeNext[SlotRunning(before, a, b)] = after;
    else
        entry->head[key.low == a ? 0 : 1] = after;
    if (after) after->m_edgePrev[SlotRunning(after, a, b)] = before;
    t->m_edgePrev[slot] = t->m_edgeNext[slot] = nullptr;
    if (!entry->head[0] && !entry->head[1]) Erase(key);
}

void MStlEdgeIndex::Link(MStlTriangle* t)
{
    CountOnEdges(t, t->m_points, +1);
    for (int k = 0; k < 3; ++k)
        if (IsFirstOfItsDirection(t->m_points, k)) Insert(t, k, true);
}

void MStlEdgeIndex::Unlink(MStlTriangle* t)
{
    CountOnEdges(t, t->m_points, -1);
    for (int k = 0; k < 3; ++k)
        if (IsFirstOfItsDirection(t->m_points, k)) Remove(t, k);
}

void MStlEdgeIndex::Relink(MStlTriangle* t, MStlPoint* const (&oldPoints)[3])
{
    // Unlink under the old corners (the link fields still belong to the old edge slots).
    MStlPoint* const newPoints[3] = {t->m_points[0], t->m_points[1], t->m_points[2]};
    for (int k = 0; k < 3; ++k) t->m_points[k] = oldPoints[k];
    Unlink(t);
    for (int k = 0; k < 3; ++k) t->m_points[k] = newPoints[k];
    CountOnEdges(t, t->m_points, +1);
    for (int k = 0; k < 3; ++k)
        if (IsFirstOfItsDirection(t->m_points, k)) Insert(t, k, false);
}

MStlTriangle* MStlEdgeIndex::FirstRunning(MStlPoint const* a, MStlPoint const* b, MStlTriangle const* skip) const
{
    Key const key = KeyOf(a, b);
    Entry const* const entry = Find(key);
    if (!entry) return nullptr;
    MStlTriangle* t = entry->head[key.low == a ? 0 : 1];
    // skip is in the list at most once, so the answer is one of the first two.
    if (t == skip) t = t->m_edgeNext[SlotRunning(t, a, b)];
    return t;
}

MStlEdgeIndex::Counts MStlEdgeIndex::Count(MStlPoint const* a, MStlPoint const* b) const
{
    Key const key = KeyOf(a, b);
    Entry const* const entry = Find(key);
    Counts c;
    if (!entry) return c;
    std::uint32_t const* const byUse = key.low == a ? entry->lowHigh : entry->highLow;
    c.forward = byUse[eForward];
    c.backward = byUse[eBackward];
    return c;
}

void MStlEdgeIndex::ForEachOnEdge(MStlPoint const* a, MStlPoint const* b,
                                  std::function<void(MStlTriangle const*)> const& visit) const
{
    Key const key = KeyOf(a, b);
    Entry const* const entry = Find(key);
    if (!entry) return;
    for (MStlTriangle const* t = entry->head[0]; t; t = t->m_edgeNext[SlotRunning(t, key.low, key.high)]) visit(t);
    // A triangle running the edge both ways was visited already.
    for (MStlTriangle const* t = entry->head[1]; t; t = t->m_edgeNext[SlotRunning(t, key.high, key.low)])
        if (SlotRunning(t, key.low, key.high) < 0) visit(t);
}
