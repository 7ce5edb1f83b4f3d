#pragma once
// Clearance over a static object tree of graph edges, and the edge box function that tree is built with.
#include <functional>

#include "interfaces/MeshData.h"
#include "trees/M3DObjectTree.h"

namespace Zodara
{
namespace geometricsearches
{
namespace util
{
using EdgeBoxFunction = std::function<M3DBoundingBox<double>(MStlGraphEdge const&)>;

// The integer beam box of GetBoundingBox, as doubles; holds a copy of the info pointer.
EdgeBoxFunction MakeEdgeBoxFunction(MStlBaseElementInfo const* info);

// Clearance at the point, searching no farther than maxDistance: maxDistance itself when no beam
// surface lies within it, +∞ for an empty tree with an infinite limit. Without info every beam has
// the radius of 5000 units that its box was built with.
double GetDistance(MeshQueries::M3DObjectTree<MStlGraphEdge> const& tree, MStlBaseElementInfo const* info,
                   MMPoint3d<double>& point, double maxDistance);
} // namespace util
} // namespace geometricsearches
} // namespace Zodara
