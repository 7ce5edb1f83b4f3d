#pragma once
// A triangle mesh: it owns its points, triangles, features and graphs, keeps the per-triangle data
// masks in step with its triangle numbering, and notifies registered callbacks of changes.
#include "meshdata/IDataMask.h"
#include "meshdata/MStlBaseDependencies.h"
#include "meshdata/MStlCallback.h"
#include "meshdata/MStlFwd.h"
#include "meshdata/MStlGraph.h"
#include "meshdata/MStlPoint.h"
#include "meshdata/MStlTriangle.h"
#include "meshdata/detail/MStlEdgeIndex.h"
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// A named subset of a mesh's triangles; triangles removed from the mesh leave it too.
class MStlFeature
{
public:
    explicit MStlFeature(MStlBase const* mesh) : m_mesh(mesh) {}
    MStlBase const* GetMesh() const { return m_mesh; }
    void AddTriangle(MStlTriangle* t) { m_triangles.push_back(t); }
    std::size_t NumberOfTriangles() const { return m_triangles.size(); }
    std::vector<MStlTriangle*> const& GetTriangles() const { return m_triangles; }

private:
    friend class MStlBase;
    MStlBase const* m_mesh;
    std::vector<MStlTriangle*> m_triangles;
};

// Iterates mutable triangles in element-index order.
class MStlIteratorStlTriangle
{
public:
    explicit MStlIteratorStlTriangle(MStlTriangle* const* p = nullptr) : m_p(p) {}
    MStlTriangle& operator*() const { return **m_p; }
    MStlTriangle* operator->() const { return *m_p; }
    MStlIteratorStlTriangle& operator++()
    {
        ++m_p;
        return *this;
    }
    bool operator==(MStlIteratorStlTriangle const& o) const { return m_p == o.m_p; }
    bool operator!=(MStlIteratorStlTriangle const& o) const { return m_p != o.m_p; }

private:
    MStlTriangle* const* m_p;
};

class MStlBase
{
public:
    MStlBase();
    ~MStlBase();
    MStlBase(MStlBase const&) = delete;
    MStlBase& operator=(MStlBase const&) = delete;

    // --- points ---
    MStlPoint* AddPoint(std::int32_t x, std::int32_t y, std::int32_t z);
    std::size_t NumberOfPoints() const { return m_points.size(); }
    MStlPoint* GetPoint(std::size_t i) { return &m_points[i]; }
    MStlPoint const* GetPoint(std::size_t i) const { return &m_points[i]; }
    std::deque<MStlPoint> const& GetPoints() const { return m_points; }

    // --- triangles ---
    std::size_t NumberOfTriangles() const { return m_triangles.size(); }
    MStlTriangle* GetTriangle(std::size_t elementIndex) const { return m_triangles[elementIndex]; }
    MStlIteratorStlTriangle BeginTriangle() { return MStlIteratorStlTriangle(m_triangles.data()); }
    MStlIteratorStlTriangle EndTriangle() { return MStlIteratorStlTriangle(m_triangles.data() + m_triangles.size()); }
    std::vector<MStlTriangle*> const& GetTriangles() const { return m_triangles; }
    // Makes room for additionalTriangles more triangles, so that bulk loading grows nothing.
    void ReserveTriangles(std::size_t additionalTriangles);

    // Adds a triangle over three points of this mesh; it takes the next element index. Event 1.
    MStlTriangle* AddTriangle(MStlPoint* a, MStlPoint* b, MStlPoint* c);
    // Removes a triangle (event 2 first). The last triangle takes over its element index, and every
    // data mask moves that triangle's entry along.
    void RemoveTriangle(MStlTriangle* t);
    // Gives a triangle three other points. Event 3.
    void ChangeTriangle(MStlTriangle* t, MStlPoint* a, MStlPoint* b, MStlPoint* c);
    // Moves one point; its triangles are reported with event 19.
    void MovePoint(MStlPoint* p, MMPoint3dIntegerTypes<long> const& position);
    // Moves several points at once; all affected triangles (each once) are reported with event 20.
    void MovePoints(std::vector<MStlPoint*> const& points, std::vector<MMPoint3d<long>> const& positions);
    // Reverses every triangle's winding (no events).
    void InvertAll();
    // Clears every triangle's mark.
    void UnmarkAll();

    // Integer box of all triangle vertices (empty box for no triangles).
    M3DBoundingBox<long> GetBoundingBox() const;

    // --- features and graphs ---
    MStlFeature* AddFeature();
    MStlGraph* AddGraph();
    std::size_t NumberOfGraphs() const { return m_graphs.size(); }
    MStlGraph* GetGraph(std::size_t i) const { return m_graphs[i].get(); }
    std::uint64_t NewEdgeId() { return m_nextEdgeId++; }

