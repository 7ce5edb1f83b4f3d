// Data-mask registry, dependency registry, callbacks, graphs, element info, compact meshes and
// the neighbour finder.
#include "meshdata/IDataMask.h"
#include "meshdata/MNeighbourFinder.h"
#include "meshdata/MStlBase.h"
#include "meshdata/MStlCompact.h"
#include <algorithm>
#include <atomic>
#include <stdexcept>

MDataMaskRegistry::~MDataMaskRegistry()
{
    for (IDataMask* m : m_masks) m->OnOwnerDestroyed();
}

void MDataMaskRegistry::RegisterMask(IDataMask* mask)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_masks.push_back(mask);
}

void MDataMaskRegistry::UnregisterMask(IDataMask* mask)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto const it = std::find(m_masks.begin(), m_masks.end(), mask);
    if (it != m_masks.end()) m_masks.erase(it);
}

void MDataMaskRegistry::ResizeAll(std::size_t n)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_count = n;
    for (IDataMask* m : m_masks) m->Resize(n);
}

void MDataMaskRegistry::MoveEntryAll(std::size_t from, std::size_t to)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (IDataMask* m : m_masks) m->CopyEntry(from, to);
}

namespace
{
std::atomic<std::size_t> g_nextDependencyIndex{0};
std::mutex g_hookMutex;
std::function<void()> g_indexHook;
} // namespace

std::size_t MStlBaseDependencies::GetNewDependencyIndex()
{
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        hook = g_indexHook;
    }
    if (hook) hook();
    return g_nextDependencyIndex.fetch_add(1);
}

void MStlBaseDependencies::SetIndexHook(std::function<void()> hook)
{
    std::lock_guard<std::mutex> lock(g_hookMutex);
    g_indexHook = std::move(hook);
}

void MStlBaseDependencies::SetDependency(std::size_t index, std::shared_ptr<void> object)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_objects[index] = std::move(object);
}

std::shared_ptr<void> MStlBaseDependencies::GetDependency(std::size_t index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto const it = m_objects.find(index);
    return it == m_objects.end() ? nullptr : it->second;
}

void MStlBaseDependencies::RemoveDependency(std::size_t index)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_objects.erase(index);
}

MStlCallback::MStlCallback(MStlBase* mesh) : m_mesh(mesh)
{
    if (m_mesh) m_mesh->Subscribe(this);
}

MStlCallback::~MStlCallback()
{
    if (m_mesh) m_mesh->Unsubscribe(this);
}

void MStlCallback::_EnableEvent(MStlCallBackEventID id)
{
    if (int(id) >= 0 && int(id) < 64) m_enabled |= (std::uint64_t(1) << unsigned(id));
}

MStlGraphEdge const& MStlGraph::AddEdge(MStlPoint* a, MStlPoint* b)
{
    if (!a || !b) throw std::invalid_argument("MStlGraph::AddEdge: null vertex");
    m_edges.emplace_back(a, b, m_mesh->NewEdgeId());
    return m_edges.back();
}

void MStlBaseElementInfo::SetEdgeThickness(MStlGraphEdge const& edge, MStlGraphEdgeThickness thickness)
{
    if (edge.IsNull()) throw std::invalid_argument("MStlBaseElementInfo::SetEdgeThickness: null edge");
    if (edge.GetId() >= m_thickness.size()) m_thickness.resize(edge.GetId() + 1);
    m_thickness[edge.GetId()] = thickness;
}

MStlBaseElementInfoStlDependency* MStlBaseElementInfoStlDependency::GetDependency(MStlBase const* mesh, bool)
{
    return mesh ? mesh->GetElementInfo() : nullptr;
}

MStlCompact::MStlCompact(MStlBase const& mesh)
{
    Reserve(mesh.NumberOfPoints(), mesh.NumberOfTriangles());
    for (MStlPoint const& p : mesh.GetPoints()) m_vertices.push_back({p.x, p.y, p.z});
    for (MStlTriangle const* t : mesh.GetTriangles())
        m_triangles.push_back({{std::uint32_t(t->GetPoint(0)->GetIndex()), std::uint32_t(t->GetPoint(1)->GetIndex()),
                                std::uint32_t(t->GetPoint(2)->GetIndex())}});
}

std::uint32_t MStlCompact::AddVertex(MVertex v)
{
    m_vertices.push_back(v);
    return std::uint32_t(m_vertices.size() - 1);
}

std::size_t MStlCompact::AddTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    if (a >= m_vertices.size() || b >= m_vertices.size() || c >= m_vertices.size())
        throw std::out_of_range("MStlCompact::AddTriangle: vertex index out of range");
    m_triangles.push_back({{a, b, c}});
    return m_triangles.size() - 1;
}

void MStlCompact::Reserve(std::size_t vertices, std::size_t triangles)
{
    m_vertices.reserve(vertices);
    m_triangles.reserve(triangles);
}

void MNeighbourFinder::Operate()
{
    m_forward = m_backward = 0;
    if (!m_a || !m_b || !m_a->GetFirstTriangle()) return;
    MStlEdgeIndex const& edges = m_a->GetFirstTriangle()->GetMesh()->GetEdgeIndex();
    if (countCollapsed)
    {
        MStlEdgeIndex::Counts const counts = edges.Count(m_a, m_b);
        m_forward = counts.forward;
        m_backward = counts.backward;
        return;
    }
    edges.ForEachOnEdge(m_a, m_b,
                        [this](MStlTriangle const* t)
                        {
                            if (t->IsCollapsed()) return;
                            MStlEdgeIndex::Use const use = MStlEdgeIndex::Classify(t, m_a, m_b);
                            if (use == MStlEdgeIndex::eForward) ++m_forward;
                            if (use == MStlEdgeIndex::eBackward) ++m_backward;
                        });
}
