#include "graphsearch/detail/SignedBeamDistance.h"

namespace Zodara
{

namespace
{
double SignedSquare(double d) { return d >= 0.0 ? d * d : -(d * d); }
} // namespace

double SignedBeamDistanceSquared(MMPoint3d<double> const& a, MMPoint3d<double> const& b, double rA, double rB,
                                 MMPoint3d<double> const& p)
{
    MMPoint3d<double> const q = util::ClosestPointOnSegment(p, a, b);
    if (q == a) return SignedSquare((p - a).Length() - rA);
    if (q == b) return SignedSquare((p - b).Length() - rB);

    // The surface line of the beam in the plane through the axis and p, on p's side.
    MMPoint3d<double> n = p - q;
    double const length = n.Length();
    if (length != 0.0) n /= length;
    MMPoint3d<double> const surfaceA = a + n * rA;
    MMPoint3d<double> const surfaceB = b + n * rB;
    MMPoint3d<double> const s = util::ClosestPointOnSegment(p, surfaceA, surfaceB);
    double const squared = (p - s).LengthSquared();
    // p between the axis and the surface: the surface point lies beyond p as seen from the axis.
    return (s - p).Dot(q - p) < 0.0 ? -squared : squared;
}
} // namespace Zodara
