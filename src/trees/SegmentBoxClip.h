#pragma once

#include "collision/TrianglesGroupBBox3D.h"
#include "interfaces/MathCore.h"

namespace MeshQueriesMutable {

// One slab face of the parametric clip; the epsilon lets segments that run along a face through.
inline bool ClipSlabFace(double den, double num, double& t0, double& t1)
{
    constexpr double eps = 1.4901161193847656e-8;
    if (den > 0.0) {
        if (num - eps > den * t1) return false;
        if (num > den * t0) t0 = num / den;
        return true;
    }
    if (den < 0.0) {
        if (num - eps > den * t0) return false;
        if (num > den * t1) t1 = num / den;
        return true;
    }
    return num - eps <= 0.0;
}

// Whether origin + t*direction, t in [tMin, tMax], meets the box; entry receives the first
// parameter inside the box.
inline bool SegmentMeetsBox(MeshQueries::TrianglesGroupBBox3D const& box, MMPoint3d<double> const& origin,
                            MMPoint3d<double> const& direction, double tMin, double tMax, double& entry)
{
    if (tMin >= tMax) return false;
    double t0 = tMin, t1 = tMax;
    for (int k = 0; k < 3; ++k) {
        double const centre = (box.min[k] + box.max[k]) * 0.5;
        double const half = (box.max[k] - box.min[k]) * 0.5;
        if (half < 0.0) return false;
        double const o = origin[k] - centre;
        if (!ClipSlabFace(direction[k], -o - half, t0, t1)) return false;
        if (!ClipSlabFace(-direction[k], o - half, t0, t1)) return false;
    }
    entry = t0;
    return true;
}

} // namespace MeshQueriesMutable
