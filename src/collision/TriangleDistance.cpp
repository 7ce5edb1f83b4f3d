#include "collision/TriangleDistance.h"

#include <cmath>

namespace MeshQueries
{

using Point = MMPoint3d<double>;

bool SegmentCrossesTriangle(Point const V[3], Point const& n, Point const& P, Point const& Q, Point* X)
{
    Point const d = Q - P;
    double const den = n.Dot(d);
    if (std::fabs(den) <= kTriangleDistanceEpsilon) return false;
    double const t = n.Dot(V[0] - P) / den;
    if (t < 0.0 || t > 1.0) return false;
    Point const x = P + d * t;
    double const s0 = n.Dot((V[1] - V[0]).Cross(x - V[0]));
    double const s1 = n.Dot((V[2] - V[1]).Cross(x - V[1]));
    double const s2 = n.Dot((V[0] - V[2]).Cross(x - V[2]));
    // A zero sign puts the point on an edge line: touching is no crossing.
    bool const inside = (s0 > 0.0 && s1 > 0.0 && s2 > 0.0) || (s0 < 0.0 && s1 < 0.0 && s2 < 0.0);
    if (!inside) return false;
    if (X) *X = x;
    return true;
}

double SegmentParameter(Point const& X, Point const& A, Point const& B)
{
    Point const ab = B - A;
    double const lengthSqr = ab.LengthSquared();
    if (lengthSqr < kTriangleDistanceEpsilon) return 0.5;
    return (X - A).Dot(ab) / lengthSqr;
}

void ClosestLineParameters(Point const& P0, Point const& P1, Point const& Q0, Point const& Q1, double* s, double* t)
{
    Point const d1 = P1 - P0;
    Point const d2 = Q1 - Q0;
    Point const r = P0 - Q0;
    double const a = d1.Dot(d1);
    double const e = d2.Dot(d2);
    double const b = d1.Dot(d2);
    double const c = d1.Dot(r);
    double const f = d2.Dot(r);
    double const den = a * e - b * b;
    double sValue, tValue;
    if (den < kTriangleDistanceEpsilon)
    {
        // Nearly parallel or degenerate: project a point of the shorter line onto the longer one.
        if (a > e)
        {
            sValue = SegmentParameter(Q0, P0, P1);
            tValue = 0.0;
        }
        else
        {
            sValue = 0.0;
            tValue = SegmentParameter(P0, Q0, Q1);
        }
    }
    else
    {
        sValue = (b * f - c * e) / den;
        tValue = (a * f - b * c) / den;
    }
    if (s) *s = sValue;
    if (t) *t = tValue;
}

namespace
{

// The first crossing in the order edge i of B against A, then edge i of A against B, i = 0, 1, 2.
bool _FirstCrossing(Point const A[3], Point const& nA, Point const B[3], Point const& nB, Point& crossing)
{
    for (int i = 0; i < 3; ++i)
    {
        int const j = (i + 1) % 3;
        if (SegmentCrossesTriangle(A, nA, B[i], B[j], &crossing)) return true;
        if (SegmentCrossesTriangle(B, nB, A[i], A[j], &crossing)) return true;
    }
    return false;
}

// Strictly interior closest pairs of edges; parallel edges never qualify (one parameter is 0).
void _LowerByEdgePairs(Point const A[3], Point const B[3], double& best, Point& pA, Point& pB)
{
    for (int i = 0; i < 3; ++i)
    {
        int const i1 = (i + 1) % 3;
        for (int j = 0; j < 3; ++j)
        {
            int const j1 = (j + 1) % 3;
            double s, t;
            ClosestLineParameters(A[i], A[i1], B[j], B[j1], &s, &t);
            if (!(s > 0.0 && s < 1.0 && t > 0.0 && t < 1.0)) continue;
            Point const onA = A[i] * (1.0 - s) + A[i1] * s;
            Point const onB = B[j] * (1.0 - t) + B[j1] * t;
            double const d = (onA - onB).LengthSquared();
            if (d < best)
            {
                best = d;
                pA = onA;
                pB = onB;
            }
        }
    }
}

} // namespace

double TriangleDistanceSqr(Point const A[3], Point const& nA, Point const B[3], Point const& nB, Point* pA, Point* pB)
{
    Point crossing;
    if (_FirstCrossing(A, nA, B, nB, crossing))
    {
        if (pA) *pA = crossing;
        if (pB) *pB = crossing;
        return 0.0;
    }
    Point unusedA, unusedB;
    Point& onA = pA ? *pA : unusedA;
    Point& onB = pB ? *pB : unusedB;
    double best = 1.7976931348623157e308;
    if (MTriangle3dUtilities::_UpdatedDistanceVerticesToTriangle(best, A[0], A[1], A[2], B[0], B[1], B[2], onA, onB))
        return best;
    if (MTriangle3dUtilities::_UpdatedDistanceVerticesToTriangle(best, B[0], B[1], B[2], A[0], A[1], A[2], onB, onA))
        return best;
    _LowerByEdgePairs(A, B, best, onA, onB);
    return best;
}

double TriangleDistanceSqr(MStlTriangle const* T0, MStlTriangle const* T1, Point* pA, Point* pB)
{
    if (!T0 || !T1) return 0.0;
    Point const A[3] = {T0->GetVertex(0), T0->GetVertex(1), T0->GetVertex(2)};
    Point const B[3] = {T1->GetVertex(0), T1->GetVertex(1), T1->GetVertex(2)};
    return TriangleDistanceSqr(A, T0->GetNormal(), B, T1->GetNormal(), pA, pB);
}

double SafeLength(Point const& v)
{
    double const a = std::fabs(v.x);
    double const b = std::fabs(v.y);
    double const c = std::fabs(v.z);
    if (b >= a && c < b) return b * std::sqrt((a / b) * (a / b) + (c / b) * (c / b) + 1.0);
    if (a > b && c < a) return a * std::sqrt((b / a) * (b / a) + (c / a) * (c / a) + 1.0);
    if (c == 0.0) return 0.0;
    return c * std::sqrt((a / c) * (a / c) + (b / c) * (b / c) + 1.0);
}

Point Normalized(Point const& v)
{
    double const length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0) return v;
    return v / length;
}

Point CompactTriangleNormal(MStlCompact const& compact, std::size_t triangle)
{
    MStlCompact::MTriangle const& t = compact.GetTriangle(triangle);
    Point V[3];
    for (int i = 0; i < 3; ++i)
    {
        MStlCompact::MVertex const& v = compact.GetVertex(t.v[i]);
        V[i] = Point(double(v.x), double(v.y), double(v.z));
    }
    return Normalized((V[1] - V[0]).Cross(V[2] - V[0]));
}

} // namespace MeshQueries
