#pragma once
// Point-to-triangle distances used by the triangle-pair distance.
#include "mathcore/MMPoint3d.h"
#include <algorithm>

namespace MTriangle3dUtilities
{
// Closest point of the three edges of (a, b, c) to p.
template <class T>
MMPoint3d<T> ClosestPointOnTriangleEdges(MMPoint3d<T> const& p, MMPoint3d<T> const& a, MMPoint3d<T> const& b,
                                         MMPoint3d<T> const& c)
{
    auto onSegment = [&](MMPoint3d<T> const& s, MMPoint3d<T> const& e)
    {
        MMPoint3d<T> const d = e - s;
        T const len2 = d.LengthSquared();
        T t = len2 > 0 ? (p - s).Dot(d) / len2 : T(0);
        t = std::min(T(1), std::max(T(0), t));
        return s + d * t;
    };
    MMPoint3d<T> best = onSegment(a, b);
    for (auto const& q : {onSegment(b, c), onSegment(c, a)})
        if ((q - p).LengthSquared() < (best - p).LengthSquared()) best = q;
    return best;
}

// Closest point of triangle (a, b, c) to p, by the Voronoi regions of its vertices, edges and face.
// Degenerate triangles take the closest point on their edges: with coincident or collinear corners
// the region tests below lose their meaning (a zero edge passes the test of its own region, and
// rounding noise in the region weights gives arbitrary face coordinates).
template <class T>
MMPoint3d<T> ClosestPointOnTriangle(MMPoint3d<T> const& p, MMPoint3d<T> const& a, MMPoint3d<T> const& b,
                                    MMPoint3d<T> const& c)
{
    MMPoint3d<T> const ab = b - a, ac = c - a, ap = p - a;
    T const longest2 = std::max({ab.LengthSquared(), ac.LengthSquared(), (c - b).LengthSquared()});
    // Twice the area, squared, against the square of the longest edge squared: sines below 1e-10.
    if (!(ab.Cross(ac).LengthSquared() > T(1e-20) * longest2 * longest2))
        return ClosestPointOnTriangleEdges(p, a, b, c);
    T const d1 = ab.Dot(ap), d2 = ac.Dot(ap);
    if (d1 <= 0 && d2 <= 0) return a;
    MMPoint3d<T> const bp = p - b;
    T const d3 = ab.Dot(bp), d4 = ac.Dot(bp);
    if (d3 >= 0 && d4 <= d3) return b;
    T const vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
    {
        T const den = d1 - d3;
        return den > 0 ? a + ab * (d1 / den) : a;
    }
    MMPoint3d<T> const cp = p - c;
    T const d5 = ab.Dot(cp), d6 = ac.Dot(cp);
    if (d6 >= 0 && d5 <= d6) return c;
    T const vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
    {
        T const den = d2 - d6;
        return den > 0 ? a + ac * (d2 / den) : a;
    }
    T const va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
    {
        T const den = (d4 - d3) + (d5 - d6);
        return den > 0 ? b + (c - b) * ((d4 - d3) / den) : b;
    }
    T const sum = va + vb + vc;
    if (!(sum > 0)) return ClosestPointOnTriangleEdges(p, a, b, c);
    T const v = vb / sum, w = vc / sum;
    return a + ab * v + ac * w;
}

// Lowers bestSqr to the squared distances from the first triangle's vertices (p0, p1, p2) to the
// second triangle (q0, q1, q2), writing the point pair when it lowers it. Returns true when the
// distance has reached 0, so nothing can lower it further.
template <class T>
bool _UpdatedDistanceVerticesToTriangle(T& bestSqr, MMPoint3d<T> const& p0, MMPoint3d<T> const& p1,
                                        MMPoint3d<T> const& p2, MMPoint3d<T> const& q0, MMPoint3d<T> const& q1,
                                        MMPoint3d<T> const& q2, MMPoint3d<T>& closestOnFirst,
                                        MMPoint3d<T>& closestOnSecond)
{
    for (MMPoint3d<T> const* v : {&p0, &p1, &p2})
    {
        MMPoint3d<T> const q = ClosestPointOnTriangle(*v, q0, q1, q2);
        T const d = (q - *v).LengthSquared();
        if (d < bestSqr)
        {
            bestSqr = d;
            closestOnFirst = *v;
            closestOnSecond = q;
        }
    }
    return bestSqr == T(0);
}
} // namespace MTriangle3dUtilities
