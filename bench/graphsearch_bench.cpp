// R*-tree insertion and point containment on ~100k beams, side by side with Boost.Geometry's rstar
// rtree on the same boxes; pore searches on a 10×10×10-cell lattice with a 100³ grid.
#include <benchmark/benchmark.h>

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <memory>
#include <random>

#include "graphsearch/GraphRStarTree.h"
#include "graphsearch/LatticeGenerator.h"
#include "graphsearch/PoreSizes.h"

namespace
{
namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;
using namespace Zodara;
using namespace Zodara::geometricsearches;
using BPoint = bg::model::point<double, 3, bg::cs::cartesian>;
using BBox = bg::model::box<BPoint>;
using BValue = std::pair<BBox, MStlGraphEdge const*>;
using BoostRStar = bgi::rtree<BValue, bgi::rstar<16>>;

// A 32³-cell simple-cubic lattice: 104 544 beams.
struct BeamWorkload
{
    BeamWorkload()
    {
        description.cellType = LatticeCellType::SimpleCubic;
        description.cellSize = 10000;
        description.cellsX = description.cellsY = description.cellsZ = 32;
        description.firstDiameter = 3000;
        description.secondDiameter = 2000;
        graph = GenerateLattice(mesh, description);
        adapter = std::make_unique<GraphElementInfo>(&mesh);
        for (MStlGraphEdge const& edge : graph->GetEdges())
        {
            MBoundingBoxND<double, 3> const box = adapter->GetBoundingBox(&edge);
            auto const &lo = box.GetCornerMin(), &hi = box.GetCornerMax();
            boxes.push_back({BBox(BPoint(lo[0], lo[1], lo[2]), BPoint(hi[0], hi[1], hi[2])), &edge});
        }
        std::mt19937 random(3);
        M3DBoundingBox<double> const extent = LatticeBox(description);
        std::uniform_real_distribution<double> coordinate(extent.min[0], extent.max[0]);
        for (int i = 0; i < 10000; ++i) points.emplace_back(coordinate(random), coordinate(random), coordinate(random));
    }

    MStlBase mesh;
    LatticeDescription description;
    MStlGraph* graph;
    std::unique_ptr<GraphElementInfo> adapter;
    std::vector<BValue> boxes;
    std::vector<MMVector<double, 3>> points;
};

BeamWorkload& Workload()
{
    static BeamWorkload workload;
    return workload;
}

void RStarTreeInsert(benchmark::State& state)
{
    BeamWorkload& w = Workload();
    for (auto _ : state)
    {
        GraphRStarTree tree(w.graph);
        tree.RefreshAll();
        benchmark::DoNotOptimize(tree.GetRoot());
    }
    state.counters["beams"] = double(w.boxes.size());
    state.SetItemsProcessed(state.iterations() * std::int64_t(w.boxes.size()));
}
BENCHMARK(RStarTreeInsert)->Unit(benchmark::kMillisecond);

void BoostRStarInsert(benchmark::State& state)
{
    BeamWorkload& w = Workload();
    for (auto _ : state)
    {
        BoostRStar tree;
        for (BValue const& value : w.boxes) tree.insert(value);
        benchmark::DoNotOptimize(tree.size());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(w.boxes.size()));
}
BENCHMARK(BoostRStarInsert)->Unit(benchmark::kMillisecond);

// Both sides answer the same question: which beams contain the point (box filter, then the beam test).
void RStarTreeContaining(benchmark::State& state)
{
    BeamWorkload& w = Workload();
    GraphRStarTree tree(w.graph);
    tree.RefreshAll();
    std::size_t found = 0;
    for (auto _ : state)
        for (auto const& p : w.points) found += tree.GetElementsContaining(p).size();
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * std::int64_t(w.points.size()));
}
BENCHMARK(RStarTreeContaining)->Unit(benchmark::kMillisecond);

void BoostRStarContaining(benchmark::State& state)
{
    BeamWorkload& w = Workload();
    BoostRStar tree;
    for (BValue const& value : w.boxes) tree.insert(value);
    std::size_t found = 0;
    std::vector<BValue> hits;
    for (auto _ : state)
        for (auto const& p : w.points)
        {
            std::vector<MStlGraphEdge const*> result;
            hits.clear();
            tree.query(bgi::intersects(BPoint(p[0], p[1], p[2])), std::back_inserter(hits));
            for (BValue const& hit : hits)
                if (w.adapter->Intersects(p, hit.second)) result.push_back(hit.second);
            found += result.size();
        }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * std::int64_t(w.points.size()));
}
BENCHMARK(BoostRStarContaining)->Unit(benchmark::kMillisecond);

