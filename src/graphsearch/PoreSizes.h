#pragma once
// Pore-size searches over a beam lattice: the largest empty spheres between the beams inside a box.
#include <cstddef>

#include "graphsearch/PoreSizeInfo.h"
#include "interfaces/Export.h"
#include "interfaces/MeshData.h"

namespace Zodara
{
namespace geometricsearches
{
// GetPoreSizes: the pores of a beam lattice inside a box, measured with a static object tree over
// the beams.
//
// Inputs
//   ip_graph            the lattice; its beams take their end radii from the element info of the mesh
//                       that owns the graph (without one, every beam has a radius of 5000 units).
//                       Only read.
//   i_box               region searched, in the mesh's internal length units (10 000 per millimetre
//                       for a mesh loaded from STL).
//   i_resolution_x/y/z  grid points along x, y and z, both faces of the box included; at least 2 each.
//   i_refineResolution  grid points per axis of the local re-scan of one grid step about each
//                       candidate, clipped to i_box; 0 or 1 keeps the coarse candidates.
//   i_overlapFactor     tolerance of the final filter: a pore is dropped when some interior pore of
//                       larger (or equal, later) radius satisfies
//                       ((1 - 2 f) r_a + r_b)^2 >= |c_a - c_b|^2. With 0 it goes when the two spheres
//                       touch or overlap; with 0.5 when its centre lies in the other sphere.
// Output
//   The pores left after the filter, by ascending radius (ties in grid order). Each has its centre
//   and radius (the clearance: distance to the nearest beam surface) in internal units, and the box
//   faces its grid point lies on (boundaryFlags, PoreFace bits; interior when none). A lattice
//   without beams gives one pore of radius +infinity at the box's maximum corner.
// Errors
//   std::invalid_argument, before any work and in this order: "ip_graph" for a null graph,
//   "i_resolution_x too small", "i_resolution_y too small", "i_resolution_z too small" for a
//   resolution below 2; then "i_box" for a box with a NaN or infinite corner or with a minimum above
//   its maximum (a flat box is fine) and "i_overlapFactor" for NaN. std::bad_alloc when memory runs out; nothing
//   partial is returned.
// Threads
//   Rows of each grid slice are measured by parallel tasks; the call returns after all have ended.
//   Calls on different graphs, or on the same unchanged graph, may run at once.
// Cost
//   One tree search per grid point: about nx * ny * nz * log(beams), plus refineResolution^3 per
//   candidate when refining. Memory: the tree and two slices of nx * ny grid cells, whatever nz is.
VZ_API PoreSizeResult GetPoreSizes(MStlGraph const* ip_graph, M3DBoundingBox<double> const& i_box,
                                   std::size_t i_resolution_x, std::size_t i_resolution_y, std::size_t i_resolution_z,
                                   std::size_t i_refineResolution, double i_overlapFactor);

// GetPoreSizesRTK: the same search with the clearance taken from the graph R*-tree, and a choice of
// refinement.
//
// Inputs
//   ip_graph, i_box, i_resolution_x/y/z, i_overlapFactor  as for GetPoreSizes.
//   i_useNelderMead     true: each candidate is refined by a Nelder-Mead search for the largest
//                       clearance within one grid step of it (i_refineResolution is then not used);
//                       the candidate is dropped when the search does not converge or ends within 10
//                       units of the edge of that window (so a grid step of 10 units or less on any
//                       axis drops every candidate). false: local re-scan as in GetPoreSizes.
//   i_refineResolution  as for GetPoreSizes, when i_useNelderMead is false.
// Output
//   As for GetPoreSizes, in internal units. A pore refined by Nelder-Mead keeps its candidate's face
//   flags. A lattice without beams gives radius sqrt(DBL_MAX) instead of +infinity.
// Errors
//   The argument checks of GetPoreSizes, with the same messages and order; std::bad_alloc when
//   memory runs out. A candidate that fails to refine is no error: it is left out.
// Threads
//   As for GetPoreSizes; the R*-tree is brought fully up to date before the parallel scan reads it.
// Cost
//   As for GetPoreSizes; Nelder-Mead adds up to the solver's iteration limit of clearance
//   evaluations per candidate.
VZ_API PoreSizeResult GetPoreSizesRTK(MStlGraph const* ip_graph, M3DBoundingBox<double> const& i_box,
                                      std::size_t i_resolution_x, std::size_t i_resolution_y,
                                      std::size_t i_resolution_z, bool i_useNelderMead, std::size_t i_refineResolution,
                                      double i_overlapFactor);
} // namespace geometricsearches
} // namespace Zodara