    // --- services ---
    IDataMaskOwner& GetDataMaskOwner() { return m_masks; }
    IDataMaskOwner* GetDataMaskOwnerPtr() const { return &m_masks; }
    MStlBaseDependencies* GetDependencies() const { return &m_dependencies; }
    IStlMarkTriangles* GetDefaultMarker() const { return m_defaultMarker.get(); }
    // The element info (edge thicknesses); created on first request.
    MStlBaseElementInfoStlDependency* GetOrCreateElementInfo();
    MStlBaseElementInfoStlDependency* GetElementInfo() const { return m_elementInfo.get(); }
    // The triangles by edge (see MStlEdgeIndex). Built on the first request (safe from several
    // threads at once) and from then on kept in step with every edit, so that meshes nobody asks
    // for neighbours (loading, collision, thickness) never pay for it.
    MStlEdgeIndex const& GetEdgeIndex() const
    {
        if (!m_edgesReady.load(std::memory_order_acquire)) BuildEdgeIndex();
        return *m_edges;
    }

private:
    friend class MStlCallback;
    friend class MStlTriangle;
    void Notify(MStlCallBackEventID id, void const* const* words);
    void NotifyTriangleList(MStlCallBackEventID id, std::vector<MStlTriangle*> const& triangles);
    MStlTriangle* AllocateTriangle();
    void BuildEdgeIndex() const;
    // The index to keep in step with an edit, or null while it has not been built.
    MStlEdgeIndex* EdgeIndexToMaintain()
    {
        return m_edgesReady.load(std::memory_order_relaxed) ? m_edges.get() : nullptr;
    }
    void Subscribe(MStlCallback* c);
    void Unsubscribe(MStlCallback* c);

    std::deque<MStlPoint> m_points;
    std::deque<MStlTriangle> m_triangleStorage;
    std::vector<MStlTriangle*> m_freeTriangles;
    std::vector<MStlTriangle*> m_triangles;
    mutable MDataMaskRegistry m_masks;
    mutable MStlBaseDependencies m_dependencies;
    std::unique_ptr<IStlMarkTriangles> m_defaultMarker;
    std::unique_ptr<MStlBaseElementInfoStlDependency> m_elementInfo;
    std::vector<std::unique_ptr<MStlFeature>> m_features;
    std::vector<std::unique_ptr<MStlGraph>> m_graphs;
    std::vector<MStlCallback*> m_callbacks;
    std::uint64_t m_nextEdgeId = 0;
    mutable std::unique_ptr<MStlEdgeIndex> m_edges;
    mutable std::atomic<bool> m_edgesReady{false};
    mutable std::mutex m_edgesBuild;
    std::uint64_t m_nextLinkSequence = 1;
};

// Const iteration over the triangles of a mesh or a feature, in element-index / feature order.
class MStlIteratorStlTriangleConst
{
public:
    explicit MStlIteratorStlTriangleConst(MStlTriangle* const* p = nullptr) : m_p(p) {}
    static MStlIteratorStlTriangleConst Begin(MStlBase const* m)
    {
        return MStlIteratorStlTriangleConst(m->GetTriangles().data());
    }
    static MStlIteratorStlTriangleConst End(MStlBase const* m)
    {
        return MStlIteratorStlTriangleConst(m->GetTriangles().data() + m->GetTriangles().size());
    }
    static MStlIteratorStlTriangleConst Begin(MStlFeature const* f)
    {
        return MStlIteratorStlTriangleConst(f->GetTriangles().data());
    }
    static MStlIteratorStlTriangleConst End(MStlFeature const* f)
    {
        return MStlIteratorStlTriangleConst(f->GetTriangles().data() + f->GetTriangles().size());
    }
    MStlTriangle const& operator*() const { return **m_p; }
    MStlTriangle const* operator->() const { return *m_p; }
    MStlIteratorStlTriangleConst& operator++()
    {
        ++m_p;
        return *this;
    }
    bool operator==(MStlIteratorStlTriangleConst const& o) const { return m_p == o.m_p; }
    bool operator!=(MStlIteratorStlTriangleConst const& o) const { return m_p != o.m_p; }

private:
    MStlTriangle* const* m_p;
};

class MStlIteratorStlPointConst
{
public:
    using Base = std::deque<MStlPoint>::const_iterator;
    explicit MStlIteratorStlPointConst(Base it) : m_it(it) {}
    static MStlIteratorStlPointConst Begin(MStlBase const* m)
    {
        return MStlIteratorStlPointConst(m->GetPoints().begin());
    }
    static MStlIteratorStlPointConst End(MStlBase const* m) { return MStlIteratorStlPointConst(m->GetPoints().end()); }
    MStlPoint const& operator*() const { return *m_it; }
    MStlPoint const* operator->() const { return &*m_it; }
    MStlIteratorStlPointConst& operator++()
    {
        ++m_it;
        return *this;
    }
    bool operator==(MStlIteratorStlPointConst const& o) const { return m_it == o.m_it; }
    bool operator!=(MStlIteratorStlPointConst const& o) const { return m_it != o.m_it; }

private:
    Base m_it;
};

class MStlIteratorGraphEdgeConst
{
public:
    explicit MStlIteratorGraphEdgeConst(MStlGraphEdge const* p = nullptr) : m_p(p) {}
    static MStlIteratorGraphEdgeConst Begin(MStlGraph const* g)
    {
        return MStlIteratorGraphEdgeConst(g->GetEdges().data());
    }
    static MStlIteratorGraphEdgeConst End(MStlGraph const* g)
    {
        return MStlIteratorGraphEdgeConst(g->GetEdges().data() + g->GetEdges().size());
    }
    MStlGraphEdge const& operator*() const { return *m_p; }
    MStlGraphEdge const* operator->() const { return m_p; }
    MStlIteratorGraphEdgeConst& operator++()
    {
        ++m_p;
        return *this;
    }
    bool operator==(MStlIteratorGraphEdgeConst const& o) const { return m_p == o.m_p; }
    bool operator!=(MStlIteratorGraphEdgeConst const& o) const { return m_p != o.m_p; }

private:
    MStlGraphEdge const* m_p;
};
