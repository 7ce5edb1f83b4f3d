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
MMPoint3d<double> ClosestPointOnSegment(MMPoint3d<double> const& p, MMPoint3d<double> const& a,
                                        MMPoint3d<double> const& b);
} // namespace util
} // namespace Zodara
