#pragma once

#include <algorithm>

#include "interfaces/MathCore.h"

namespace MeshQueriesMutable
{

// Squared distance from p to the segment [a, b] (a point when a == b).
inline double PointSegmentDistanceSqr(MMPoint3d<double> const& p, MMPoint3d<double> const& a,
                                      MMPoint3d<double> const& b)
{
    MMPoint3d<double> const ab = b - a;
    double const len2 = ab.Dot(ab);
    double s = 0.0;
    if (len2 > 0.0) s = std::clamp((p - a).Dot(ab) / len2, 0.0, 1.0);
    MMPoint3d<double> const d = a + ab * s - p;
    return d.Dot(d);
}

// Squared distance from p to the closed triangle (a, b, c). The projection of p is written as
// a + s(b - a) + t(c - a) and classified as inside or in one of the six outer regions, each of which
// is minimised over its edge or corner. A triangle whose edge cross product is shorter than the
// double epsilon has no usable plane; its nearest edge decides.
inline double PointTriangleDistanceSqr(MMPoint3d<double> const& p, MMPoint3d<double> const& a,
                                       MMPoint3d<double> const& b, MMPoint3d<double> const& c)
{
    MMPoint3d<double> const e0 = b - a, e1 = c - a, d = a - p;
    if (e0.Cross(e1).LengthSquared() < 2.220446049250313e-16)
        return std::min(
            {PointSegmentDistanceSqr(p, a, b), PointSegmentDistanceSqr(p, b, c), PointSegmentDistanceSqr(p, c, a)});

    double const A = e0.Dot(e0), B = e0.Dot(e1), C = e1.Dot(e1), D = e0.Dot(d), E = e1.Dot(d);
    double const det = A * C - B * B;
    double s = B * E - C * D, t = B * D - A * E;
    auto clampUnit = [](double numer, double denom)
    { return numer <= 0.0 ? 0.0 : (numer >= denom ? 1.0 : numer / denom); };

    if (s + t <= det)
    {
        if (s < 0.0)
        {
            if (t < 0.0)
            { // region 4: corner a, along either edge
                if (D < 0.0)
                {
                    t = 0.0;
                    s = clampUnit(-D, A);
                }
                else
                {
                    s = 0.0;
                    t = clampUnit(-E, C);
                }
            }
            else
            { // region 3: edge a-c
                s = 0.0;
                t = clampUnit(-E, C);
            }
        }
        else if (t < 0.0)
        { // region 5: edge a-b
            t = 0.0;
            s = clampUnit(-D, A);
        }
        else
        { // region 0: inside
            s /= det;
            t /= det;
        }
    }
    else
    {
        if (s < 0.0)
        { // region 2: corner c
            double const tmp0 = B + D, tmp1 = C + E;
            if (tmp1 > tmp0)
            {
                s = clampUnit(tmp1 - tmp0, A - 2.0 * B + C);
                t = 1.0 - s;
            }
            else
            {
                s = 0.0;
                t = clampUnit(-E, C);
            }
        }
        else if (t < 0.0)
        { // region 6: corner b
            double const tmp0 = B + E, tmp1 = A + D;
            if (tmp1 > tmp0)
            {
                t = clampUnit(tmp1 - tmp0, A - 2.0 * B + C);
                s = 1.0 - t;
            }
            else
            {
                t = 0.0;
                s = clampUnit(-D, A);
            }
        }
        else
        { // region 1: edge b-c
            s = clampUnit(C + E - B - D, A - 2.0 * B + C);
            t = 1.0 - s;
        }
    }
    // Measured from the closest point itself rather than by the expanded quadratic form, which
    // loses everything to cancellation far from the origin.
    MMPoint3d<double> const diff = d + e0 * s + e1 * t;
    return std::max(0.0, diff.Dot(diff));
}

} // namespace MeshQueriesMutable
