#pragma once
#include "mathcore/MMPoint3d.h"
#include <vector>

namespace Intersections
{
// Whether the part of the segment origin + t*direction, t in [tMin, tMax], meets the solid finite
// cone (frustum) between baseCentre (radius baseRadius) and apex (radius apexRadius). direction is
// expected to be of unit length. When it meets, the entry and exit points are appended to points.
bool LineSegment_Cone_Intersection(std::vector<MMPoint3d<double>>& points, double tMin, double tMax,
                                   MMPoint3d<double> const& origin, MMPoint3d<double> const& direction,
                                   MMPoint3d<double> const& baseCentre, MMPoint3d<double> const& apex,
                                   double baseRadius, double apexRadius);
} // namespace Intersections
