#pragma once
// The R*-tree over all edges of one beam graph.
#include "graphsearch/GraphElementInfo.h"
#include "graphsearch/RStarTree.h"
#include "interfaces/Export.h"

namespace Zodara
{
extern template class VZ_API RStarTree<double, 3, MStlGraphEdge const*, 5>;

class VZ_API GraphRStarTree : public RStarTree<double, 3, MStlGraphEdge const*, 5>
{
public:
    using ElementInfo = IElementInfo<MStlGraphEdge const*, double, 3>;

    // Beams get their thickness from the element info of the mesh that owns the graph.
    explicit GraphRStarTree(MStlGraph const* graph);
    // Takes ownership of the adapter. It is released through its interface type, so it must need
    // nothing beyond the release of its memory.
    GraphRStarTree(MStlGraph const* graph, ElementInfo* adapter);

    bool Contains(MMPoint3d<double> point) const;

    static M3DBoundingBox<double> CreateBoundingBox(MStlGraph const* graph);
    static M3DBoundingBox<double> CreateBoundingBox(MStlBase const* mesh);

private:
    void Initialize(MStlGraph const* graph);
};
} // namespace Zodara
