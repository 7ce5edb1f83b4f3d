#pragma once
// The static tree's query for the triangle nearest to a point, written the plain way a caller
// would: squared gap to a node box and squared distance to a triangle through the math core.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"

namespace benchmesh
{
struct ClosestTriangleQuery
{
    MMPoint3d<double> p;
    double BoxDistance(M3DBoundingBox<double> const& b) const
    {
        double sum = 0;
        for (int k = 0; k < 3; ++k)
        {
            double const gap = p[k] < b.min[k] ? b.min[k] - p[k] : (p[k] > b.max[k] ? p[k] - b.max[k] : 0.0);
            sum += gap * gap;
        }
        return sum;
    }
    double ElementDistance(MStlTriangle const* t) const
    {
        MMPoint3d<double> const a = t->GetVertex(0), b = t->GetVertex(1), c = t->GetVertex(2);
        return (MTriangle3dUtilities::ClosestPointOnTriangle(p, a, b, c) - p).LengthSquared();
    }
};
} // namespace benchmesh
