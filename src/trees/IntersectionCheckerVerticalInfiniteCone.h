#pragma once

#include "interfaces/Export.h"
#include "interfaces/MathCore.h"
#include "meshdata/MStlFwd.h"
#include "trees/M3DObjectTreeBase.h"

namespace MeshQueries
{
namespace WrapperTreeUtilities
{

// Classifies points, boxes and graph edges against a cone with a vertical axis that opens
// downward, without end, from its apex. A point p is inside when the direction from the apex to
// p makes an angle below the half-angle with the downward vertical.
//
// Half-angles above 90 degrees make the inside region the complement of an upward cone; boxes
// and edges are then classified against that upward cone and the answer is complemented.
// Units: the apex and the tested geometry share one length unit (internal units for mesh data); the
// half-angle is in radians. Results: Inside (0), Outside (1) or Intersecting (2), for use as the
// classifier of a tree search. Errors: the constructor throws std::invalid_argument for an apex
// with a NaN or infinite coordinate ("apex is not finite") and for a half-angle that is NaN or
// outside 0 to pi ("halfAngle outside 0 to pi"); the tests never throw. Threads: immutable after
// construction, so one checker may classify from any number of threads at once. Cost: constant per
// point, box or segment.
class VZ_API IntersectionCheckerVerticalInfiniteCone
{
public:
    using IntersectionType = M3DObjectTreeBase::IntersectionType;

    // halfAngle in radians, between the cone's surface and its axis: 0 to pi inclusive.
    IntersectionCheckerVerticalInfiniteCone(MMPoint3d<double> const& apex, double halfAngle);

    IntersectionType GetIntersection(MMPoint3d<double> const& point) const;
    IntersectionType GetIntersection(M3DBoundingBox<double> const& box) const;
    // A null edge, or one that joins nothing, meets nothing: Outside.
    IntersectionType GetIntersection(MStlGraphEdge const* edge) const;

    // The segment between two points, as for a graph edge with these end points.
    IntersectionType GetSegmentIntersection(MMPoint3d<double> const& a, MMPoint3d<double> const& b) const;

private:
    bool _IsInside(MMPoint3d<double> const& point) const;
    bool _OpensUpwardOutside() const { return m_minusCosHalfAngle > 0.0; }

    double m_apexX;
    double m_apexY;
    double m_apexZ;
    double m_tanHalfAngleSquared;
    double m_minusCosHalfAngle;
};

} // namespace WrapperTreeUtilities
} // namespace MeshQueries
