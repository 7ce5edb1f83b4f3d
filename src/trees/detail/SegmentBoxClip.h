#pragma once

#include <cstdint>

#include "collision/TrianglesGroupBBox3D.h"
#include "interfaces/MathCore.h"

namespace MeshQueriesMutable
{

// Lets a segment that runs along a box face through the clip (2^-26).
constexpr double kClipEpsilon = 1.4901161193847656e-8;

// The parametric clip of a segment against boxes, two at a time, one box per lane of a pair of
// doubles. Each lane makes exactly the scalar comparisons, products and quotients of the clip, so
// its outcome and entry do not depend on the other lane. A node's children are tested two at once
// this way, their clips no longer waiting on one another.
//
// The faces are clipped x first, then y, then z, each axis's lower face (denominator +direction,
// numerator -o - half) before its upper one (-direction, o - half), with o the origin relative to
// the box centre. A face with den > 0 is entered: it fails when num - kClipEpsilon > den * t1, else
// t0 moves to num / den when num > den * t0; with den < 0 it is left: it fails when
// num - kClipEpsilon > den * t0, else t1 moves to num / den when num > den * t1; with den = 0 it
// fails unless num - kClipEpsilon <= 0. A failure is recorded in a lane mask rather than ending the
// clip: a search tests many boxes per ray whose outcomes follow no pattern, and this way it waits
// for no mispredicted branch. Once a lane has failed, its t0 and t1 no longer matter.
using ClipLanes = double __attribute__((vector_size(16)));
using ClipLaneMask = std::int64_t __attribute__((vector_size(16)));
// Four lanes, where the processor has 256-bit vectors.
using ClipLanes4 = double __attribute__((vector_size(32)));
using ClipLaneMask4 = std::int64_t __attribute__((vector_size(32)));

template <class Lanes, class Mask>
__attribute__((always_inline)) inline void ClipFaceLanes(double den, Lanes const& num, Lanes const& q, Lanes& t0,
                                                         Lanes& t1, Mask& ok)
{
    // The direction's sign is the same for every box of one ray: these branches are predicted.
    if (den > 0.0)
    {
        ok &= ~(num - kClipEpsilon > den * t1);
        t0 = num > den * t0 ? q : t0;
    }
    else if (den < 0.0)
    {
        ok &= ~(num - kClipEpsilon > den * t0);
        t1 = num > den * t1 ? q : t1;
    }
    else
    {
        ok &= num - kClipEpsilon <= 0.0;
    }
}

template <class Lanes, class Mask>
__attribute__((always_inline)) inline void ClipSlabLanes(Lanes const& lo, Lanes const& hi, double origin,
                                                         double direction, Lanes& t0, Lanes& t1, Mask& ok)
{
    Lanes const half = (hi - lo) * 0.5;
    Lanes const o = origin - (lo + hi) * 0.5;
    Lanes const lowNum = -o - half, highNum = o - half;
    ok &= ~(half < 0.0);
    // A parallel axis's quotients are computed and not used.
    ClipFaceLanes(direction, lowNum, lowNum / direction, t0, t1, ok);
    ClipFaceLanes(-direction, highNum, highNum / -direction, t0, t1, ok);
}

// Whether origin + t*direction, t in [tMin, tMax], meets box a (bit 0 of the result) and box b
// (bit 1); entry[0] and entry[1] receive the first parameters inside them, meaningful for a box met.
// A box with a negative extent is never met.
inline unsigned SegmentMeetsBoxPair(MeshQueries::TrianglesGroupBBox3D const& a,
                                    MeshQueries::TrianglesGroupBBox3D const& b, MMPoint3d<double> const& origin,
                                    MMPoint3d<double> const& direction, double tMin, double tMax, double* entry)
{
    if (tMin >= tMax) return 0;
    ClipLanes t0 = {tMin, tMin}, t1 = {tMax, tMax};
    ClipLaneMask ok = {-1, -1};
    ClipSlabLanes(ClipLanes{a.min.x, b.min.x}, ClipLanes{a.max.x, b.max.x}, origin.x, direction.x, t0, t1, ok);
    ClipSlabLanes(ClipLanes{a.min.y, b.min.y}, ClipLanes{a.max.y, b.max.y}, origin.y, direction.y, t0, t1, ok);
    ClipSlabLanes(ClipLanes{a.min.z, b.min.z}, ClipLanes{a.max.z, b.max.z}, origin.z, direction.z, t0, t1, ok);
    entry[0] = t0[0];
    entry[1] = t0[1];
    return unsigned(ok[0] != 0) | unsigned(ok[1] != 0) << 1;
}

// The same for one box; entry receives the first parameter inside it when it is met.
inline bool SegmentMeetsBox(MeshQueries::TrianglesGroupBBox3D const& box, MMPoint3d<double> const& origin,
                            MMPoint3d<double> const& direction, double tMin, double tMax, double& entry)
{
    double entries[2];
    if (!(SegmentMeetsBoxPair(box, box, origin, direction, tMin, tMax, entries) & 1u)) return false;
    entry = entries[0];
    return true;
}

// The same for three boxes a, b and c: bit 0, 1 and 2 of the result and entry[0], [1] and [2]. A
// and c share a pair of lanes.
inline unsigned SegmentMeetsBoxTriple(MeshQueries::TrianglesGroupBBox3D const& a,
                                      MeshQueries::TrianglesGroupBBox3D const& b,
                                      MeshQueries::TrianglesGroupBBox3D const& c, MMPoint3d<double> const& origin,
                                      MMPoint3d<double> const& direction, double tMin, double tMax, double* entry)
{
    double outer[2] = {0.0, 0.0};
    unsigned const met = SegmentMeetsBoxPair(a, c, origin, direction, tMin, tMax, outer);
    entry[0] = outer[0];
    entry[2] = outer[1];
    bool const middle = SegmentMeetsBox(b, origin, direction, tMin, tMax, entry[1]);
    return (met & 1u) | unsigned(middle) << 1 | (met & 2u) << 1;
}

#if defined(__x86_64__) || defined(__i386__)
// SegmentMeetsBoxTriple in four lanes (c twice), for processors with 256-bit vectors, which the
// caller checks (__builtin_cpu_supports("avx")).
__attribute__((target("avx"))) inline unsigned
SegmentMeetsBoxTripleWide(MeshQueries::TrianglesGroupBBox3D const& a, MeshQueries::TrianglesGroupBBox3D const& b,
                          MeshQueries::TrianglesGroupBBox3D const& c, MMPoint3d<double> const& origin,
                          MMPoint3d<double> const& direction, double tMin, double tMax, double* entry)
{
    if (tMin >= tMax) return 0;
    ClipLanes4 t0 = {tMin, tMin, tMin, tMin}, t1 = {tMax, tMax, tMax, tMax};
    ClipLaneMask4 ok = {-1, -1, -1, -1};
    ClipSlabLanes(ClipLanes4{a.min.x, b.min.x, c.min.x, c.min.x}, ClipLanes4{a.max.x, b.max.x, c.max.x, c.max.x},
                  origin.x, direction.x, t0, t1, ok);
    ClipSlabLanes(ClipLanes4{a.min.y, b.min.y, c.min.y, c.min.y}, ClipLanes4{a.max.y, b.max.y, c.max.y, c.max.y},
                  origin.y, direction.y, t0, t1, ok);
    ClipSlabLanes(ClipLanes4{a.min.z, b.min.z, c.min.z, c.min.z}, ClipLanes4{a.max.z, b.max.z, c.max.z, c.max.z},
                  origin.z, direction.z, t0, t1, ok);
    for (int i = 0; i < 3; ++i) entry[i] = t0[i];
    return unsigned(ok[0] != 0) | unsigned(ok[1] != 0) << 1 | unsigned(ok[2] != 0) << 2;
}
#define VZ_HAS_WIDE_BOX_CLIP 1
#endif

} // namespace MeshQueriesMutable
