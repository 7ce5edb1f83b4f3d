#pragma once
// Beam graphs: edges between mesh points. An edge is a small value; its thickness lives in the
// element info of the mesh that owns the graph.
#include "meshdata/MStlFwd.h"
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <vector>

// Two diameters in internal units, at the first and the second end; -1 in the first means that the
// mesh's default thickness applies.
struct MStlGraphEdgeThickness
{
    std::int32_t first = -1;
    std::int32_t second = -1;
    bool operator==(MStlGraphEdgeThickness const& o) const { return first == o.first && second == o.second; }
};

class MStlGraphEdge
{
public:
    // The default edge joins nothing; it serves as the "no edge" value.
    MStlGraphEdge() = default;
    MStlGraphEdge(MStlPoint* a, MStlPoint* b, std::uint64_t id) : m_vertices{a, b}, m_id(id) {}

    MStlPoint* GetVertex(std::size_t i) const { return m_vertices[i]; }
    MStlPoint* GetFirstVertex() const { return m_vertices[0]; }
    MStlPoint* GetSecondVertex() const { return m_vertices[1]; }
    // Unique among the edges of one mesh; the key of the edge's thickness.
    std::uint64_t GetId() const { return m_id; }
    bool IsNull() const { return m_vertices[0] == nullptr; }

    bool operator==(MStlGraphEdge const& o) const
    {
        return m_id == o.m_id && m_vertices[0] == o.m_vertices[0] && m_vertices[1] == o.m_vertices[1];
    }
    bool operator!=(MStlGraphEdge const& o) const { return !(*this == o); }

private:
    MStlPoint* m_vertices[2] = {nullptr, nullptr};
    std::uint64_t m_id = std::numeric_limits<std::uint64_t>::max();
};

class MStlGraph
{
public:
    // The graph belongs to mesh, whose points its edges join.
    explicit MStlGraph(MStlBase* mesh) : m_mesh(mesh) {}
    MStlGraph(MStlGraph const&) = delete;
    MStlGraph& operator=(MStlGraph const&) = delete;

    MStlBase const* GetMesh() const { return m_mesh; }
    MStlBase* GetMesh() { return m_mesh; }

    // Adds an edge between two points of the mesh (a new id from the mesh).
    MStlGraphEdge const& AddEdge(MStlPoint* a, MStlPoint* b);
    std::size_t NumberOfEdges() const { return m_edges.size(); }
    MStlGraphEdge const& GetEdge(std::size_t i) const { return m_edges[i]; }
    std::vector<MStlGraphEdge> const& GetEdges() const { return m_edges; }

private:
    MStlBase* m_mesh;
    std::vector<MStlGraphEdge> m_edges;
};

class MStlBaseElementInfo
{
public:
    virtual ~MStlBaseElementInfo() = default;
    // The edge's own thickness; {-1, -1} when none was set.
    MStlGraphEdgeThickness GetEdgeThickness(MStlGraphEdge const& edge) const
    {
        std::uint64_t const id = edge.GetId();
        return id < m_thickness.size() ? m_thickness[id] : MStlGraphEdgeThickness{};
    }
    void SetEdgeThickness(MStlGraphEdge const& edge, MStlGraphEdgeThickness thickness);
    MStlGraphEdgeThickness GetDefaultEdgeThickness() const { return m_default; }
    void SetDefaultEdgeThickness(MStlGraphEdgeThickness thickness) { m_default = thickness; }

private:
    std::vector<MStlGraphEdgeThickness> m_thickness;
    MStlGraphEdgeThickness m_default{10000, 10000};
};

// The element info as a dependency of a mesh.
class MStlBaseElementInfoStlDependency : public MStlBaseElementInfo
{
public:
    // The mesh's element info, or null when it has none. The flag asks to look also in inherited
    // registries; meshes here inherit none, so it changes nothing.
    static MStlBaseElementInfoStlDependency* GetDependency(MStlBase const* mesh, bool searchInherited);
};
