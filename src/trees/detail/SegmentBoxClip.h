#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "collision/TrianglesGroupBBox3D.h"
#include "interfaces/MathCore.h"

namespace MeshQueriesMutable
{

// Lets a segment that runs along a box face through the clip (2^-26).
constexpr double kClipEpsilon = 1.4901161193847656e-8;

// `bound` moved to the quotient q = num / den when num > den * bound: the clip's comparison and
// product, combined with a bit mask rather than a branch.
inline double MovedBound(double den, double num, double q, double bound)
{
#if defined(__SSE2__)
    __m128d const b = _mm_set_sd(bound);
    __m128d const moves = _mm_cmpgt_sd(_mm_set_sd(num), _mm_mul_sd(_mm_set_sd(den), b));
    return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(moves, _mm_set_sd(q)), _mm_andnot_pd(moves, b)));
#else
    return num > den * bound ? q : bound;
#endif
}

// One slab face of the parametric clip, for a face whose direction sign is known and whose
// quotient q = num / den is at hand. With den > 0 the face is entered: it fails when
// num - kClipEpsilon > den * t1, else t0 moves to q when num > den * t0; with den < 0 it is left:
// it fails when num - kClipEpsilon > den * t0, else t1 moves to q when num > den * t1. No branch on
// the outcome: a failure is recorded in `ok` instead of ending the clip. A search tests many boxes
// per ray whose outcomes follow no pattern; this way it waits for no mispredicted branch. Once `ok`
// is false, t0 and t1 no longer matter.
inline void ClipEnteringFace(double den, double num, double q, double& t0, double t1, bool& ok)
{
    ok &= !(num - kClipEpsilon > den * t1);
    t0 = MovedBound(den, num, q, t0);
}
inline void ClipLeavingFace(double den, double num, double q, double t0, double& t1, bool& ok)
{
    ok &= !(num - kClipEpsilon > den * t0);
    t1 = MovedBound(den, num, q, t1);
}
inline void ClipParallelFace(double num, bool& ok) { ok &= num - kClipEpsilon <= 0.0; }
inline void ClipFace(double den, double num, double q, double& t0, double& t1, bool& ok)
{
    // The direction's sign is the same for every box of one ray: these branches are predicted.
    if (den > 0.0)
        ClipEnteringFace(den, num, q, t0, t1, ok);
    else if (den < 0.0)
        ClipLeavingFace(den, num, q, t0, t1, ok);
    else
        ClipParallelFace(num, ok);
}

// Clips against the two faces of one slab, given by its bounds, with the origin and direction
// components on that axis. Both faces' quotients come from one two-lane division (a division per
// lane, rounded as a scalar one is), which halves the divider's work; a parallel axis's quotients
// are computed and not used.
inline void ClipSlab(double lo, double hi, double origin, double direction, double& t0, double& t1, bool& ok)
{
    double const half = (hi - lo) * 0.5;
    double const o = origin - (lo + hi) * 0.5;
    double const lowNum = -o - half, highNum = o - half;
#if defined(__SSE2__)
    __m128d const q = _mm_div_pd(_mm_set_pd(highNum, lowNum), _mm_set_pd(-direction, direction));
    double const lowQ = _mm_cvtsd_f64(q), highQ = _mm_cvtsd_f64(_mm_unpackhi_pd(q, q));
#else
    double const lowQ = lowNum / direction, highQ = highNum / -direction;
#endif
    ClipFace(direction, lowNum, lowQ, t0, t1, ok);
    ClipFace(-direction, highNum, highQ, t0, t1, ok);
}

// Whether origin + t*direction, t in [tMin, tMax], meets the box; entry receives the first
// parameter inside the box. The faces are clipped x first, then y, then z, each axis's lower face
// before its upper one, and the first face that rules the box out decides: the later faces only
// run on for want of a branch.
inline bool SegmentMeetsBox(MeshQueries::TrianglesGroupBBox3D const& box, MMPoint3d<double> const& origin,
                            MMPoint3d<double> const& direction, double tMin, double tMax, double& entry)
{
    if (tMin >= tMax) return false;
    if ((box.max.x - box.min.x) * 0.5 < 0.0 || (box.max.y - box.min.y) * 0.5 < 0.0 ||
        (box.max.z - box.min.z) * 0.5 < 0.0)
        return false;
    double t0 = tMin, t1 = tMax;
    bool ok = true;
    ClipSlab(box.min.x, box.max.x, origin.x, direction.x, t0, t1, ok);
    ClipSlab(box.min.y, box.max.y, origin.y, direction.y, t0, t1, ok);
    ClipSlab(box.min.z, box.max.z, origin.z, direction.z, t0, t1, ok);
    if (!ok) return false;
    entry = t0;
    return true;
}

} // namespace MeshQueriesMutable
