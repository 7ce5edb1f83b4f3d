#pragma once

#include "interfaces/Export.h"
#include "interfaces/MathCore.h"

namespace MeshQueries
{

// Axis-aligned box of a group of triangles in the group's own coordinates. The empty state is
// recognised by min.x alone holding the marker value; max is not consulted.
// Coordinates are in the triangles' length unit (internal units for mesh data). A plain value type:
// nothing throws, const operations may run concurrently, and every operation takes constant time
// (Intersect tests the 15 separating axes of two boxes).
struct VZ_API TrianglesGroupBBox3D
{
    MMPoint3d<double> min;
    MMPoint3d<double> max;

    // Bit pattern 0xDFAC71C71C71C10E, a value no real coordinate takes.
    static constexpr double EmptyMarker() { return -7.4487821833e152; }

    TrianglesGroupBBox3D();
    TrianglesGroupBBox3D(MMPoint3d<double> const& min, MMPoint3d<double> const& max);
    TrianglesGroupBBox3D(TrianglesGroupBBox3D const&) = default;
    TrianglesGroupBBox3D& operator=(TrianglesGroupBBox3D const&) = default;

    MMPoint3d<double> const& GetMin() const { return min; }
    MMPoint3d<double> const& GetMax() const { return max; }

    bool IsEmpty() const { return min.x == EmptyMarker(); }
    void MakeEmpty();
    double Volume() const;

    void Append(TrianglesGroupBBox3D const& other);
    double DistanceSqr(MMPoint3d<double> const& p) const;

    // t maps other's coordinates into this box's coordinates.
    bool Intersect(TrianglesGroupBBox3D const& other, MMTransformMatrix const& t) const;
    bool _Separate(TrianglesGroupBBox3D const& other, MMTransformMatrix const& t, MMPoint3d<double> const& axis) const;

    bool operator==(TrianglesGroupBBox3D const& o) const;
    bool operator!=(TrianglesGroupBBox3D const& o) const { return !(*this == o); }
};

} // namespace MeshQueries
