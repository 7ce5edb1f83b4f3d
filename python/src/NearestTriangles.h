#pragma once
// Nearest triangle of many points through a static object tree over a mesh's triangles, in
// parallel. Used by verozerizaz.StaticTree and, unchanged, by the benchmark that compares the
// Python call with the same work done from C++.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "trees/M3DObjectTree.h"
#include "trees/NearestTriangleQuery.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace vzpy
{
using TriangleTree = MeshQueries::M3DObjectTree<MStlTriangle const*>;

// Leaf size of the trees built for point queries: the collision trees' size, a good balance
// between tree depth and triangles measured per leaf.
constexpr std::size_t kNearestLeafSize = 10;

inline TriangleTree::Parameters NearestTreeParameters()
{
    TriangleTree::Parameters parameters;
    parameters.cacheBoxes = true;
    parameters.maxLeafSize = kNearestLeafSize;
    return parameters;
}

// For each of count points (x, y, z in internal units, scaled by pointScale first), the element
// index of the nearest triangle (-1 for an empty tree) and its distance divided by distanceScale
// (+infinity for none). Runs on all OpenMP threads; the result does not depend on their number.
inline void FindNearestTriangles(TriangleTree const& tree, double const* points, std::size_t count, double pointScale,
                                 double distanceScale, std::int64_t* indices, double* distances)
{
    std::int64_t const n = std::int64_t(count);
#pragma omp parallel for schedule(dynamic, 256)
    for (std::int64_t i = 0; i < n; ++i)
    {
        double const* p = points + 3 * i;
        MeshQueries::NearestTriangleQuery const query(
            MMPoint3d<double>{p[0] * pointScale, p[1] * pointScale, p[2] * pointScale});
        double best = std::numeric_limits<double>::infinity();
        MStlTriangle const* nearest = nullptr;
        tree.FindNearest(query, best, nearest);
        indices[i] = nearest ? std::int64_t(nearest->GetElementIndex()) : -1;
        distances[i] = nearest ? std::sqrt(best) / distanceScale : std::numeric_limits<double>::infinity();
    }
}
} // namespace vzpy
