#pragma once
// Small hand-built meshes for the neighbourhood metrics.
#include <array>
#include <cstdint>
#include <vector>

#include "interfaces/MeshData.h"

namespace qualitytest
{

struct Vertex
{
    std::int32_t x, y, z;
};

// Builds a mesh from vertex coordinates and index triples (winding as given).
inline std::vector<MStlTriangle*> Build(MStlBase& mesh, std::vector<Vertex> const& vertices,
                                        std::vector<std::array<int, 3>> const& triangles)
{
    std::vector<MStlPoint*> points;
    for (auto const& v : vertices) points.push_back(mesh.AddPoint(v.x, v.y, v.z));
    std::vector<MStlTriangle*> out;
    for (auto const& t : triangles) out.push_back(mesh.AddTriangle(points[t[0]], points[t[1]], points[t[2]]));
    return out;
}

// Every vertex coordinate of the mesh, in point order, for bit-for-bit comparisons.
inline std::vector<std::int32_t> Coordinates(MStlBase const& mesh)
{
    std::vector<std::int32_t> out;
    for (auto it = MStlIteratorStlPointConst::Begin(&mesh); it != MStlIteratorStlPointConst::End(&mesh); ++it)
    {
        out.push_back(it->x);
        out.push_back(it->y);
        out.push_back(it->z);
    }
    return out;
}

} // namespace qualitytest
