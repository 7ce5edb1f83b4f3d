// Static object tree and triangle-pair distance on a generated one-million-triangle torus.
#include <benchmark/benchmark.h>

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "collision/ToleranceQuery.h"
#include "collision/TriangleDistance.h"
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "trees/M3DObjectTree.h"
#include "trees/NearestTriangleQuery.h"

namespace
{

using Point = MMPoint3d<double>;
using TriangleTree = MeshQueries::M3DObjectTree<MStlTriangle const*>;

constexpr int kAround = 1000; // segments around the main circle
constexpr int kTube = 500;    // segments around the tube
constexpr double kMainRadius = 2.0e6;
constexpr double kTubeRadius = 6.0e5;
constexpr double kPi = 3.141592653589793;

// 2 * kAround * kTube = 1,000,000 triangles.
MStlBase& Torus()
{
    static std::unique_ptr<MStlBase> mesh = []
    {
        auto m = std::make_unique<MStlBase>();
        std::vector<MStlPoint*> points;
        points.reserve(std::size_t(kAround) * kTube);
        for (int i = 0; i < kAround; ++i)
            for (int j = 0; j < kTube; ++j)
            {
                double const u = 2 * kPi * i / kAround, v = 2 * kPi * j / kTube;
                double const r = kMainRadius + kTubeRadius * std::cos(v);
                points.push_back(m->AddPoint(std::int32_t(r * std::cos(u)), std::int32_t(r * std::sin(u)),
                                             std::int32_t(kTubeRadius * std::sin(v))));
            }
        auto at = [&](int i, int j) { return points[std::size_t((i % kAround) * kTube + (j % kTube))]; };
        for (int i = 0; i < kAround; ++i)
            for (int j = 0; j < kTube; ++j)
            {
                m->AddTriangle(at(i, j), at(i + 1, j), at(i + 1, j + 1));
                m->AddTriangle(at(i, j), at(i + 1, j + 1), at(i, j + 1));
            }
        return m;
    }();
    return *mesh;
}

TriangleTree::Parameters Params(bool cache, std::size_t leaf)
{
    TriangleTree::Parameters p;
    p.cacheBoxes = cache;
    p.maxLeafSize = leaf;
    return p;
}

TriangleTree const& SharedTree()
{
    static std::unique_ptr<TriangleTree> tree = std::make_unique<TriangleTree>(
        MStlIteratorStlTriangleConst::Begin(&Torus()), MStlIteratorStlTriangleConst::End(&Torus()), Params(true, 10));
    return *tree;
}

// Points off the surface by up to a hundredth of the tube radius (under half a triangle). In mesh
// order they follow the surface as an operator's per-triangle loop does; shuffled, every query
// starts cold.
std::vector<Point> PointsNearSurface(std::size_t count, bool meshOrder, unsigned seed)
{
    MStlBase const& mesh = Torus();
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> off(-0.01 * kTubeRadius, 0.01 * kTubeRadius);
    std::vector<Point> points(count);
    std::size_t const stride = mesh.NumberOfTriangles() / count;
    for (std::size_t i = 0; i < count; ++i)
    {
        MStlTriangle const* t = mesh.GetTriangle(i * stride);
        Point const centroid = (t->GetVertex(0) + t->GetVertex(1) + t->GetVertex(2)) / 3.0;
        points[i] = centroid + t->GetNormal() * off(rng);
    }
    if (!meshOrder) std::shuffle(points.begin(), points.end(), rng);
    return points;
}

using MeshQueries::NearestTriangleQuery;

// Argument 0: box cache on (1) or off (0); argument 1: maxLeafSize.
void BM_Build1M(benchmark::State& state)
{
    MStlBase const& mesh = Torus();
    for (auto _ : state)
    {
        TriangleTree tree(MStlIteratorStlTriangleConst::Begin(&mesh), MStlIteratorStlTriangleConst::End(&mesh),
                          Params(state.range(0) != 0, std::size_t(state.range(1))));
        benchmark::DoNotOptimize(tree.GetRoot());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(mesh.NumberOfTriangles()));
}
// Rates over wall time, and over the CPU time of all threads (which stays meaningful when other
// processes compete for the cores).
BENCHMARK(BM_Build1M)->Args({1, 10})->Args({0, 10})->Args({1, 3})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Build1M)->Args({1, 10})->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Closest triangle to points near the surface, unlimited radius, over all OpenMP threads.
// Argument: queries in mesh order (1) or shuffled (0).
void BM_FindNearestClosestTriangle(benchmark::State& state)
{
    TriangleTree const& tree = SharedTree();
    std::vector<Point> const points = PointsNearSurface(200000, state.range(0) != 0, 7);
    int const n = int(points.size());
    for (auto _ : state)
    {
        double checksum = 0;
#pragma omp parallel for schedule(dynamic, 256) reduction(+ : checksum)
        for (int i = 0; i < n; ++i)
        {
            double best = std::numeric_limits<double>::infinity();
            MStlTriangle const* element = nullptr;
            tree.FindNearest(NearestTriangleQuery(points[i]), best, element);
            checksum += best;
        }
        benchmark::DoNotOptimize(checksum);
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["threads"] = omp_get_max_threads();
}
BENCHMARK(BM_FindNearestClosestTriangle)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindNearestClosestTriangle)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Pairs of nearby mesh triangles, one thread.
void BM_TriangleDistanceSqr(benchmark::State& state)
{
    MStlBase const& mesh = Torus();
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::size_t> pick(0, mesh.NumberOfTriangles() - 1);
    std::uniform_int_distribution<int> near(-3000, 3000);
    struct Pair
    {
        Point a[3], b[3], na, nb;
    };
    std::vector<Pair> pairs(4096);
    for (auto& pair : pairs)
    {
        std::size_t const i = pick(rng);
        std::size_t const j =
            std::min(mesh.NumberOfTriangles() - 1, std::size_t(std::max<long>(0, long(i) + near(rng))));
        MStlTriangle const* t0 = mesh.GetTriangle(i);
        MStlTriangle const* t1 = mesh.GetTriangle(j);
        for (int k = 0; k < 3; ++k)
        {
            pair.a[k] = t0->GetVertex(k);
            pair.b[k] = t1->GetVertex(k);
        }
        pair.na = t0->GetNormal();
        pair.nb = t1->GetNormal();
    }
    std::size_t k = 0;
    for (auto _ : state)
    {
        Pair const& p = pairs[k++ & 4095];
        Point pa, pb;
        benchmark::DoNotOptimize(MeshQueries::TriangleDistanceSqr(p.a, p.na, p.b, p.nb, &pa, &pb));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TriangleDistanceSqr);

// Collision-style tolerance queries of a shifted copy of the mesh against the tree, all threads.
void BM_IsWithinTolerance(benchmark::State& state)
{
    MStlBase const& mesh = Torus();
    TriangleTree const& tree = SharedTree();
    MMTransformMatrix const mapping = MMTransformMatrix::Translation(Point(0, 0, double(state.range(0))));
    int const n = 200000;
    double const tolerance = 1000.0;
    for (auto _ : state)
    {
        int hits = 0;
#pragma omp parallel for schedule(dynamic, 100) reduction(+ : hits)
        for (int i = 0; i < n; ++i)
        {
            MeshQueries::ToleranceQuery q =
                MeshQueries::MakeToleranceQuery(mesh.GetTriangle(std::size_t(i) * 5), mapping, tolerance);
            hits += MeshQueries::IsWithinTolerance(tree, q);
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_IsWithinTolerance)->Arg(500)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IsWithinTolerance)->Arg(500)->Arg(20000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

BENCHMARK_MAIN();
