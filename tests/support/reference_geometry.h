#pragma once
// Brute-force reference answers shared by every subsystem's tests, computed by roads independent of
// the library: point-segment, point-triangle, point-box, segment-segment and triangle-triangle
// distances (all squared), the inclusive segment-triangle crossing, the exact line-triangle hit on
// integer corners, and the clearance of a tapered beam.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"

namespace vz_test
{
using Point = MMPoint3d<double>;

inline Point ClosestOnSegment(Point const& p, Point const& a, Point const& b)
{
    Point const d = b - a;
    double const len2 = d.LengthSquared();
    double t = len2 > 0 ? (p - a).Dot(d) / len2 : 0.0;
    t = std::min(1.0, std::max(0.0, t));
    return a + d * t;
}

inline double PointSegmentDistanceSqr(Point const& p, Point const& a, Point const& b)
{
    return (p - ClosestOnSegment(p, a, b)).LengthSquared();
}

// The foot of the perpendicular when it falls inside the triangle (by the signs of the three edge
// cross products), else the nearest of the three clamped edges; degenerate triangles are their edges.
inline double PointTriangleDistanceSqr(Point const& p, Point const& a, Point const& b, Point const& c)
{
    Point const n = (b - a).Cross(c - a);
    double const n2 = n.LengthSquared();
    double const longest = std::max({(b - a).Length(), (c - b).Length(), (a - c).Length()});
    if (n2 > 1e-20 * std::pow(longest, 4))
    {
        Point const foot = p - n * ((p - a).Dot(n) / n2);
        if ((b - a).Cross(foot - a).Dot(n) >= 0 && (c - b).Cross(foot - b).Dot(n) >= 0 &&
            (a - c).Cross(foot - c).Dot(n) >= 0)
            return (p - foot).LengthSquared();
    }
    return std::min(
        {PointSegmentDistanceSqr(p, a, b), PointSegmentDistanceSqr(p, b, c), PointSegmentDistanceSqr(p, c, a)});
}

inline double PointBoxDistanceSqr(Point const& p, M3DBoundingBox<double> const& box)
{
    double sum = 0;
    for (int k = 0; k < 3; ++k)
    {
        double const gap = std::max({0.0, box.min[k] - p[k], p[k] - box.max[k]});
        sum += gap * gap;
    }
    return sum;
}

// Inclusive segment-triangle crossing by a barycentric solve (Cramer's rule); a segment parallel to
// the plane never crosses.
inline bool SegmentHitsTriangle(Point const& p, Point const& q, Point const T[3])
{
    Point const e1 = T[1] - T[0], e2 = T[2] - T[0], d = q - p;
    Point const h = d.Cross(e2);
    double const det = e1.Dot(h);
    if (std::fabs(det) < 1e-12) return false;
    Point const s = p - T[0];
    double const u = s.Dot(h) / det;
    Point const qv = s.Cross(e1);
    double const v = d.Dot(qv) / det;
    double const t = e2.Dot(qv) / det;
    return u >= 0 && v >= 0 && u + v <= 1 && t >= 0 && t <= 1;
}

// Endpoint-to-segment cases and the interior stationary pair.
inline double SegmentSegmentDistanceSqr(Point const& a0, Point const& a1, Point const& b0, Point const& b1)
{
    double best = std::min({PointSegmentDistanceSqr(a0, b0, b1), PointSegmentDistanceSqr(a1, b0, b1),
                            PointSegmentDistanceSqr(b0, a0, a1), PointSegmentDistanceSqr(b1, a0, a1)});
    Point const u = a1 - a0, v = b1 - b0, w = a0 - b0;
    double const uu = u.Dot(u), uv = u.Dot(v), vv = v.Dot(v), uw = u.Dot(w), vw = v.Dot(w);
    double const det = uu * vv - uv * uv;
    if (det > 1e-9 * uu * vv)
    {
        double const s = (uv * vw - vv * uw) / det, t = (uu * vw - uv * uw) / det;
        if (s > 0 && s < 1 && t > 0 && t < 1) best = std::min(best, ((a0 + u * s) - (b0 + v * t)).LengthSquared());
    }
    return best;
}

// All pairs of features: zero when an edge of one crosses the other, else the least of the six
// vertex-triangle and nine edge-edge distances.
inline double TriangleDistanceSqr(Point const A[3], Point const B[3])
{
    for (int i = 0; i < 3; ++i)
        if (SegmentHitsTriangle(B[i], B[(i + 1) % 3], A) || SegmentHitsTriangle(A[i], A[(i + 1) % 3], B)) return 0.0;
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 3; ++i)
    {
        best = std::min(best, PointTriangleDistanceSqr(A[i], B[0], B[1], B[2]));
        best = std::min(best, PointTriangleDistanceSqr(B[i], A[0], A[1], A[2]));
        for (int j = 0; j < 3; ++j)
            best = std::min(best, SegmentSegmentDistanceSqr(A[i], A[(i + 1) % 3], B[j], B[(j + 1) % 3]));
    }
    return best;
}
// Exact line-triangle test on integer geometry: signed volumes decide the crossing, edges and
// corners included; a line parallel to the plane (or a collinear triangle) never hits. The hit
// parameter is returned as the fraction num/den with den > 0.
struct ExactHit
{
    bool hit = false;
    std::int64_t num = 0, den = 1;
    double T() const { return double(num) / double(den); }
};

