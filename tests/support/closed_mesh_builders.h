#pragma once
// Closed test meshes with integer vertices: subdivided boxes (optionally turned inward, to make
// cavities), extruded polygons, and vertex jitter for random variants.
#include "interfaces/MeshData.h"
#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace vz_test
{
using IntPoint = std::array<std::int32_t, 3>;

// Adds the closed surface of the box [lo, hi] with every face split into n x n quads (two triangles
// each). Normals point out of the box, or into it when `inward` (the wall of a cavity).
void AddBox(MStlBase& mesh, IntPoint lo, IntPoint hi, int n, bool inward = false);

// Adds the prism over a simple polygon in the xy-plane (counter-clockwise), between z0 and z1, with
// outward normals. `capTriangles` triangulates the polygon (counter-clockwise index triples).
void AddPrism(MStlBase& mesh, std::vector<std::array<std::int32_t, 2>> const& polygon,
              std::vector<std::array<int, 3>> const& capTriangles, std::int32_t z0, std::int32_t z1);

// A U-shaped prism: two prongs of width `prong` rising `height` above a base bar of height `base`,
// with a gap of width `gap` between the prongs; depth `depth` in z. The gap faces are the planes
// x = prong and x = prong + gap.
void AddUShape(MStlBase& mesh, std::int32_t prong, std::int32_t gap, std::int32_t base, std::int32_t height,
               std::int32_t depth);

// Moves every vertex of the mesh by a random integer offset in [-amount, amount] on each axis.
void JitterVertices(MStlBase& mesh, std::int32_t amount, std::mt19937& rng);

// Every vertex and the vertex order of every triangle, to check that a mesh came back unchanged.
struct MeshSnapshot
{
    std::vector<IntPoint> points;
    std::vector<std::array<MStlPoint const*, 3>> triangles;
    bool operator==(MeshSnapshot const& o) const { return points == o.points && triangles == o.triangles; }
};
MeshSnapshot TakeSnapshot(MStlBase const& mesh);
} // namespace vz_test
