// Pore searches: the grid scan's suppression rules, the overlap filter, pores of simple-cubic lattices
// against the closed-form radius of the cell-centre pore, and the two searches against each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <sstream>
#include <tbb/global_control.h>

#include "graphsearch/LatticeGenerator.h"
#include "graphsearch/PoreSizes.h"
#include "graphsearch/detail/PoreGridScan.h"

namespace
{
using namespace Zodara::geometricsearches;
using P = MMPoint3d<double>;

PoreSizeInfo Pore(double x, double y, double z, double radius, bool interior = true)
{
    PoreSizeInfo pore;
    pore.center = P(x, y, z);
    pore.radius = radius;
    pore.interior = interior;
    pore.boundaryFlags = interior ? 0u : 0x100u;
    return pore;
}

std::string Describe(std::vector<PoreSizeInfo> const& pores)
{
    std::ostringstream os;
    for (auto const& p : pores) os << p << (p.interior ? " interior" : "") << " flags " << p.boundaryFlags << "\n";
    return os.str();
}

TEST(PoreSizeInfoText, WritesCentreAndRadiusWithoutLineEnd)
{
    EXPECT_EQ(Describe({Pore(1.5, -2, 3, 0.25, false)}), "Pore: (1.5 , -2 , 3) radius 0.25 flags 256\n");
}

// Pairs of pores (the first smaller) and whether the filter removes the first.
struct FilterCase
{
    char const* what;
    PoreSizeInfo smaller, larger;
    double factor;
    std::size_t kept;
};

// The filter sorts by radius keeping the order of equal radii; a pore is removed by any later one.
TEST(OverlapFilter, SortsByRadiusStablyAndRemovesByToleranceAndKind)
{
    std::vector<PoreSizeInfo> const pores = {Pore(0, 0, 0, 3), Pore(100, 0, 0, 1), Pore(200, 0, 0, 3),
                                             Pore(300, 0, 0, 2)};
    std::vector<PoreSizeInfo> const kept = util::FilterOverlappingPores(pores, 0.0);
    ASSERT_EQ(kept.size(), 4u);
    EXPECT_EQ(kept[0].center.x, 100);
    EXPECT_EQ(kept[1].center.x, 300);
    EXPECT_EQ(kept[2].center.x, 0);
    EXPECT_EQ(kept[3].center.x, 200);
    // Removal by any later pore, not just the next.
    std::vector<PoreSizeInfo> const pair =
        util::FilterOverlappingPores({Pore(0, 0, 0, 1), Pore(100, 0, 0, 2), Pore(1, 0, 0, 3)}, 0.0);
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_EQ(pair[0].radius, 2);
    EXPECT_EQ(pair[1].radius, 3);

    FilterCase const cases[] = {
        {"f 0: 3 + 4 reaches 7 exactly", Pore(0, 0, 0, 3), Pore(7, 0, 0, 4), 0.0, 1},
        {"f 0: just apart", Pore(0, 0, 0, 3), Pore(7.001, 0, 0, 4), 0.0, 2},
        {"f 0.5: centre inside the larger pore", Pore(0, 0, 0, 3), Pore(4, 0, 0, 4), 0.5, 1},
        {"f 0.5: centre just outside", Pore(0, 0, 0, 3), Pore(4.001, 0, 0, 4), 0.5, 2},
        {"a boundary pore removes nothing", Pore(0, 0, 0, 3), Pore(1, 0, 0, 4, false), 0.0, 2},
        {"f 2: (1 - 4) 4 + 5 = -7 counts by its size, 49 >= 36", Pore(0, 0, 0, 4), Pore(6, 0, 0, 5), 2.0, 1},
        {"f 2: 49 < 56.25", Pore(0, 0, 0, 4), Pore(7.5, 0, 0, 5), 2.0, 2},
    };
    for (FilterCase const& c : cases)
    {
        std::vector<PoreSizeInfo> const survivors = util::FilterOverlappingPores({c.larger, c.smaller}, c.factor);
        ASSERT_EQ(survivors.size(), c.kept) << c.what;
        EXPECT_EQ(survivors.back().radius, c.larger.radius) << c.what;
    }
    // An interior pore never removes a larger one that precedes it in radius order.
    EXPECT_EQ(util::FilterOverlappingPores({Pore(1, 0, 0, 4, false), Pore(0, 0, 0, 3)}, 0.0).size(), 2u);
}

M3DBoundingBox<double> UnitBox(double size) { return M3DBoundingBox<double>(0, 0, 0, size, size, size); }

TEST(GridScan, TwoPointsPerAxisSamplesTheCornersOnly)
{
    auto const f = [](P& p) { return -(p.x + 2 * p.y + 4 * p.z); };
    std::vector<PoreSizeInfo> const pores = util::ScanGrid(f, UnitBox(10), 2, 2, 2, kAllFaces);
    ASSERT_EQ(pores.size(), 1u);
    EXPECT_EQ(pores[0].center, P(0, 0, 0));
    EXPECT_EQ(pores[0].boundaryFlags, 0x111u);
    EXPECT_FALSE(pores[0].interior);
}

TEST(GridScan, OfEqualNeighboursTheLaterSurvives)
{
    // Peak midway between the grid points (5, 5, 5) and (5, 10, 5): they tie, every other point is lower.
    auto const f = [](P& p) { return -(P(5, 7.5, 5) - p).LengthSquared(); };
    std::vector<PoreSizeInfo> const pores = util::ScanGrid(f, UnitBox(20), 5, 5, 5, kAllFaces);
    ASSERT_EQ(pores.size(), 1u) << Describe(pores);
    EXPECT_EQ(pores[0].center, P(5, 10, 5));
    EXPECT_TRUE(pores[0].interior);
}

TEST(GridScan, AntiDiagonalNeighboursAreNotComparedMainDiagonalOnesAre)
{
    // In slice 0: (i 0, j 1) = 5 and (i 1, j 0) = 6; slice 1 lower everywhere.
    auto const f = [](P& p)
    {
        if (p.z > 0) return -1.0;
        if (p.x == 0 && p.y == 1) return 5.0;
        if (p.x == 1 && p.y == 0) return 6.0;
        return 0.0;
    };
    std::vector<PoreSizeInfo> const pores = util::ScanGrid(f, UnitBox(1), 2, 2, 2, kAllFaces);
    ASSERT_EQ(pores.size(), 2u) << Describe(pores);
    EXPECT_EQ(pores[0].center, P(0, 1, 0));
    EXPECT_EQ(pores[0].boundaryFlags, 0x121u);
    EXPECT_EQ(pores[1].center, P(1, 0, 0));
    EXPECT_EQ(pores[1].boundaryFlags, 0x211u);
    // The main diagonal is compared: of (i 0, j 0) = 5 and (i 1, j 1) = 6 only the higher is a pore.
    auto const g = [](P& p)
    {
        if (p.z > 0) return -1.0;
        if (p.x == p.y) return 5.0 + p.x;
        return 0.0;
    };
    std::vector<PoreSizeInfo> const diagonal = util::ScanGrid(g, UnitBox(1), 2, 2, 2, kAllFaces);
    ASSERT_EQ(diagonal.size(), 1u) << Describe(diagonal);
    EXPECT_EQ(diagonal[0].center, P(1, 1, 0));
}

TEST(GridScan, AllNineNeighboursInThePreviousSliceAreCompared)
{
    // A 3 x 3 x 2 grid falling away from its centre column, a peak of 5 at the centre of slice 1 and a
    // higher one of 6 at each of the nine positions of slice 0 in turn: only the higher one is a pore.
    for (int di = -1; di <= 1; ++di)
        for (int dj = -1; dj <= 1; ++dj)
        {
            auto const f = [&](P& p)
            {
                if (p.z == 0 && p.x == 1 + di && p.y == 1 + dj) return 6.0;
                if (p.z == 1 && p.x == 1 && p.y == 1) return 5.0;
                return -10.0 - (p.x - 1) * (p.x - 1) - (p.y - 1) * (p.y - 1);
            };
            std::vector<PoreSizeInfo> const pores = util::ScanGrid(f, UnitBox(2), 3, 3, 2, kAllFaces);
            ASSERT_EQ(pores.size(), 1u) << di << " " << dj << Describe(pores);
            EXPECT_EQ(pores[0].center, P(1 + di, 1 + dj, 0));
        }
}

TEST(GridScan, CandidatesComeInSliceRowColumnOrderAndFaceBitsFollowTheMask)
{
    // Peaks at grid points (i, j, k) = (1, 3, 1) and (3, 1, 1) of a 5³ grid, one on the max-y face.
    auto const f = [](P& p)
    {
        if (p.x == 1 && p.y == 4 && p.z == 1) return 2.0;
        if (p.x == 3 && p.y == 1 && p.z == 1) return 3.0;
        return 0.0;
    };
    std::vector<PoreSizeInfo> const all = util::ScanGrid(f, UnitBox(4), 5, 5, 5, kAllFaces);
    ASSERT_GE(all.size(), 2u);
    std::vector<PoreSizeInfo> peaks;
    for (auto const& p : all)
        if (p.radius > 0) peaks.push_back(p);
    ASSERT_EQ(peaks.size(), 2u) << Describe(all);
    EXPECT_EQ(peaks[0].center, P(1, 4, 1));
    EXPECT_EQ(peaks[0].boundaryFlags, 0x020u);
    EXPECT_FALSE(peaks[0].interior);
    EXPECT_EQ(peaks[1].center, P(3, 1, 1));
    EXPECT_TRUE(peaks[1].interior);

    std::vector<PoreSizeInfo> const masked = util::ScanGrid(f, UnitBox(4), 5, 5, 5, 0x100);
    auto const onFace =
        std::find_if(masked.begin(), masked.end(), [](auto const& p) { return p.center == P(1, 4, 1); });
    ASSERT_NE(onFace, masked.end());
    EXPECT_TRUE(onFace->interior);
    EXPECT_EQ(onFace->boundaryFlags, 0u);
}

struct SimpleCubic
{
    SimpleCubic(std::int32_t diameter, std::int32_t cells = 3)
        : description{LatticeCellType::SimpleCubic, 1000, cells, cells, cells, {0, 0, 0}, diameter, diameter},
          graph(GenerateLattice(mesh, description))
    {
    }
    // The cell centre is a/√2 from the four nearest edge axes.
    double CentrePoreRadius() const { return 1000.0 / std::sqrt(2.0) - description.firstDiameter / 2; }

