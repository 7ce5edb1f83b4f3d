#pragma once

#include "collision/TrianglesGroupBBox3D.h"
#include "interfaces/MathCore.h"

namespace MeshQueriesMutable
{

// One slab face of the parametric clip; the epsilon lets segments that run along a face through.
inline bool ClipSlabFace(double den, double num, double& t0, double& t1)
{
    constexpr double eps = 1.4901161193847656e-8;
    if (den > 0.0)
    {
        if (num - eps > den * t1) return false;
        if (num > den * t0) t0 = num / den;
        return true;
    }
    if (den < 0.0)
    {
        if (num - eps > den * t0) return false;
        if (num > den * t1) t1 = num / den;
        return true;
    }
    return num - eps <= 0.0;
}

// Clips against the two faces of one slab, given by its bounds, with the origin and direction
// components on that axis.
inline bool ClipSlab(double lo, double hi, double origin, double direction, double& t0, double& t1)
{
    double const half = (hi - lo) * 0.5;
    double const o = origin - (lo + hi) * 0.5;
    return ClipSlabFace(direction, -o - half, t0, t1) && ClipSlabFace(-direction, o - half, t0, t1);
}

// Whether origin + t*direction, t in [tMin, tMax], meets the box; entry receives the first
// parameter inside the box.
inline bool SegmentMeetsBox(MeshQueries::TrianglesGroupBBox3D const& box, MMPoint3d<double> const& origin,
                            MMPoint3d<double> const& direction, double tMin, double tMax, double& entry)
{
    if (tMin >= tMax) return false;
    if ((box.max.x - box.min.x) * 0.5 < 0.0 || (box.max.y - box.min.y) * 0.5 < 0.0 ||
        (box.max.z - box.min.z) * 0.5 < 0.0)
        return false;
    double t0 = tMin, t1 = tMax;
    if (!ClipSlab(box.min.x, box.max.x, origin.x, direction.x, t0, t1)) return false;
    if (!ClipSlab(box.min.y, box.max.y, origin.y, direction.y, t0, t1)) return false;
    if (!ClipSlab(box.min.z, box.max.z, origin.z, direction.z, t0, t1)) return false;
    entry = t0;
    return true;
}

} // namespace MeshQueriesMutable
