#pragma once
// Seeded random scenes shared by every subsystem's tests: points and small integer triangles
// scattered in a cube. The same seed gives the same scene on every machine.
#include <cstddef>
#include <random>
#include <vector>

#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"

namespace vz_test
{
inline MMPoint3d<double> RandomPoint(std::mt19937& rng, double lo, double hi)
{
    std::uniform_real_distribution<double> u(lo, hi);
    double const x = u(rng), y = u(rng), z = u(rng);
    return {x, y, z};
}

inline std::vector<MMPoint3d<double>> RandomPoints(std::size_t count, double halfSize, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<MMPoint3d<double>> points(count);
    for (auto& p : points) p = RandomPoint(rng, -halfSize, halfSize);
    return points;
}

// A triangle with integer corners within `size` of an integer centre within `centreRange` of 0.
inline void RandomTriangle(std::mt19937& rng, int centreRange, int size, MMPoint3d<double> T[3])
{
    std::uniform_int_distribution<int> c(-centreRange, centreRange), o(-size, size);
    double const cx = c(rng), cy = c(rng), cz = c(rng);
    for (int i = 0; i < 3; ++i)
    {
        double const x = cx + o(rng), y = cy + o(rng), z = cz + o(rng);
        T[i] = MMPoint3d<double>(x, y, z);
    }
}

// `count` such triangles added to the mesh, each with its own three points.
inline void AddRandomTriangles(MStlBase& mesh, std::size_t count, int halfSize, int triangleSize, unsigned seed)
{
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < count; ++i)
    {
        MMPoint3d<double> T[3];
        RandomTriangle(rng, halfSize, triangleSize, T);
        MStlPoint* p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = mesh.AddPoint(std::int32_t(T[k].x), std::int32_t(T[k].y), std::int32_t(T[k].z));
        mesh.AddTriangle(p[0], p[1], p[2]);
    }
}
} // namespace vz_test
