#pragma once
// The pore searches' shared steps: the grid scan for local maxima of the clearance, and the filter
// that drops pores swallowed by larger ones.
#include <cstddef>
#include <functional>

#include "graphsearch/PoreSizeInfo.h"

namespace Zodara
{
namespace geometricsearches
{
namespace util
{
// Clearance at a point; called from several threads at once.
using ClearanceFunction = std::function<double(MMPoint3d<double>& point)>;

// Grid points of nx × ny × nz over the box (both faces included) whose clearance no compared neighbour
// beats, in (k, i, j) order. Only the faces in faceMask are reported in boundaryFlags.
std::vector<PoreSizeInfo> ScanGrid(ClearanceFunction const& clearance, M3DBoundingBox<double> const& box,
                                   std::size_t nx, std::size_t ny, std::size_t nz, std::uint32_t faceMask);

// Drops every pore whose sphere, shrunk by overlapFactor, reaches a later interior pore in ascending
// radius order. The result is sorted by radius (stable).
std::vector<PoreSizeInfo> FilterOverlappingPores(std::vector<PoreSizeInfo> const& pores, double overlapFactor);

// The argument checks shared by both pore searches.
void CheckPoreSearchArguments(void const* graph, std::size_t nx, std::size_t ny, std::size_t nz);
// Throws std::invalid_argument for a box with a NaN or infinite corner or an empty box ("i_box ..."),
// and for a NaN overlap factor ("i_overlapFactor is NaN"); checked after the four above.
void CheckPoreSearchRegion(M3DBoundingBox<double> const& box, double overlapFactor);

// Grid step along each axis: the box's extent over (n - 1).
MMPoint3d<double> GridSteps(M3DBoundingBox<double> const& box, std::size_t nx, std::size_t ny, std::size_t nz);

// Re-scans a box of one grid step about each candidate, clipped to the search box.
std::vector<PoreSizeInfo> RefineByLocalScan(std::vector<PoreSizeInfo> const& candidates,
                                            ClearanceFunction const& clearance, M3DBoundingBox<double> const& box,
                                            MMPoint3d<double> const& steps, std::size_t refineResolution);
} // namespace util
} // namespace geometricsearches
} // namespace Zodara
