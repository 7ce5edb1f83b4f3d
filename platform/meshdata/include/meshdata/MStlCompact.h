#pragma once
// A compact indexed mesh: triangles naming three vertex indices, vertices with integer coordinates.
#include "meshdata/MStlFwd.h"
#include <cstddef>
#include <cstdint>
#include <vector>

class MStlCompact
{
public:
    struct MVertex
    {
        std::int32_t x, y, z;
    };
    struct MTriangle
    {
        std::uint32_t v[3];
    };

    MStlCompact() = default;
    // A copy of the mesh's triangles and points (point order kept).
    explicit MStlCompact(MStlBase const& mesh);

    std::size_t GetNumTriangles() const { return m_triangles.size(); }
    std::size_t GetNumVertices() const { return m_vertices.size(); }
    MTriangle const& GetTriangle(std::size_t i) const { return m_triangles[i]; }
    MVertex const& GetVertex(std::size_t j) const { return m_vertices[j]; }

    std::uint32_t AddVertex(MVertex v);
    // Throws std::out_of_range when an index names no vertex.
    std::size_t AddTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c);
    void Reserve(std::size_t vertices, std::size_t triangles);

private:
    std::vector<MVertex> m_vertices;
    std::vector<MTriangle> m_triangles;
};
