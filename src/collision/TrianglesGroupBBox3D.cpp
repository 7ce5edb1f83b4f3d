#include "collision/TrianglesGroupBBox3D.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace MeshQueries
{

namespace
{

constexpr double kDegenerateAxis = 1.4901161193847656e-8;

// Corner c takes min on the axes whose bit is set and max on the others.
MMPoint3d<double> Corner(TrianglesGroupBBox3D const& box, int c)
{
    return {(c & 1) ? box.min.x : box.max.x, (c & 2) ? box.min.y : box.max.y, (c & 4) ? box.min.z : box.max.z};
}

} // namespace

TrianglesGroupBBox3D::TrianglesGroupBBox3D() : min(EmptyMarker(), EmptyMarker(), EmptyMarker()), max(0.0, 0.0, 0.0) {}

TrianglesGroupBBox3D::TrianglesGroupBBox3D(MMPoint3d<double> const& min_, MMPoint3d<double> const& max_)
    : min(min_), max(max_)
{
}

void TrianglesGroupBBox3D::MakeEmpty() { min = MMPoint3d<double>(EmptyMarker(), EmptyMarker(), EmptyMarker()); }

double TrianglesGroupBBox3D::Volume() const
{
    if (IsEmpty()) return 0.0;
    return (max.x - min.x) * (max.y - min.y) * (max.z - min.z);
}

void TrianglesGroupBBox3D::Append(TrianglesGroupBBox3D const& other)
{
    if (other.IsEmpty()) return;
    if (IsEmpty())
    {
        *this = other;
        return;
    }
    for (int k = 0; k < 3; ++k)
    {
        min[k] = std::min(min[k], other.min[k]);
        max[k] = std::max(max[k], other.max[k]);
    }
}

double TrianglesGroupBBox3D::DistanceSqr(MMPoint3d<double> const& p) const
{
    if (IsEmpty()) return std::numeric_limits<double>::max();
    double sum = 0.0;
    for (int k = 0; k < 3; ++k)
    {
        double gap = 0.0;
        if (p[k] <= min[k])
            gap = min[k] - p[k];
        else if (p[k] >= max[k])
            gap = p[k] - max[k];
        sum += gap * gap;
    }
    return sum;
}

bool TrianglesGroupBBox3D::Intersect(TrianglesGroupBBox3D const& other, MMTransformMatrix const& t) const
{
    if (IsEmpty()) return false;
    MMPoint3d<double> const ownAxes[3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    for (auto const& e : ownAxes)
        if (_Separate(other, t, e)) return false;
    for (auto const& e : ownAxes)
    {
        MMPoint3d<double> const mapped = t.Transform(e, true);
        if (_Separate(other, t, mapped)) return false;
        for (auto const& f : ownAxes)
            if (_Separate(other, t, mapped.Cross(f))) return false;
    }
    return true;
}

bool TrianglesGroupBBox3D::_Separate(TrianglesGroupBBox3D const& other, MMTransformMatrix const& t,
                                     MMPoint3d<double> const& axis) const
{
    if (std::fabs(axis.x) + std::fabs(axis.y) + std::fabs(axis.z) < kDegenerateAxis) return false;
    double const big = std::numeric_limits<double>::max();
    double ownLo = big, ownHi = -big, otherLo = big, otherHi = -big;
    for (int c = 0; c < 8; ++c)
    {
        double const own = axis.Dot(Corner(*this, c));
        double const mapped = axis.Dot(t.Transform(Corner(other, c), false));
        ownLo = std::min(ownLo, own);
        ownHi = std::max(ownHi, own);
        otherLo = std::min(otherLo, mapped);
        otherHi = std::max(otherHi, mapped);
        // Overlap found on a partial interval already holds for the full one.
        if (ownLo < otherHi && otherLo < ownHi) return false;
    }
    return true;
}

bool TrianglesGroupBBox3D::operator==(TrianglesGroupBBox3D const& o) const
{
    return min.x == o.min.x && min.y == o.min.y && min.z == o.min.z && max.x == o.max.x && max.y == o.max.y &&
           max.z == o.max.z;
}

} // namespace MeshQueries
