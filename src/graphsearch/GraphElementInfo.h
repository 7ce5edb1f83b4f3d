#pragma once
// The R*-tree adapter for beam-graph edges: an edge is a tapered capsule with a diameter at each end.
// Positions and radii are in the mesh's internal length units; the end diameters come from the
// mesh's element info (halved to radii; 5000 units without one). The mesh must outlive the adapter.
// Every operation only reads, may run on many threads at once, never throws and takes constant time.
#include "graphsearch/IElementInfo.h"
#include "interfaces/Export.h"
#include "interfaces/MeshData.h"

namespace Zodara
{
class VZ_API GraphElementInfo : public IElementInfo<MStlGraphEdge const*, double, 3>
{
public:
    explicit GraphElementInfo(MStlBase const* mesh);
    GraphElementInfo(GraphElementInfo const&) = default;
    GraphElementInfo& operator=(GraphElementInfo const&) = default;

    // Scales the end radii used for boxes and containment; distances keep the true radii.
    void SetThicknessFactor(double factor) { thicknessFactor = factor; }

    // Box of the two end spheres (scaled radii).
    MBoundingBoxND<double, 3> GetBoundingBox(MStlGraphEdge const* const& edge) const override;
    // True when the point lies in an end sphere (strictly) or within the tapered radius over the
    // segment between the ends (inclusive); scaled radii.
    bool Intersects(MMVector<double, 3> const& point, MStlGraphEdge const* const& edge) const override;
    // Squared distance from the point to the beam's surface, 0 inside; radii are the diameters halved
    // in integers, without the thickness factor.
    double DistanceSquared(MStlGraphEdge const* const& edge, MMVector<double, 3> const& point) const override;

private:
    struct EndRadii
    {
        double first;
        double second;
    };
    EndRadii ScaledRadii(MStlGraphEdge const& edge) const;
    EndRadii IntegerRadii(MStlGraphEdge const& edge) const;

    MStlBaseElementInfo const* elementInfo;
    double thicknessFactor = 1.0;
};
} // namespace Zodara
