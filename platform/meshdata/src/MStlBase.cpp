#include "meshdata/MStlBase.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

namespace
{
class DefaultMarker : public IStlMarkTriangles
{
public:
    void MarkTriangle(MStlTriangle& triangle) override { triangle.Mark(); }
};

void RequireOwnPoint(MStlBase const* mesh, MStlPoint const* p)
{
    if (!p) throw std::invalid_argument("MStlBase: null point");
    if (p->GetIndex() >= mesh->NumberOfPoints() || mesh->GetPoint(p->GetIndex()) != p)
        throw std::invalid_argument("MStlBase: point of another mesh");
}
} // namespace

MStlBase::MStlBase() : m_defaultMarker(new DefaultMarker) {}

MStlBase::~MStlBase()
{
    // Callbacks outliving the mesh must not unsubscribe from it.
    for (MStlCallback* c : m_callbacks) c->m_mesh = nullptr;
}

MStlPoint* MStlBase::AddPoint(std::int32_t x, std::int32_t y, std::int32_t z)
{
    m_points.emplace_back(x, y, z);
    MStlPoint* const p = &m_points.back();
    p->m_index = m_points.size() - 1;
    return p;
}

MStlTriangle* MStlBase::AllocateTriangle()
{
    if (!m_freeTriangles.empty())
    {
        MStlTriangle* const t = m_freeTriangles.back();
        m_freeTriangles.pop_back();
        return t;
    }
    m_triangleStorage.emplace_back();
    return &m_triangleStorage.back();
}

void MStlBase::ReserveTriangles(std::size_t additionalTriangles)
{
    m_triangles.reserve(m_triangles.size() + additionalTriangles);
    if (MStlEdgeIndex* const edges = EdgeIndexToMaintain()) edges->Reserve(additionalTriangles);
}

MStlTriangle* MStlBase::AddTriangle(MStlPoint* a, MStlPoint* b, MStlPoint* c)
{
    RequireOwnPoint(this, a);
    RequireOwnPoint(this, b);
    RequireOwnPoint(this, c);
    // Room first, so that the push_back below cannot throw after the triangle is linked; grown
    // geometrically, since reserving one more each time would copy the list on every addition.
    if (m_triangles.size() == m_triangles.capacity())
        m_triangles.reserve(std::max<std::size_t>(16, 2 * m_triangles.size()));
    MStlTriangle* const t = AllocateTriangle();
    t->m_points[0] = a;
    t->m_points[1] = b;
    t->m_points[2] = c;
    t->m_mesh = this;
    t->m_marked = false;
    t->m_elementIndex = m_triangles.size();
    t->LinkToPoints();
    m_triangles.push_back(t);
    m_masks.ResizeAll(m_triangles.size());
    void const* words[2] = {t, nullptr};
    Notify(eStlEventTriangleAdded, words);
    return t;
}

void MStlBase::RemoveTriangle(MStlTriangle* t)
{
    if (!t || t->m_mesh != this || t->m_elementIndex >= m_triangles.size() || m_triangles[t->m_elementIndex] != t)
        throw std::invalid_argument("MStlBase::RemoveTriangle: not a triangle of this mesh");
    void const* words[2] = {t, nullptr};
    Notify(eStlEventTriangleRemoving, words);
    for (auto& f : m_features)
    {
        auto& v = f->m_triangles;
        v.erase(std::remove(v.begin(), v.end(), t), v.end());
    }
    std::size_t const index = t->m_elementIndex, last = m_triangles.size() - 1;
    if (index != last)
    {
        MStlTriangle* const moved = m_triangles[last];
        m_masks.MoveEntryAll(last, index);
        moved->m_elementIndex = index;
        m_triangles[index] = moved;
    }
    m_triangles.pop_back();
    m_masks.ResizeAll(m_triangles.size());
    t->UnlinkFromPoints();
    t->m_mesh = nullptr;
    m_freeTriangles.push_back(t);
}

void MStlBase::ChangeTriangle(MStlTriangle* t, MStlPoint* a, MStlPoint* b, MStlPoint* c)
{
    if (!t || t->m_mesh != this) throw std::invalid_argument("MStlBase::ChangeTriangle: not a triangle of this mesh");
    RequireOwnPoint(this, a);
    RequireOwnPoint(this, b);
    RequireOwnPoint(this, c);
    t->UnlinkFromPoints();
    t->m_points[0] = a;
    t->m_points[1] = b;
    t->m_points[2] = c;
    t->LinkToPoints();
    void const* words[2] = {t, nullptr};
    Notify(eStlEventTriangleChanged, words);
}

