#pragma once
// The R*-tree adapter for beam-graph edges: an edge is a tapered capsule with a diameter at each end.
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

    MBoundingBoxND<double, 3> GetBoundingBox(MStlGraphEdge const* const& edge) const override;
    bool Intersects(MMVector<double, 3> const& point, MStlGraphEdge const* const& edge) const override;
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