struct I3
{
    std::int64_t x, y, z;
    I3 operator-(I3 const& o) const { return {x - o.x, y - o.y, z - o.z}; }
    I3 Cross(I3 const& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    std::int64_t Dot(I3 const& o) const { return x * o.x + y * o.y + z * o.z; }
};

inline I3 ToI3(MStlPoint const* p) { return {p->x, p->y, p->z}; }

inline ExactHit ExactLineHit(I3 const& o, I3 const& d, MStlTriangle const* t)
{
    I3 const a = ToI3(t->GetPoint(0)), b = ToI3(t->GetPoint(1)), c = ToI3(t->GetPoint(2));
    I3 const n = (b - a).Cross(c - a);
    std::int64_t det = d.Dot(n), num = n.Dot(a - o);
    ExactHit r;
    if (det == 0) return r;
    std::int64_t const wab = d.Dot((a - o).Cross(b - o)), wbc = d.Dot((b - o).Cross(c - o)),
                       wca = d.Dot((c - o).Cross(a - o));
    bool const allNonNeg = wab >= 0 && wbc >= 0 && wca >= 0;
    bool const allNonPos = wab <= 0 && wbc <= 0 && wca <= 0;
    if (!allNonNeg && !allNonPos) return r;
    if (det < 0)
    {
        det = -det;
        num = -num;
    }
    r.hit = true;
    r.num = num;
    r.den = det;
    return r;
}

// Whether the exact hit parameter lies in [lo, hi] for integer bounds.
inline bool ExactWithin(ExactHit const& h, std::int64_t lo, std::int64_t hi)
{
    return h.hit && h.num >= lo * h.den && h.num <= hi * h.den;
}

// Clearance from p to a beam whose radius runs linearly from rA at a to rB at b, with spherical ends
// where p lies beyond an end; 0 inside. Worked in the plane through the axis and p: x along the
// axis, h away from it, the surface being the segment from (0, rA) to (length, rB).
inline double BeamClearance(Point const& a, Point const& b, double rA, double rB, Point const& p)
{
    Point const axis = b - a;
    double const length = axis.Length();
    double const x = length > 0 ? (p - a).Dot(axis) / length : 0.0;
    if (x <= 0) return std::max(0.0, (p - a).Length() - rA);
    if (x >= length) return std::max(0.0, (p - b).Length() - rB);
    double const h = std::sqrt(std::max(0.0, (p - a).LengthSquared() - x * x));
    if (h <= rA + (rB - rA) * x / length) return 0.0;
    return std::sqrt(PointSegmentDistanceSqr(Point(x, h, 0), Point(0, rA, 0), Point(length, rB, 0)));
}
} // namespace vz_test
