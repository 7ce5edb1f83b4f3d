#include "trees/IntersectionCheckerVerticalInfiniteCone.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "interfaces/MeshData.h"

namespace MeshQueries
{
namespace WrapperTreeUtilities
{

namespace
{
// The widest half-angle: the cone is then everything below and above the apex.
constexpr double kPi = 3.141592653589793;

using Point = MMPoint3d<double>;
using IntersectionType = M3DObjectTreeBase::IntersectionType;

// The finite cone handed to the segment routine reaches this far below the segment's lower end,
// so that over the segment's height range it is the infinite cone.
constexpr double kConeExtension = 10000.0;

// Inside test of an offset from the apex against a downward cone given by minus the cosine of
// its half-angle.
bool IsOffsetInside(Point const& offset, double minusCosHalfAngle)
{
    double const length = std::sqrt(offset.Dot(offset));
    double const verticalCosine = length == 0.0 ? offset.z : offset.z / length;
    return minusCosHalfAngle > verticalCosine;
}

// A box given by its offsets from the apex: x, y and z ranges [lo, hi].
struct OffsetBox
{
    double x[2];
    double y[2];
    double z[2];
};

double SquaredDistanceToSegment2D(double fromX, double fromY, double toX, double toY)
{
    // Distance from the apex's vertical (the origin of the offsets) to the segment.
    double const ex = toX - fromX, ey = toY - fromY;
    double const lengthSquared = ex * ex + ey * ey;
    double t = lengthSquared > 0.0 ? -(fromX * ex + fromY * ey) / lengthSquared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    double const cx = fromX + t * ex, cy = fromY + t * ey;
    return cx * cx + cy * cy;
}

int CountInsideCorners(OffsetBox const& box, double z, double minusCosHalfAngle)
{
    int inside = 0;
    for (double x : box.x)
        for (double y : box.y) inside += IsOffsetInside(Point(x, y, z), minusCosHalfAngle) ? 1 : 0;
    return inside;
}

// The downward cone against a box. The cone widens downward, so the box lies wholly inside when
// its top corners do, and it meets the cone in its bottom face if anywhere.
IntersectionType ClassifyOffsetBox(OffsetBox const& box, double tanHalfAngleSquared, double minusCosHalfAngle)
{
    if (box.z[0] > 0.0) return M3DObjectTreeBase::Outside;
    int const topInside = CountInsideCorners(box, box.z[1], minusCosHalfAngle);
    if (topInside == 4) return M3DObjectTreeBase::Inside;
    if (topInside > 0) return M3DObjectTreeBase::Intersecting;
    if (CountInsideCorners(box, box.z[0], minusCosHalfAngle) > 0) return M3DObjectTreeBase::Intersecting;
    if (box.x[0] < 0.0 && 0.0 < box.x[1] && box.y[0] < 0.0 && 0.0 < box.y[1]) return M3DObjectTreeBase::Intersecting;

    double const radiusSquared = box.z[0] * box.z[0] * tanHalfAngleSquared;
    double const ring[5][2] = {
        {box.x[1], box.y[1]}, {box.x[1], box.y[0]}, {box.x[0], box.y[0]}, {box.x[0], box.y[1]}, {box.x[1], box.y[1]}};
    for (int k = 0; k < 4; ++k)
        if (radiusSquared > SquaredDistanceToSegment2D(ring[k][0], ring[k][1], ring[k + 1][0], ring[k + 1][1]))
            return M3DObjectTreeBase::Intersecting;
    return M3DObjectTreeBase::Outside;
}

IntersectionType Complement(IntersectionType type)
{
    if (type == M3DObjectTreeBase::Inside) return M3DObjectTreeBase::Outside;
    if (type == M3DObjectTreeBase::Outside) return M3DObjectTreeBase::Inside;
    return type;
}

// Length of a vector with its components scaled by the largest, so that squaring cannot overflow.
double ScaledLength(Point const& v)
{
    double const largest = std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
    if (largest == 0.0) return 0.0;
    Point const scaled = v / largest;
    return largest * std::sqrt(scaled.Dot(scaled));
}

// Whether the segment meets the cone of the given apex that opens along verticalSign (-1 down,
// +1 up), by a finite cone reaching past the segment's far end.
bool SegmentMeetsCone(Point const& a, Point const& b, Point const& apex, double tanHalfAngleSquared,
                      double verticalSign)
{
    double const farZ = verticalSign < 0.0 ? std::min(a.z, b.z) - kConeExtension : std::max(a.z, b.z) + kConeExtension;
    Point const baseCentre(apex.x, apex.y, farZ);
    double const height = (apex - baseCentre).Length();
    double const baseRadius = std::sqrt(tanHalfAngleSquared) * height;
    Point const along = b - a;
    double const length = ScaledLength(along);
    Point const direction = length != 0.0 ? along / length : along;
    // Reused per thread: the routine appends the points where it meets the cone.
    thread_local std::vector<Point> meetingPoints;
    meetingPoints.clear();
    return Intersections::LineSegment_Cone_Intersection(meetingPoints, 0.0, length, a, direction, baseCentre, apex,
                                                        baseRadius, 0.0);
}

} // namespace

IntersectionCheckerVerticalInfiniteCone::IntersectionCheckerVerticalInfiniteCone(MMPoint3d<double> const& apex,
                                                                                 double halfAngle)
    : m_apexX(apex.x), m_apexY(apex.y), m_apexZ(apex.z),
      m_tanHalfAngleSquared(std::tan(halfAngle) * std::tan(halfAngle)), m_minusCosHalfAngle(-std::cos(halfAngle))
{
    // A NaN would make every comparison false, and so every point, box and edge Outside.
    if (!(std::isfinite(apex.x) && std::isfinite(apex.y) && std::isfinite(apex.z)))
        throw std::invalid_argument("apex is not finite");
    if (!(halfAngle >= 0.0 && halfAngle <= kPi)) throw std::invalid_argument("halfAngle outside 0 to pi");
}

bool IntersectionCheckerVerticalInfiniteCone::_IsInside(MMPoint3d<double> const& point) const
{
    return IsOffsetInside(Point(point.x - m_apexX, point.y - m_apexY, point.z - m_apexZ), m_minusCosHalfAngle);
}

IntersectionCheckerVerticalInfiniteCone::IntersectionType
IntersectionCheckerVerticalInfiniteCone::GetIntersection(MMPoint3d<double> const& point) const
{
    return _IsInside(point) ? M3DObjectTreeBase::Inside : M3DObjectTreeBase::Outside;
}

IntersectionCheckerVerticalInfiniteCone::IntersectionType
IntersectionCheckerVerticalInfiniteCone::GetIntersection(M3DBoundingBox<double> const& box) const
{
    Point const lo = box.GetCornerMin(), hi = box.GetCornerMax();
    OffsetBox offsets{
        {lo.x - m_apexX, hi.x - m_apexX}, {lo.y - m_apexY, hi.y - m_apexY}, {lo.z - m_apexZ, hi.z - m_apexZ}};
    if (!_OpensUpwardOutside()) return ClassifyOffsetBox(offsets, m_tanHalfAngleSquared, m_minusCosHalfAngle);
    // Mirrored in the apex's horizontal plane, the upward cone outside a wide cone is a downward
    // cone with the same tan² and the opposite cosine.
    OffsetBox const mirrored{
        {offsets.x[0], offsets.x[1]}, {offsets.y[0], offsets.y[1]}, {-offsets.z[1], -offsets.z[0]}};
    return Complement(ClassifyOffsetBox(mirrored, m_tanHalfAngleSquared, -m_minusCosHalfAngle));
}

IntersectionCheckerVerticalInfiniteCone::IntersectionType
IntersectionCheckerVerticalInfiniteCone::GetIntersection(MStlGraphEdge const* edge) const
{
    if (edge == nullptr || edge->GetFirstVertex() == nullptr || edge->GetSecondVertex() == nullptr)
        return M3DObjectTreeBase::Outside;
    return GetSegmentIntersection(*edge->GetFirstVertex(), *edge->GetSecondVertex());
}

IntersectionCheckerVerticalInfiniteCone::IntersectionType
IntersectionCheckerVerticalInfiniteCone::GetSegmentIntersection(MMPoint3d<double> const& a,
                                                                MMPoint3d<double> const& b) const
{
    bool const aInside = _IsInside(a), bInside = _IsInside(b);
    if (aInside != bInside) return M3DObjectTreeBase::Intersecting;
    Point const apex(m_apexX, m_apexY, m_apexZ);
    if (!_OpensUpwardOutside())
    {
        if (aInside) return M3DObjectTreeBase::Inside;
        return SegmentMeetsCone(a, b, apex, m_tanHalfAngleSquared, -1.0) ? M3DObjectTreeBase::Intersecting
                                                                         : M3DObjectTreeBase::Outside;
    }
    // The region outside a wide cone is a convex upward cone: a segment with both ends in it
    // stays in it, one with both ends inside may still cross it.
    if (!aInside) return M3DObjectTreeBase::Outside;
    return SegmentMeetsCone(a, b, apex, m_tanHalfAngleSquared, 1.0) ? M3DObjectTreeBase::Intersecting
                                                                    : M3DObjectTreeBase::Inside;
}

} // namespace WrapperTreeUtilities
} // namespace MeshQueries