void RStarTreeHasContaining(benchmark::State& state)
{
    BeamWorkload& w = Workload();
    GraphRStarTree tree(w.graph);
    tree.RefreshAll();
    std::size_t found = 0;
    for (auto _ : state)
        for (auto const& p : w.points) found += tree.HasElementsContaining(p);
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * std::int64_t(w.points.size()));
}
BENCHMARK(RStarTreeHasContaining)->Unit(benchmark::kMillisecond);

// Boxes only, without the beam test: the bare tree walk of each library.
void RStarTreeBoxQuery(benchmark::State& state)
{
    BeamWorkload& w = Workload();
    struct BoxOnly : IElementInfo<MStlGraphEdge const*, double, 3>
    {
        GraphElementInfo const* graphInfo;
        MBoundingBoxND<double, 3> GetBoundingBox(MStlGraphEdge const* const& e) const override
        {
            return graphInfo->GetBoundingBox(e);
        }
        bool Intersects(MMVector<double, 3> const&, MStlGraphEdge const* const&) const override { return true; }
        double DistanceSquared(MStlGraphEdge const* const&, MMVector<double, 3> const&) const override { return 0; }
    };
    auto boxOnly = std::make_shared<BoxOnly>();
    boxOnly->graphInfo = w.adapter.get();
    RStarTree<double, 3, MStlGraphEdge const*, 5> tree(boxOnly, 2);
    for (MStlGraphEdge const& edge : w.graph->GetEdges()) tree.Insert(&edge);
    tree.RefreshAll();
    std::size_t found = 0;
    for (auto _ : state)
        for (auto const& p : w.points) found += tree.GetElementsContaining(p).size();
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * std::int64_t(w.points.size()));
}
BENCHMARK(RStarTreeBoxQuery)->Unit(benchmark::kMillisecond);

void BoostRStarBoxQuery(benchmark::State& state)
{
    BeamWorkload& w = Workload();
    BoostRStar tree;
    for (BValue const& value : w.boxes) tree.insert(value);
    std::size_t found = 0;
    for (auto _ : state)
        for (auto const& p : w.points)
        {
            std::vector<BValue> hits;
            tree.query(bgi::intersects(BPoint(p[0], p[1], p[2])), std::back_inserter(hits));
            found += hits.size();
        }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * std::int64_t(w.points.size()));
}
BENCHMARK(BoostRStarBoxQuery)->Unit(benchmark::kMillisecond);

// ---- pore searches: 10×10×10 octet cells of 1 mm, 100³ grid ----

struct PoreWorkload
{
    PoreWorkload()
    {
        description.cellType = LatticeCellType::Octet;
        description.cellSize = 10000;
        description.cellsX = description.cellsY = description.cellsZ = 10;
        description.firstDiameter = description.secondDiameter = 1500;
        graph = GenerateLattice(mesh, description);
        box = LatticeBox(description);
    }
    MStlBase mesh;
    LatticeDescription description;
    MStlGraph* graph;
    M3DBoundingBox<double> box;
};

PoreWorkload& Pores()
{
    static PoreWorkload workload;
    return workload;
}

void PoreSizesObjectTreeGrid(benchmark::State& state)
{
    PoreWorkload& w = Pores();
    std::size_t pores = 0;
    for (auto _ : state) pores = GetPoreSizes(w.graph, w.box, 100, 100, 100, 0, 0.0).pores.size();
    state.counters["pores"] = double(pores);
}
BENCHMARK(PoreSizesObjectTreeGrid)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void PoreSizesRTKGrid(benchmark::State& state)
{
    PoreWorkload& w = Pores();
    std::size_t pores = 0;
    for (auto _ : state) pores = GetPoreSizesRTK(w.graph, w.box, 100, 100, 100, false, 0, 0.0).pores.size();
    state.counters["pores"] = double(pores);
}
BENCHMARK(PoreSizesRTKGrid)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void PoreSizesRTKNelderMead(benchmark::State& state)
{
    PoreWorkload& w = Pores();
    std::size_t pores = 0;
    for (auto _ : state) pores = GetPoreSizesRTK(w.graph, w.box, 100, 100, 100, true, 0, 0.0).pores.size();
    state.counters["pores"] = double(pores);
}
BENCHMARK(PoreSizesRTKNelderMead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
} // namespace

BENCHMARK_MAIN();