    MStlBase mesh;
    LatticeDescription const description;
    MStlGraph* const graph;
};

// Step 500: the cell centres are grid points, and both searches find exactly them.
TEST(PoreSizes, BothSearchesFindTheSimpleCubicCellCentres)
{
    for (std::int32_t diameter : {100, 200})
    {
        SimpleCubic const lattice(diameter);
        M3DBoundingBox<double> const box = LatticeBox(lattice.description);
        for (bool rtk : {false, true})
        {
            PoreSizeResult const result = rtk ? GetPoreSizesRTK(lattice.graph, box, 7, 7, 7, false, 0, 0.5)
                                              : GetPoreSizes(lattice.graph, box, 7, 7, 7, 0, 0.5);
            ASSERT_EQ(result.pores.size(), 27u) << Describe(result.pores);
            for (PoreSizeInfo const& pore : result.pores)
            {
                EXPECT_NEAR(pore.radius, lattice.CentrePoreRadius(), 1e-9);
                EXPECT_TRUE(pore.interior);
                EXPECT_EQ(std::fmod(pore.center.x, 1000.0), 500.0);
                EXPECT_EQ(std::fmod(pore.center.y, 1000.0), 500.0);
                EXPECT_EQ(std::fmod(pore.center.z, 1000.0), 500.0);
            }
        }
    }
}

// Without edges every grid point ties at the largest clearance, and the last, the maximum corner,
// survives: infinite by the object tree, the square root of the largest double by the R*-tree.
TEST(PoreSizes, GraphWithoutEdgesLeavesOnePoreAtTheMaximumCorner)
{
    MStlBase mesh;
    MStlGraph* graph = mesh.AddGraph();
    PoreSizeResult const grid = GetPoreSizes(graph, M3DBoundingBox<double>(-5, 0, 0, 5, 8, 9), 3, 2, 4, 0, 0.0);
    ASSERT_EQ(grid.pores.size(), 1u);
    EXPECT_EQ(grid.pores[0].center, P(5, 8, 9));
    EXPECT_EQ(grid.pores[0].radius, std::numeric_limits<double>::infinity());
    EXPECT_FALSE(grid.pores[0].interior);
    PoreSizeResult const rtk = GetPoreSizesRTK(graph, UnitBox(30), 4, 3, 5, false, 0, 0.0);
    ASSERT_EQ(rtk.pores.size(), 1u);
    EXPECT_EQ(rtk.pores[0].center, P(30, 30, 30));
    EXPECT_EQ(rtk.pores[0].radius, std::sqrt(DBL_MAX));
    EXPECT_EQ(rtk.pores[0].boundaryFlags, 0x222u);
}

TEST(PoreSizesRTK, OverlappingCentrePoresCollapseWithFactorZero)
{
    // 2 · 657.1 ≥ 1000: neighbouring centre pores overlap, so most go and no two survivors overlap.
    SimpleCubic const thin(100);
    PoreSizeResult const result = GetPoreSizesRTK(thin.graph, LatticeBox(thin.description), 7, 7, 7, false, 0, 0.0);
    ASSERT_GE(result.pores.size(), 1u);
    EXPECT_LT(result.pores.size(), 27u / 4);
    for (std::size_t a = 0; a < result.pores.size(); ++a)
        for (std::size_t b = a + 1; b < result.pores.size(); ++b)
        {
            double const reach = result.pores[a].radius + result.pores[b].radius;
            EXPECT_LT(reach * reach, (result.pores[a].center - result.pores[b].center).LengthSquared());
        }
    // 2 · (707.1 - 300) < 1000: thick beams keep the pores apart.
    SimpleCubic const thick(600);
    EXPECT_EQ(GetPoreSizesRTK(thick.graph, LatticeBox(thick.description), 7, 7, 7, false, 0, 0.0).pores.size(), 27u);
}

TEST(PoreSizesRTK, LocalRescanFindsTheCentreFromAnOffGrid)
{
    SimpleCubic const lattice(100, 2);
    // Step 400 misses the centres (500, 1500); a 5-point re-scan over ±400 has step 200 and does not
    // hit them either, but a 9-point one (step 100) does.
    PoreSizeResult const coarse =
        GetPoreSizesRTK(lattice.graph, LatticeBox(lattice.description), 6, 6, 6, false, 1, 0.5);
    PoreSizeResult const fine = GetPoreSizesRTK(lattice.graph, LatticeBox(lattice.description), 6, 6, 6, false, 9, 0.5);
    ASSERT_FALSE(coarse.pores.empty());
    ASSERT_FALSE(fine.pores.empty());
    EXPECT_LT(coarse.pores.back().radius, lattice.CentrePoreRadius() - 1.0);
    EXPECT_NEAR(fine.pores.back().radius, lattice.CentrePoreRadius(), 1e-9);
    for (std::size_t i = 1; i < fine.pores.size(); ++i) EXPECT_LE(fine.pores[i - 1].radius, fine.pores[i].radius);
}

TEST(PoreSizesRTK, NelderMeadRefinesAndKeepsTheCandidatesFaceFlags)
{
    SimpleCubic const lattice(100, 2);
    // The box starts at x 500, so the centres at x 500 lie on its min-x face.
    M3DBoundingBox<double> const box(500, 0, 0, 2000, 2000, 2000);
    PoreSizeResult const result = GetPoreSizesRTK(lattice.graph, box, 4, 5, 5, true, 0, 0.5);
    std::size_t onFace = 0;
    for (PoreSizeInfo const& pore : result.pores)
    {
        EXPECT_LE(pore.radius, lattice.CentrePoreRadius() + 1e-9);
        EXPECT_GT(pore.radius, lattice.CentrePoreRadius() - 15.0);
        if (std::fabs(pore.center.x - 500) < 50)
        {
            ++onFace;
            EXPECT_FALSE(pore.interior);
            EXPECT_EQ(pore.boundaryFlags & 0x100u, 0x100u);
        }
    }
    EXPECT_EQ(onFace, 4u) << Describe(result.pores);
}

TEST(PoreSizesRTK, NelderMeadDropsEverythingWhenAStepIsTenOrLess)
{
    SimpleCubic const lattice(100, 1);
    M3DBoundingBox<double> const box(480, 480, 480, 520, 520, 500);
    EXPECT_TRUE(GetPoreSizesRTK(lattice.graph, box, 5, 5, 3, true, 0, 0.5).pores.empty());
}

// On an octet lattice the two searches, each on one thread and on all, find the same pores: the
// grid search's object tree and the refined search's R*-tree measure the same clearance.
TEST(PoreSizes, BothSearchesAgreeOnAnOctetLatticeWhateverTheThreadCount)
{
    MStlBase mesh;
    LatticeDescription const d{LatticeCellType::Octet, 1000, 2, 2, 2, {0, 0, 0}, 80, 140};
    MStlGraph* graph = GenerateLattice(mesh, d);
    auto grid = [&] { return GetPoreSizes(graph, LatticeBox(d), 13, 11, 12, 3, 0.0).pores; };
    auto rtk = [&] { return GetPoreSizesRTK(graph, LatticeBox(d), 13, 11, 12, false, 3, 0.0).pores; };
    std::vector<std::vector<PoreSizeInfo>> runs = {grid(), rtk()};
    {
        tbb::global_control one(tbb::global_control::max_allowed_parallelism, 1);
        runs.push_back(grid());
        runs.push_back(rtk());
    }
    ASSERT_FALSE(runs[0].empty());
    // The thread count changes nothing at all; the two searches differ at most by rounding.
    auto expectSame = [](std::vector<PoreSizeInfo> const& a, std::vector<PoreSizeInfo> const& b, double tolerance)
    {
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i)
        {
            EXPECT_EQ(a[i].center, b[i].center) << i;
            EXPECT_NEAR(a[i].radius, b[i].radius, tolerance) << i;
            EXPECT_EQ(a[i].boundaryFlags, b[i].boundaryFlags) << i;
        }
    };
    expectSame(runs[0], runs[1], 1e-9);
    expectSame(runs[0], runs[2], 0.0);
    expectSame(runs[1], runs[3], 0.0);
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
