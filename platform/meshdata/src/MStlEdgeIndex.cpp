#include "meshdata/detail/MStlEdgeIndex.h"

#include "meshdata/MStlTriangle.h"

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
        Entry& e = m_entries[key];
        e.lowHigh[Classify(t, key.low, key.high)] += std::size_t(sign);
        e.highLow[Classify(t, key.high, key.low)] += std::size_t(sign);
    }
}

void MStlEdgeIndex::Insert(MStlTriangle* t, int slot, bool atFront)
{
    MStlPoint const* const a = t->m_points[slot];
    MStlPoint const* const b = t->m_points[(slot + 1) % 3];
    Key const key = KeyOf(a, b);
    MStlTriangle*& head = m_entries[key].head[key.low == a ? 0 : 1];
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
    auto const it = m_entries.find(key);
    if (it == m_entries.end()) return;
    MStlTriangle* const before = t->m_edgePrev[slot];
    MStlTriangle* const after = t->m_edgeNext[slot];
    if (before)
        before->m_edgeNext[SlotRunning(before, a, b)] = after;
    else
        it->second.head[key.low == a ? 0 : 1] = after;
    if (after) after->m_edgePrev[SlotRunning(after, a, b)] = before;
    t->m_edgePrev[slot] = t->m_edgeNext[slot] = nullptr;
    if (!it->second.head[0] && !it->second.head[1]) m_entries.erase(it);
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
    auto const it = m_entries.find(key);
    if (it == m_entries.end()) return nullptr;
    MStlTriangle* t = it->second.head[key.low == a ? 0 : 1];
    // skip is in the list at most once, so the answer is one of the first two.
    if (t == skip) t = t->m_edgeNext[SlotRunning(t, a, b)];
    return t;
}

MStlEdgeIndex::Counts MStlEdgeIndex::Count(MStlPoint const* a, MStlPoint const* b) const
{
    Key const key = KeyOf(a, b);
    auto const it = m_entries.find(key);
    Counts c;
    if (it == m_entries.end()) return c;
    std::size_t const* const byUse = key.low == a ? it->second.lowHigh : it->second.highLow;
    c.forward = byUse[eForward];
    c.backward = byUse[eBackward];
    return c;
}

void MStlEdgeIndex::ForEachOnEdge(MStlPoint const* a, MStlPoint const* b,
                                  std::function<void(MStlTriangle const*)> const& visit) const
{
    Key const key = KeyOf(a, b);
    auto const it = m_entries.find(key);
    if (it == m_entries.end()) return;
    for (MStlTriangle const* t = it->second.head[0]; t; t = t->m_edgeNext[SlotRunning(t, key.low, key.high)]) visit(t);
    // A triangle running the edge both ways was visited already.
    for (MStlTriangle const* t = it->second.head[1]; t; t = t->m_edgeNext[SlotRunning(t, key.high, key.low)])
        if (SlotRunning(t, key.low, key.high) < 0) visit(t);
}
