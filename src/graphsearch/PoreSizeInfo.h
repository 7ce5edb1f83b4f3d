#pragma once
// One pore (the largest empty sphere about a point between the beams) and the result of a pore search.
#include <cstdint>
#include <ostream>
#include <vector>

#include "interfaces/Export.h"
#include "interfaces/MathCore.h"

namespace Zodara
{
namespace geometricsearches
{
// Face bits of boundaryFlags: the faces of the search box on which the pore's grid point lies.
enum PoreFace : std::uint32_t
{
    kFaceMinZ = 0x001,
    kFaceMaxZ = 0x002,
    kFaceMinY = 0x010,
    kFaceMaxY = 0x020,
    kFaceMinX = 0x100,
    kFaceMaxX = 0x200,
    kAllFaces = 0x333
};

// One pore: centre and radius in the graph mesh's internal length units; interior is true when the
// pore's grid point lies on no face of the search box, boundaryFlags holds the PoreFace bits of the
// faces it lies on.
struct PoreSizeInfo
{
    MMPoint3d<double> center;
    double radius = 0.0;
    bool interior = false;
    std::uint32_t boundaryFlags = 0;
};

// The pores of one search, by ascending radius.
struct PoreSizeResult
{
    std::vector<PoreSizeInfo> pores;
};

// Writes "Pore: (x , y , z) radius r" in the stream's number format, without a line end.
VZ_API std::ostream& operator<<(std::ostream& os, PoreSizeInfo const& pore);
} // namespace geometricsearches
} // namespace Zodara
