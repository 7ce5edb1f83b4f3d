#pragma once
// The query that makes a static object tree over mesh triangles (M3DObjectTree<MStlTriangle const*>)
// find the triangle nearest to one point: pass it to FindNearest with a best distance of +infinity
// (or a squared limit) and a null element.
//
// Inputs: the point, in internal units (1 mm = 10 000 units).
// Outputs: squared distances in internal units squared; BoxDistance is the squared gap from the point
// to a node box (0 inside it), a lower bound for every triangle below the node; ElementDistance the
// squared distance to the closed triangle through its closest point. No allocation, no shared state:
// any number of threads may search one tree, each with its own query.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"

namespace MeshQueries
{
class NearestTriangleQuery
{
public:
    explicit NearestTriangleQuery(MMPoint3d<double> const& point) : m_point(point) {}

    double BoxDistance(M3DBoundingBox<double> const& box) const
    {
        double const p[3] = {m_point.x, m_point.y, m_point.z};
        double sum = 0.0;
        for (int k = 0; k < 3; ++k)
        {
            double const gap = p[k] < box.min[k] ? box.min[k] - p[k] : (p[k] > box.max[k] ? p[k] - box.max[k] : 0.0);
            sum += gap * gap;
        }
        return sum;
    }

    double ElementDistance(MStlTriangle const* triangle) const
    {
        MMPoint3d<double> const closest = MTriangle3dUtilities::ClosestPointOnTriangle(
            m_point, triangle->GetVertex(0), triangle->GetVertex(1), triangle->GetVertex(2));
        return (closest - m_point).LengthSquared();
    }

private:
    MMPoint3d<double> m_point;
};
} // namespace MeshQueries
