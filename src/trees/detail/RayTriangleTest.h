#pragma once

#include <cmath>

#include "interfaces/MathCore.h"

namespace MeshQueriesMutable
{

constexpr double kParallelEpsilon = 1.4901161193847656e-8;

// Whether origin + t*direction meets the closed triangle (a, b, c) for some t in [tMin, tMax]; on a
// hit t receives the parameter. Edges and corners count; a ray parallel to the plane within the
// epsilon never hits. Every quantity is computed and the conditions are combined without
// short-cut: a ray meets triangles that pass and fail these tests in no predictable order, and a
// mispredicted branch costs more than the few products it would save.
inline bool RayHitsTriangle(MMPoint3d<double> const& origin, MMPoint3d<double> const& direction,
                            MMPoint3d<double> const& a, MMPoint3d<double> const& b, MMPoint3d<double> const& c,
                            double tMin, double tMax, double& t)
{
    MMPoint3d<double> const e1 = b - a, e2 = c - a, n = e1.Cross(e2), s = origin - a;
    double const det = direction.Dot(n);
    // +1 above the epsilon, -1 below its negative; unused in between.
    double const sign = std::copysign(1.0, det);
    bool const facing = (det > kParallelEpsilon) | (det < -kParallelEpsilon);
    double const hit = -n.Dot(s) / det;
    double const u = sign * direction.Dot(s.Cross(e2));
    double const v = sign * direction.Dot(e1.Cross(s));
    bool const inRange = !(hit < tMin) & !(hit > tMax);
    bool const inside = !(u < 0.0) & !(v < 0.0) & !(u + v > std::fabs(det));
    if (!(facing & inRange & inside)) return false;
    t = hit;
    return true;
}

} // namespace MeshQueriesMutable
