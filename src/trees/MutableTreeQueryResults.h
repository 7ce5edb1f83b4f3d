#pragma once
// Results of the mutable triangle tree's queries (MStl3DTriangleTreeMutableManager). Distances and
// points are in the mesh's internal length units; Found() tells whether a triangle was found.
#include "interfaces/MeshData.h"

namespace MeshQueries
{

// The triangle nearest to a query point. Not found: null mesh, null triangle, point at the origin.
template <class Handle>
struct NearestTriangleResult
{
    Handle mesh;
    double distance = 0.0;
    MMPoint3d<double> reserved;
    bool flag = false;
    Dovovez::StlBase::Handle::Triangle triangle;
    MMPoint3d<double> point;

    bool Found() const { return !triangle.IsNull(); }
};

// The first triangle hit by a ray; distance is the ray parameter along the normalised direction.
template <class Handle>
struct ProjectPointResult
{
    Handle mesh;
    double distance = 0.0;
    Dovovez::StlBase::Handle::Triangle triangle;
    MMPoint3d<double> point;

    bool Found() const { return !triangle.IsNull(); }
};

} // namespace MeshQueries
