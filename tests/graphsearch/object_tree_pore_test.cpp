// Clearance over the static object tree of edges and the grid pore search built on it.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

#include "graphsearch/LatticeGenerator.h"
#include "graphsearch/PoreSizes.h"
#include "graphsearch/beam_brute_force.h"
#include "graphsearch/detail/ObjectTreeClearance.h"

namespace
{
using namespace Zodara::geometricsearches;
using P = MMPoint3d<double>;
using EdgeTree = MeshQueries::M3DObjectTree<MStlGraphEdge>;

EdgeTree BuildTree(MStlGraph const* graph, MStlBaseElementInfo const* info)
{
    MeshQueries::M3DObjectTreeBase::Parameters parameters;
    parameters.cacheBoxes = true;
    parameters.maxLeafSize = 30;
    return EdgeTree(MStlIteratorGraphEdgeConst::Begin(graph), MStlIteratorGraphEdgeConst::End(graph),
                    util::MakeEdgeBoxFunction(info), parameters);
}

using vz_test::BruteForceClearance;

class ObjectTreeClearanceTest : public ::testing::TestWithParam<LatticeCellType>
{
};

TEST_P(ObjectTreeClearanceTest, MatchesBruteForceOverAllBeams)
{
    MStlBase mesh;
    MStlGraph* graph = GenerateLattice(mesh, {GetParam(), 1000, 3, 4, 2, {-700, 0, 300}, 151, 80});
    MStlBaseElementInfo* info = mesh.GetOrCreateElementInfo();
    info->SetDefaultEdgeThickness({400, 400});
    for (std::size_t e = 0; e < graph->NumberOfEdges(); e += 5) info->SetEdgeThickness(graph->GetEdge(e), {-1, 90});
    EdgeTree const tree = BuildTree(graph, info);

    std::mt19937 random(5);
    std::uniform_real_distribution<double> x(-1300, 2900), y(-600, 4600), z(-300, 2900);
    std::size_t inside = 0;
    for (int i = 0; i < 800; ++i)
    {
        P p(x(random), y(random), z(random));
        if (i % 10 == 0) p = graph->GetEdge(std::size_t(i) % graph->NumberOfEdges()).GetSecondVertex()->Get();
        double const expected = BruteForceClearance(*graph, *info, p);
        inside += expected == 0.0;
        EXPECT_NEAR(util::GetDistance(tree, info, p, DBL_MAX), expected, 1e-9 * (1.0 + expected));
        // A cut-off below the clearance answers the cut-off itself.
        if (expected > 2.0)
        {
            EXPECT_EQ(util::GetDistance(tree, info, p, 1.0), 1.0);
        }
    }
    EXPECT_GT(inside, 40u);
}

INSTANTIATE_TEST_SUITE_P(Cells, ObjectTreeClearanceTest,
                         ::testing::Values(LatticeCellType::SimpleCubic, LatticeCellType::BodyCentredCubic,
                                           LatticeCellType::Octet));

TEST(ObjectTreeClearance, EmptyTreeWithAnInfiniteLimitIsInfinite)
{
    MStlBase mesh;
    MStlGraph* graph = mesh.AddGraph();
    EdgeTree const tree = BuildTree(graph, nullptr);
    P p(0, 0, 0);
    EXPECT_EQ(util::GetDistance(tree, nullptr, p, std::numeric_limits<double>::infinity()),
              std::numeric_limits<double>::infinity());
    EXPECT_EQ(util::GetDistance(tree, nullptr, p, DBL_MAX), std::numeric_limits<double>::infinity());
    EXPECT_EQ(util::GetDistance(tree, nullptr, p, 7.0), 7.0);
}

TEST(ObjectTreeClearance, EdgeBoxFunctionGivesTheIntegerBox)
{
    MStlBase mesh;
    MStlGraph* graph = mesh.AddGraph();
    MStlGraphEdge const& e = graph->AddEdge(mesh.AddPoint(0, 0, 0), mesh.AddPoint(10, 0, 0));
    mesh.GetOrCreateElementInfo()->SetEdgeThickness(e, {3, 3});
    M3DBoundingBox<double> const box = util::MakeEdgeBoxFunction(mesh.GetElementInfo())(e);
    EXPECT_EQ(box.GetCornerMin(), P(-1, -1, -1));
    EXPECT_EQ(box.GetCornerMax(), P(11, 1, 1));
}

TEST(PoreSizes, ArgumentErrorsWithTheirMessagesInOrder)
{
    MStlBase mesh;
    MStlGraph* graph = mesh.AddGraph();
    M3DBoundingBox<double> const box(0, 0, 0, 1, 1, 1);
    using vz_test::ExpectInvalidArgument;
    ExpectInvalidArgument([&] { GetPoreSizes(nullptr, box, 0, 0, 0, 0, 0.0); }, "ip_graph");
    ExpectInvalidArgument([&] { GetPoreSizes(graph, box, 1, 0, 0, 0, 0.0); }, "i_resolution_x too small");
    ExpectInvalidArgument([&] { GetPoreSizes(graph, box, 2, 1, 0, 0, 0.0); }, "i_resolution_y too small");
    ExpectInvalidArgument([&] { GetPoreSizes(graph, box, 2, 2, 1, 0, 0.0); }, "i_resolution_z too small");
}

TEST(PoreSizes, SimpleCubicCentrePoresHaveTheClosedFormRadius)
{
    MStlBase mesh;
    LatticeDescription const d{LatticeCellType::SimpleCubic, 1000, 3, 3, 3, {0, 0, 0}, 200, 200};
    MStlGraph* graph = GenerateLattice(mesh, d);
    PoreSizeResult const result = GetPoreSizes(graph, LatticeBox(d), 7, 7, 7, 0, 0.5);
    ASSERT_EQ(result.pores.size(), 27u);
    for (PoreSizeInfo const& pore : result.pores)
    {
        EXPECT_NEAR(pore.radius, 1000.0 / std::sqrt(2.0) - 100.0, 1e-9);
        EXPECT_TRUE(pore.interior);
    }
}

TEST(PoreSizes, AgreesWithTheRStarTreeSearchOnAnOctetLattice)
{
    MStlBase mesh;
    LatticeDescription const d{LatticeCellType::Octet, 1000, 2, 2, 2, {0, 0, 0}, 100, 160};
    MStlGraph* graph = GenerateLattice(mesh, d);
    std::vector<PoreSizeInfo> const grid = GetPoreSizes(graph, LatticeBox(d), 11, 9, 10, 4, 0.0).pores;
    std::vector<PoreSizeInfo> const rtk = GetPoreSizesRTK(graph, LatticeBox(d), 11, 9, 10, false, 4, 0.0).pores;
    ASSERT_EQ(grid.size(), rtk.size());
    ASSERT_FALSE(grid.empty());
    for (std::size_t i = 0; i < grid.size(); ++i)
    {
        EXPECT_EQ(grid[i].center, rtk[i].center) << i;
        EXPECT_NEAR(grid[i].radius, rtk[i].radius, 1e-9) << i;
        EXPECT_EQ(grid[i].interior, rtk[i].interior) << i;
    }
}

TEST(PoreSizes, GraphWithoutEdgesLeavesAnInfinitePoreAtTheMaximumCorner)
{
    MStlBase mesh;
    MStlGraph* graph = mesh.AddGraph();
    PoreSizeResult const result = GetPoreSizes(graph, M3DBoundingBox<double>(-5, 0, 0, 5, 8, 9), 3, 2, 4, 0, 0.0);
    ASSERT_EQ(result.pores.size(), 1u);
    EXPECT_EQ(result.pores[0].center, P(5, 8, 9));
    EXPECT_EQ(result.pores[0].radius, std::numeric_limits<double>::infinity());
    EXPECT_FALSE(result.pores[0].interior);
}

TEST(PoreSizes, RefinedPoresOnAFaceKeepOnlyThatFacesBit)
{
    MStlBase mesh;
    MStlGraph* graph = GenerateLattice(mesh, {LatticeCellType::SimpleCubic, 1000, 1, 1, 1, {0, 0, 0}, 100, 100});
    // The box's min-x face passes through the cell centre: the pore lies on that face.
    M3DBoundingBox<double> const box(500, 0, 0, 1000, 1000, 1000);
    PoreSizeResult const result = GetPoreSizes(graph, box, 3, 5, 5, 5, 0.5);
    ASSERT_FALSE(result.pores.empty());
    PoreSizeInfo const& largest = result.pores.back();
    EXPECT_EQ(largest.center, P(500, 500, 500));
    EXPECT_EQ(largest.boundaryFlags, 0x100u);
    EXPECT_FALSE(largest.interior);
}
} // namespace
