#pragma once
// Small hand-built meshes for the neighbourhood metrics.
#include <array>
#include <cstdint>
#include <vector>

#include "interfaces/MeshData.h"

namespace vz_test
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

// The bottom row (y = 0) then the top row (y = 100) of a strip over the x positions 0, 40, 120,
// 220, 270, 280: quads of widths 40, 80, 100, 50, 10.
inline std::vector<Vertex> StripVertices()
{
    std::vector<Vertex> out;
    for (int y : {0, 100})
        for (int x : {0, 40, 120, 220, 270, 280}) out.push_back({x, y, 0});
    return out;
}

// The strip's quads split along their diagonals into L_k = (b_k, b_k+1, t_k+1) and
// U_k = (b_k, t_k+1, t_k), in the order L0 U0 L1 U1 ...; they form one chain U0 L0 U1 L1 U2 ...,
// and both triangles of quad k have area 50 w_k and longest side sqrt(w_k^2 + 100^2).
struct Strip
{
    MStlBase mesh;
    std::vector<MStlTriangle*> t;

    explicit Strip(std::vector<Vertex> const& bottomAndTop = StripVertices())
    {
        int const n = int(bottomAndTop.size()) / 2;
        std::vector<std::array<int, 3>> triangles;
        for (int k = 0; k + 1 < n; ++k)
            triangles.insert(triangles.end(), {{k, k + 1, n + k + 1}, {k, n + k + 1, n + k}});
        t = Build(mesh, bottomAndTop, triangles);
    }
    MStlTriangle* L(int k) const { return t[2 * k]; }
    MStlTriangle* U(int k) const { return t[2 * k + 1]; }
};

} // namespace vz_test
