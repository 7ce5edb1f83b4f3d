#pragma once
// Builds beam lattices of repeated cubic cells: the test, benchmark and example workload. Lengths
// are in internal units. The generator changes the mesh it is given, so nothing else may use that
// mesh meanwhile; cost is linear in the number of cells.
#include <cstdint>

#include "interfaces/Export.h"
#include "interfaces/MeshData.h"

namespace Zodara
{
namespace geometricsearches
{
enum class LatticeCellType
{
    SimpleCubic,      // the twelve cube edges
    BodyCentredCubic, // eight struts from the cell centre to the corners
    Octet             // face centres joined to their face's corners and to the neighbouring face centres
};

struct LatticeDescription
{
    LatticeCellType cellType = LatticeCellType::SimpleCubic;
    std::int32_t cellSize = 10000; // internal units
    std::int32_t cellsX = 1, cellsY = 1, cellsZ = 1;
    MMPoint3d<std::int32_t> origin{0, 0, 0}; // minimum corner of the first cell
    std::int32_t firstDiameter = 1000;       // at each strut's first end
    std::int32_t secondDiameter = 1000;      // at each strut's second end
};

// Adds a new graph to the mesh with one edge per strut (shared struts once, shared nodes once) and
// sets every strut's thickness in the mesh's element info. Throws std::invalid_argument for a
// non-positive cell size or cell count.
VZ_API MStlGraph* GenerateLattice(MStlBase& mesh, LatticeDescription const& description);

// The box of the lattice's nodes.
VZ_API M3DBoundingBox<double> LatticeBox(LatticeDescription const& description);
} // namespace geometricsearches
} // namespace Zodara
