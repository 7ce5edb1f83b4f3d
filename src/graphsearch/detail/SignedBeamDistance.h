#pragma once
// Squared distance from a point to the surface of a tapered capsule, negative inside.
#include "interfaces/MathCore.h"

namespace Zodara
{
// The beam runs from A (radius rA) to B (radius rB): a cone frustum between two end spheres.
double SignedBeamDistanceSquared(MMPoint3d<double> const& a, MMPoint3d<double> const& b, double rA, double rB,
                                 MMPoint3d<double> const& p);

namespace util
{
// Closest point of segment AB to p; a segment shorter than 2^-13 counts as its midpoint.
inline MMPoint3d<double> ClosestPointOnSegment(MMPoint3d<double> const& p, MMPoint3d<double> const& a,
                                               MMPoint3d<double> const& b)
{
    constexpr double kDegenerateLengthSquared = 1.4901161193847656e-8; // 2^-26
    MMPoint3d<double> const ab = b - a;
    double const lengthSquared = ab.LengthSquared();
    double const t = lengthSquared < kDegenerateLengthSquared ? 0.5 : (p - a).Dot(ab) / lengthSquared;
    if (t <= 0.0) return a;
    if (t >= 1.0) return b;
    return a * (1.0 - t) + b * t;
}
} // namespace util
} // namespace Zodara