void MStlBase::MovePoint(MStlPoint* p, MMPoint3dIntegerTypes<long> const& position)
{
    RequireOwnPoint(this, p);
    p->Set(position);
    std::vector<MStlTriangle*> moved;
    for (MStlTriangle* t = p->GetFirstTriangle(); t; t = t->NextTriangleAround(p)) moved.push_back(t);
    NotifyTriangleList(eStlEventTrianglesMoved, moved);
}

void MStlBase::MovePoints(std::vector<MStlPoint*> const& points, std::vector<MMPoint3d<long>> const& positions)
{
    if (points.size() != positions.size()) throw std::invalid_argument("MStlBase::MovePoints: size mismatch");
    for (MStlPoint* p : points) RequireOwnPoint(this, p);
    std::vector<MStlTriangle*> changed;
    std::unordered_set<MStlTriangle*> seen;
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        points[i]->Set(positions[i]);
        for (MStlTriangle* t = points[i]->GetFirstTriangle(); t; t = t->NextTriangleAround(points[i]))
            if (seen.insert(t).second) changed.push_back(t);
    }
    NotifyTriangleList(eStlEventTrianglesBatch, changed);
}

void MStlBase::InvertAll()
{
    for (MStlTriangle* t : m_triangles) t->Invert(0);
}

void MStlBase::UnmarkAll()
{
    for (MStlTriangle* t : m_triangles) t->Unmark();
}

M3DBoundingBox<long> MStlBase::GetBoundingBox() const
{
    M3DBoundingBox<long> box;
    for (MStlTriangle const* t : m_triangles)
        for (int k = 0; k < 3; ++k) box.AddPoint(t->GetPoint(k)->GetInteger());
    return box;
}

void MStlBase::BuildEdgeIndex() const
{
    std::lock_guard<std::mutex> const lock(m_edgesBuild);
    if (m_edgesReady.load(std::memory_order_relaxed)) return;
    auto edges = std::make_unique<MStlEdgeIndex>();
    edges->Reserve(m_triangles.size());
    // In linking order, so that each triangle goes to the front of its lists as when it was linked.
    std::vector<MStlTriangle*> byLinking = m_triangles;
    std::sort(byLinking.begin(), byLinking.end(),
              [](MStlTriangle const* a, MStlTriangle const* b) { return a->m_linkSequence < b->m_linkSequence; });
    for (MStlTriangle* t : byLinking) edges->Link(t);
    m_edges = std::move(edges);
    m_edgesReady.store(true, std::memory_order_release);
}

MStlFeature* MStlBase::AddFeature()
{
    m_features.emplace_back(new MStlFeature(this));
    return m_features.back().get();
}

MStlGraph* MStlBase::AddGraph()
{
    m_graphs.emplace_back(new MStlGraph(this));
    return m_graphs.back().get();
}

MStlBaseElementInfoStlDependency* MStlBase::GetOrCreateElementInfo()
{
    if (!m_elementInfo) m_elementInfo.reset(new MStlBaseElementInfoStlDependency);
    return m_elementInfo.get();
}

void MStlBase::Subscribe(MStlCallback* c) { m_callbacks.push_back(c); }

void MStlBase::Unsubscribe(MStlCallback* c)
{
    auto const it = std::find(m_callbacks.begin(), m_callbacks.end(), c);
    if (it != m_callbacks.end()) m_callbacks.erase(it);
}

void MStlBase::Notify(MStlCallBackEventID id, void const* const* words)
{
    // A copy, so that a callback may unsubscribe while being notified.
    std::vector<MStlCallback*> const callbacks = m_callbacks;
    for (MStlCallback* c : callbacks)
        if (c->IsEventEnabled(id)) c->HandleEvent(id, words);
}

void MStlBase::NotifyTriangleList(MStlCallBackEventID id, std::vector<MStlTriangle*> const& triangles)
{
    if (m_callbacks.empty()) return;
    std::size_t const maxPerEvent = 65535;
    for (std::size_t start = 0; start < triangles.size(); start += maxPerEvent)
    {
        std::size_t const n = std::min(maxPerEvent, triangles.size() - start);
        std::vector<MStlTriangleListEntry> entries(n);
        std::vector<MStlTriangleListEntry const*> pointers(n);
        for (std::size_t i = 0; i < n; ++i)
        {
            entries[i].triangle = triangles[start + i];
            pointers[i] = &entries[i];
        }
        MStlTriangleList const list{std::uint16_t(n), pointers.data()};
        void const* words[2] = {nullptr, nullptr};
        words[id == eStlEventTrianglesBatch ? 1 : 0] = &list;
        Notify(id, words);
    }
}
