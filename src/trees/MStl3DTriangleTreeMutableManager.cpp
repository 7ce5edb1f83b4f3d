#include "trees/MStl3DTriangleTreeMutableManager.h"

#include <cstdint>

namespace MeshQueriesMutable
{

MStl3DTriangleTreeMutableManager::MStl3DTriangleTreeMutableManager(StlHandle mesh, std::size_t invalidateEveryN,
                                                                   Mode mode)
    : MStlCallback(mesh.GetMesh()), m_tree(mode), m_mesh(mesh), m_invalidateEveryN(invalidateEveryN)
{
    m_tree.Clear();
    m_tree.SetMesh(m_mesh);
    m_tree.Rebuild();
    _EnableEvent(eStlEventTriangleAdded);
    _EnableEvent(eStlEventTriangleRemoving);
    _EnableEvent(eStlEventTrianglesMoved);
    _EnableEvent(eStlEventTriangleChanged);
    _EnableEvent(eStlEventTrianglesBatch);
}

MStl3DTriangleTreeMutableManager::~MStl3DTriangleTreeMutableManager() = default;

void MStl3DTriangleTreeMutableManager::HandleEvent(MStlCallBackEventID id, void const* data)
{
    // Once the budget is spent the next update rebuilds everything, so changes need no tracking.
    if (m_operationCount >= m_invalidateEveryN) return;
    void const* const* const words = static_cast<void const* const*>(data);
    switch (id)
    {
    case eStlEventTriangleAdded: _TriangleAdded(static_cast<MStlTriangle*>(const_cast<void*>(words[0]))); break;
    case eStlEventTriangleRemoving: _TriangleRemoving(static_cast<MStlTriangle*>(const_cast<void*>(words[0]))); break;
    case eStlEventTriangleChanged: _TriangleChanged(static_cast<MStlTriangle*>(const_cast<void*>(words[0]))); break;
    case eStlEventTrianglesMoved: _TriangleListChanged(words[0]); break;
    case eStlEventTrianglesBatch: _TriangleListChanged(words[1]); break;
    default: break;
    }
}

void MStl3DTriangleTreeMutableManager::_TriangleAdded(MStlTriangle* t)
{
    m_pending.insert(t);
    ++m_operationCount;
}

void MStl3DTriangleTreeMutableManager::_TriangleRemoving(MStlTriangle* t)
{
    if (m_tree.RemoveTriangle(t))
        ++m_operationCount;
    else
        m_pending.erase(t);
}

void MStl3DTriangleTreeMutableManager::_TriangleChanged(MStlTriangle* t)
{
    _TriangleRemoving(t);
    _TriangleAdded(t);
}

void MStl3DTriangleTreeMutableManager::_TriangleListChanged(void const* list)
{
    auto const* const triangles = static_cast<MStlTriangleList const*>(list);
    for (std::uint16_t i = 0; i < triangles->count; ++i) _TriangleChanged(triangles->entries[i]->triangle);
}

bool MStl3DTriangleTreeMutableManager::_PrefersIncrementalUpdate() const
{
    if (m_operationCount >= m_invalidateEveryN) return false;
    std::uint64_t const n = m_mesh.NumberOfTriangles();
    std::uint64_t const p = m_pending.size();
    return double(p) <= 0.2 * double(std::uint64_t(n - p));
}

void MStl3DTriangleTreeMutableManager::UpdateTree()
{
    if (_PrefersIncrementalUpdate())
    {
        for (MStlTriangle* t : m_pending)
        {
            if (!m_tree.GetRoot()) continue;
            Tree::Leaf* const leaf = m_tree.AddTriangle(t);
            if (Tree::LeafMap* const map = m_tree.GetLeafMap()) map->SetInfo(t, leaf);
        }
    }
    else
    {
        m_tree.Rebuild();
        m_operationCount = 0;
    }
    m_pending.clear();
}

bool MStl3DTriangleTreeMutableManager::GetBBox(M3DBoundingBox<double>& box)
{
    UpdateTree();
    Tree::BaseNode* const root = m_tree.GetRoot();
    if (!root) return false;
    root->UpdateBBox();
    box.Set(root->box.min, root->box.max);
    return true;
}

MeshQueries::NearestTriangleResult<StlHandle> MStl3DTriangleTreeMutableManager::NearestTriangle(Point const& p,
                                                                                                double maxDistance)
{
    UpdateTree();
    return m_tree.NearestTriangle(p, maxDistance);
}

MeshQueries::ProjectPointResult<StlHandle> MStl3DTriangleTreeMutableManager::ProjectPoint(Point const& p,
                                                                                          Point const& direction)
{
    UpdateTree();
    return m_tree.ProjectPoint(p, direction);
}

void MStl3DTriangleTreeMutableManager::ProjectPoints(Point const* points, Point const* directions, std::size_t count,
                                                     MeshQueries::ProjectPointResult<StlHandle>* results)
{
    UpdateTree();
    m_tree.ProjectPoints(points, directions, count, results);
}

void MStl3DTriangleTreeMutableManager::GetTrianglesInsideBBox(std::vector<Triangle>& out, Point const& a,
                                                              Point const& b)
{
    UpdateTree();
    if (Tree::BaseNode* const root = m_tree.GetRoot()) root->GetTrianglesInsideBBox(out, M3DBoundingBox<double>(a, b));
}

void MStl3DTriangleTreeMutableManager::GetTrianglesAlongLineSegment(std::vector<Triangle>& out, Point const& origin,
                                                                    Point const& direction, double const& tMin,
                                                                    double const& tMax)
{
    UpdateTree();
    if (Tree::BaseNode* const root = m_tree.GetRoot())
        root->GetTrianglesAlongLineSegment(out, origin, direction, tMin, tMax);
}

} // namespace MeshQueriesMutable
