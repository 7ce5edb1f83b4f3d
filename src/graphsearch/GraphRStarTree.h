#pragma once
// The R*-tree over all edges of one beam graph.
#include "graphsearch/GraphElementInfo.h"
#include "graphsearch/RStarTree.h"
#include "interfaces/Export.h"

namespace Zodara
{
extern template class VZ_API RStarTree<double, 3, MStlGraphEdge const*, 5>;

// Units: positions and radii in the mesh's internal length units (10 000 per millimetre for meshes
// loaded from STL). The graph and its mesh are only read and must outlive the tree.
// Threads: as for RStarTree: lazily refreshed boxes make even queries write; call RefreshAll once
// before reading from several threads.
// Cost: construction inserts every edge, O(E log E); Contains and the clearance queries of
// GraphEdgeUtilities.h descend only into boxes that hold the point, O(log E) for spread-out beams.
class VZ_API GraphRStarTree : public RStarTree<double, 3, MStlGraphEdge const*, 5>
{
public:
    using ElementInfo = IElementInfo<MStlGraphEdge const*, double, 3>;

    // Beams get their thickness from the element info of the mesh that owns the graph (thickness
    // factor 1, minimum fill 2). Throws std::invalid_argument("ip_graph") for a null graph.
    explicit GraphRStarTree(MStlGraph const* graph);
    // Takes ownership of the adapter. It is released through its interface type, so it must need
    // nothing beyond the release of its memory. Throws std::invalid_argument "ip_elementInfo" for a
    // null adapter, "ip_graph" for a null graph (the adapter is then released).
    GraphRStarTree(MStlGraph const* graph, ElementInfo* adapter);

    // True when the point lies inside some beam, as the adapter's Intersects decides (with the
    // thickness factor applied).
    bool Contains(MMPoint3d<double> point) const;

    // Box of the graph's edge end points, or of all points of the mesh; beam radii are not added.
    // An empty graph or mesh gives the math core's empty box.
    static M3DBoundingBox<double> CreateBoundingBox(MStlGraph const* graph);
    static M3DBoundingBox<double> CreateBoundingBox(MStlBase const* mesh);

private:
    void Initialize(MStlGraph const* graph);
};
} // namespace Zodara
