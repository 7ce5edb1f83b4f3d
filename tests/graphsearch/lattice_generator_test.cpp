// The lattice generator: strut counts with shared struts and nodes once, strut lengths, thickness.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "graphsearch/LatticeGenerator.h"

namespace
{
using namespace Zodara::geometricsearches;

struct Expected
{
    LatticeCellType type;
    std::size_t struts; // for 3 × 2 × 2 cells
    std::size_t nodes;
    double strutLength; // in cell sizes
};

class LatticeShape : public ::testing::TestWithParam<Expected>
{
};

TEST_P(LatticeShape, CountsLengthsAndThickness)
{
    MStlBase mesh;
    LatticeDescription const d{GetParam().type, 1000, 3, 2, 2, {-100, 50, 7}, 30, 40};
    MStlGraph const* graph = GenerateLattice(mesh, d);
    EXPECT_EQ(graph->NumberOfEdges(), GetParam().struts);
    EXPECT_EQ(mesh.NumberOfPoints(), GetParam().nodes);
    std::set<std::pair<MStlPoint const*, MStlPoint const*>> distinct;
    M3DBoundingBox<double> const box = LatticeBox(d);
    for (MStlGraphEdge const& e : graph->GetEdges())
    {
        MMPoint3d<double> const a = e.GetFirstVertex()->Get(), b = e.GetSecondVertex()->Get();
        EXPECT_NEAR((b - a).Length(), GetParam().strutLength * 1000.0, 1e-9);
        EXPECT_TRUE(box.ContainsPoint(a) && box.ContainsPoint(b));
        distinct.insert(std::minmax<MStlPoint const*>(e.GetFirstVertex(), e.GetSecondVertex()));
        EXPECT_EQ(mesh.GetElementInfo()->GetEdgeThickness(e), (MStlGraphEdgeThickness{30, 40}));
    }
    EXPECT_EQ(distinct.size(), graph->NumberOfEdges());
    EXPECT_EQ(box.GetCornerMin(), MMPoint3d<double>(-100, 50, 7));
    EXPECT_EQ(box.GetCornerMax(), MMPoint3d<double>(2900, 2050, 2007));
}

// Simple cubic: 4·3·3 nodes; struts 3·3·3 + 4·2·3 + 4·3·2 along x, y, z.
// Body-centred: the corner nodes plus 12 centres, 8 struts per cell.
// Octet: 36 corners and 52 face centres (x faces 4·2·2, y faces 3·3·2, z faces 3·2·3); 4 struts per
// face and 12 between the face centres of each cell.
INSTANTIATE_TEST_SUITE_P(Cells, LatticeShape,
                         ::testing::Values(Expected{LatticeCellType::SimpleCubic, 27 + 24 + 24, 36, 1.0},
                                           Expected{LatticeCellType::BodyCentredCubic, 96, 48, std::sqrt(3.0) / 2},
                                           Expected{LatticeCellType::Octet, 4 * 52 + 12 * 12, 88, std::sqrt(0.5)}));

TEST(LatticeGenerator, DefaultsToOneCellOf10000AtTheOriginAndRefusesEmptyLattices)
{
    M3DBoundingBox<double> const one = LatticeBox(LatticeDescription());
    EXPECT_EQ(one.GetCornerMin(), MMPoint3d<double>(0, 0, 0));
    EXPECT_EQ(one.GetCornerMax(), MMPoint3d<double>(10000, 10000, 10000));
    MStlBase mesh;
    for (std::int32_t LatticeDescription::*count :
         {&LatticeDescription::cellsX, &LatticeDescription::cellsY, &LatticeDescription::cellsZ})
    {
        LatticeDescription d;
        d.*count = 0;
        EXPECT_THROW(GenerateLattice(mesh, d), std::invalid_argument);
    }
    EXPECT_THROW(GenerateLattice(mesh, {LatticeCellType::Octet, 0}), std::invalid_argument);
}
} // namespace
