#pragma once

#include <cmath>

#include "interfaces/MathCore.h"

namespace MeshQueriesMutable
{

constexpr double kParallelEpsilon = 1.4901161193847656e-8;

// Whether origin + t*direction meets the closed triangle (a, b, c) for some t in [tMin, tMax]; on a
// hit t receives the parameter. Edges and corners count; a ray parallel to the plane within the
// epsilon never hits.
inline bool RayHitsTriangle(MMPoint3d<double> const& origin, MMPoint3d<double> const& direction,
                            MMPoint3d<double> const& a, MMPoint3d<double> const& b, MMPoint3d<double> const& c,
                            double tMin, double tMax, double& t)
{
    MMPoint3d<double> const e1 = b - a, e2 = c - a, n = e1.Cross(e2), s = origin - a;
    double const det = direction.Dot(n);
    double sign;
    if (det > kParallelEpsilon)
        sign = 1.0;
    else if (det < -kParallelEpsilon)
        sign = -1.0;
    else
        return false;
    double const hit = -n.Dot(s) / det;
    if (hit < tMin || hit > tMax) return false;
    double const u = sign * direction.Dot(s.Cross(e2));
    double const v = sign * direction.Dot(e1.Cross(s));
    if (u < 0.0 || v < 0.0 || u + v > std::fabs(det)) return false;
    t = hit;
    return true;
}

} // namespace MeshQueriesMutable
