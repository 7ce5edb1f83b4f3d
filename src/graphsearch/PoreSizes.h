#pragma once
// Pore-size searches over a beam lattice: the largest empty spheres between the beams inside a box.
#include <cstddef>

#include "graphsearch/PoreSizeInfo.h"
#include "interfaces/MeshData.h"

namespace Zodara
{
namespace geometricsearches
{
// Valid arguments: a graph; i_resolution_x, _y, _z at least 2; i_box finite and not empty (a flat box
// is fine); i_overlapFactor a number. Anything else throws std::invalid_argument naming the
// argument, before any work.
//
// Clearance from a static object tree over the edges; refinement by a finer local grid.
PoreSizeResult GetPoreSizes(MStlGraph const* ip_graph, M3DBoundingBox<double> const& i_box, std::size_t i_resolution_x,
                            std::size_t i_resolution_y, std::size_t i_resolution_z, std::size_t i_refineResolution,
                            double i_overlapFactor);

// Clearance from the graph R*-tree; refinement by a finer local grid or by Nelder-Mead.
PoreSizeResult GetPoreSizesRTK(MStlGraph const* ip_graph, M3DBoundingBox<double> const& i_box,
                               std::size_t i_resolution_x, std::size_t i_resolution_y, std::size_t i_resolution_z,
                               bool i_useNelderMead, std::size_t i_refineResolution, double i_overlapFactor);
} // namespace geometricsearches
} // namespace Zodara
