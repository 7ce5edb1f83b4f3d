#pragma once
// Beam boxes and clearances (distance from a point to the surface of the nearest beam, 0 inside).
// Lengths in the mesh's internal units. The functions only read; over an R*-tree whose boxes are up
// to date (RStarTree::RefreshAll) they may run on many threads at once. They do not throw.
#include "graphsearch/GraphRStarTree.h"
#include "interfaces/Export.h"
#include "interfaces/MeshData.h"

namespace Zodara
{
namespace geometricsearches
{
namespace util
{
// Integer box of the beam with its end spheres; a side may lie half a unit inside the exact box.
VZ_API M3DBoundingBox<long> GetBoundingBox(MStlGraphEdge const& edge, MStlBaseElementInfo const* info);

// Clearance over the R*-tree's edges; √DBL_MAX for a tree without edges. maxDistance is not used:
// the search always finds the nearest beam.
VZ_API double GetDistance(GraphRStarTree const& tree, MMPoint3d<double>& point, double maxDistance);

// Squared clearance from the R*-tree: best starts at DBL_MAX and is lowered by the search.
VZ_API double NearestDistanceSquared(GraphRStarTree const& tree, GraphRStarTree::ElementInfo const& adapter,
                                     MMPoint3d<double> const& point);
} // namespace util
} // namespace geometricsearches
} // namespace Zodara
