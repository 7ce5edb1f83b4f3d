#include "graphsearch/GraphElementInfo.h"

#include <algorithm>

#include "graphsearch/detail/SignedBeamDistance.h"

namespace Zodara
{
namespace
{
// A mesh without element info gives every beam a diameter of 10000 units.
constexpr double kRadiusWithoutInfo = 5000.0;

MMPoint3d<double> IntegerPosition(MStlPoint const* p) { return {double(p->x), double(p->y), double(p->z)}; }
} // namespace

GraphElementInfo::GraphElementInfo(MStlBase const* mesh)
    : elementInfo(MStlBaseElementInfoStlDependency::GetDependency(mesh, false))
{
}

GraphElementInfo::EndRadii GraphElementInfo::ScaledRadii(MStlGraphEdge const& edge) const
{
    EndRadii radii{kRadiusWithoutInfo, kRadiusWithoutInfo};
    if (elementInfo != nullptr)
    {
        MStlGraphEdgeThickness thickness = elementInfo->GetEdgeThickness(edge);
        if (thickness.first == -1) thickness = elementInfo->GetDefaultEdgeThickness();
        radii = {thickness.first * 0.5, thickness.second * 0.5};
    }
    return {radii.first * thicknessFactor, radii.second * thicknessFactor};
}

// The distance uses the edge's own diameters halved in integers, with no default and no factor.
// Without element info it falls back to the same radius that boxes and containment use.
GraphElementInfo::EndRadii GraphElementInfo::IntegerRadii(MStlGraphEdge const& edge) const
{
    if (elementInfo == nullptr) return {kRadiusWithoutInfo, kRadiusWithoutInfo};
    MStlGraphEdgeThickness const thickness = elementInfo->GetEdgeThickness(edge);
    return {double(thickness.first / 2), double(thickness.second / 2)};
}

MBoundingBoxND<double, 3> GraphElementInfo::GetBoundingBox(MStlGraphEdge const* const& edge) const
{
    EndRadii const r = ScaledRadii(*edge);
    MMPoint3d<double> const a = IntegerPosition(edge->GetFirstVertex());
    MMPoint3d<double> const b = IntegerPosition(edge->GetSecondVertex());
    MMVector<double, 3> lo, hi;
    for (int d = 0; d < 3; ++d)
    {
        lo[d] = std::min(a[d] - r.first, b[d] - r.second);
        hi[d] = std::max(a[d] + r.first, b[d] + r.second);
    }
    MBoundingBoxND<double, 3> box;
    box.SetCornerMin(lo);
    box.SetCornerMax(hi);
    return box;
}

// The lateral test takes the radius interpolated at the foot of the perpendicular, not the exact cone.
bool GraphElementInfo::Intersects(MMVector<double, 3> const& point, MStlGraphEdge const* const& edge) const
{
    EndRadii const r = ScaledRadii(*edge);
    MMPoint3d<double> const p(point[0], point[1], point[2]);
    MMPoint3d<double> const a = edge->GetFirstVertex()->Get();
    MMPoint3d<double> const b = edge->GetSecondVertex()->Get();
    if (r.first * r.first > (p - a).LengthSquared()) return true;
    if (r.second * r.second > (p - b).LengthSquared()) return true;
    MMPoint3d<double> const ab = b - a;
    double const t = (p - a).Dot(ab) / ab.LengthSquared();
    if (t > 1.0 || t < 0.0 || t != t) return false;
    MMPoint3d<double> const foot = a + ab * t;
    double const radius = r.first + t * (r.second - r.first);
    return radius * radius >= (foot - p).LengthSquared();
}

double GraphElementInfo::DistanceSquared(MStlGraphEdge const* const& edge, MMVector<double, 3> const& point) const
{
    EndRadii const r = IntegerRadii(*edge);
    double const s = SignedBeamDistanceSquared(edge->GetFirstVertex()->Get(), edge->GetSecondVertex()->Get(), r.first,
                                               r.second, MMPoint3d<double>(point[0], point[1], point[2]));
    return s >= 0.0 ? s : 0.0;
}
} // namespace Zodara
