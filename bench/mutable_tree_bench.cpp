// Mutable triangle tree on a generated 1 M-triangle closed surface: build time, nearest-triangle and
// ray-cast throughput (one tree per thread, since a tree serialises its own queries), and the cost
// of keeping the tree current while 1 % of the triangles change between queries.
#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "trees/MStl3DTriangleTreeMutableManager.h"

namespace
{

using Tree = MeshQueriesMutable::M3DTriangleTreeMutableStl;
using Manager = MeshQueriesMutable::MStl3DTriangleTreeMutableManager;
using MeshQueriesMutable::StlHandle;
using Point = MMPoint3d<double>;
constexpr double kPi = 3.141592653589793;
constexpr double kRadius = 1.0e6;
constexpr int kRings = 500;
constexpr int kSectors = 1000; // 2 * 500 * 1000 - 2000 = 998 000 triangles, about 1 M

// A bumpy sphere: latitude rings and longitude sectors, two triangles per cell, fans at the poles.
struct BumpySphere
{
    MStlBase mesh;
    std::vector<MStlPoint*> ringPoints;

    BumpySphere()
    {
        MStlPoint* const north = mesh.AddPoint(0, 0, std::int32_t(kRadius));
        for (int r = 1; r < kRings; ++r)
        {
            double const theta = kPi * r / kRings;
            for (int s = 0; s < kSectors; ++s)
            {
                double const phi = 2 * kPi * s / kSectors;
                double const rad = kRadius * (1.0 + 0.05 * std::sin(7 * theta) * std::cos(5 * phi));
                ringPoints.push_back(mesh.AddPoint(std::int32_t(rad * std::sin(theta) * std::cos(phi)),
                                                   std::int32_t(rad * std::sin(theta) * std::sin(phi)),
                                                   std::int32_t(rad * std::cos(theta))));
            }
        }
        MStlPoint* const south = mesh.AddPoint(0, 0, -std::int32_t(kRadius));
        auto at = [&](int r, int s) { return ringPoints[std::size_t(r - 1) * kSectors + std::size_t(s % kSectors)]; };
        for (int s = 0; s < kSectors; ++s) mesh.AddTriangle(north, at(1, s), at(1, s + 1));
        for (int r = 1; r + 1 < kRings; ++r)
            for (int s = 0; s < kSectors; ++s)
            {
                mesh.AddTriangle(at(r, s), at(r + 1, s), at(r + 1, s + 1));
                mesh.AddTriangle(at(r, s), at(r + 1, s + 1), at(r, s + 1));
            }
        for (int s = 0; s < kSectors; ++s) mesh.AddTriangle(south, at(kRings - 1, s + 1), at(kRings - 1, s));
    }
};

BumpySphere& SharedSphere()
{
    static BumpySphere sphere;
    return sphere;
}

std::vector<Point> QueryPoints(std::size_t count, unsigned seed, double minRadius, double maxRadius)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> radius(minRadius, maxRadius);
    std::vector<Point> points(count);
    for (auto& p : points)
    {
        Point const d(normal(rng), normal(rng), normal(rng));
        p = d * (radius(rng) / d.Length());
    }
    return points;
}

// Points scattered around the surface: mesh vertices moved by up to a third of an edge length.
std::vector<Point> NearSurfacePoints(BumpySphere const& sphere, std::size_t count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::size_t> pick(0, sphere.ringPoints.size() - 1);
    std::uniform_real_distribution<double> offset(-2000.0, 2000.0);
    std::vector<Point> points(count);
    for (auto& p : points) p = sphere.ringPoints[pick(rng)]->Get() + Point(offset(rng), offset(rng), offset(rng));
    return points;
}

void BM_Build(benchmark::State& state)
{
    BumpySphere& sphere = SharedSphere();
    Tree tree(static_cast<Tree::Mode>(state.range(0)));
    tree.SetMesh(StlHandle(&sphere.mesh));
    for (auto _ : state)
    {
        tree.Rebuild();
        benchmark::DoNotOptimize(tree.GetRoot());
    }
    state.counters["triangles/s"] =
        benchmark::Counter(double(sphere.mesh.NumberOfTriangles()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Build)->Arg(Tree::FineLeaves)->Arg(Tree::CoarseLeaves)->Unit(benchmark::kMillisecond)->Iterations(3);

// Each thread owns its tree over the shared, unchanging mesh.
void BM_NearestTriangle(benchmark::State& state)
{
    BumpySphere& sphere = SharedSphere();
    Tree tree(static_cast<Tree::Mode>(state.range(0)));
    tree.SetMesh(StlHandle(&sphere.mesh));
    tree.Rebuild();
    std::vector<Point> const points = NearSurfacePoints(sphere, 1 << 16, 100 + unsigned(state.thread_index()));
    std::size_t i = 0;
    for (auto _ : state)
    {
        auto const r = tree.NearestTriangle(points[i++ & (points.size() - 1)], std::numeric_limits<double>::max());
        benchmark::DoNotOptimize(r.distance);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NearestTriangle)->Arg(Tree::FineLeaves)->Arg(Tree::CoarseLeaves)->Threads(1)->Threads(2)->UseRealTime();

// Projection of points near the surface along the inward radial direction, slightly tilted.
void BM_ProjectPointOntoSurface(benchmark::State& state)
{
    BumpySphere& sphere = SharedSphere();
    Tree tree(static_cast<Tree::Mode>(state.range(0)));
    tree.SetMesh(StlHandle(&sphere.mesh));
    tree.Rebuild();
    std::vector<Point> const origins = NearSurfacePoints(sphere, 1 << 16, 150 + unsigned(state.thread_index()));
    std::vector<Point> const tilts = QueryPoints(1 << 16, 250 + unsigned(state.thread_index()), 0.0, 0.2);
    std::vector<Point> directions(origins.size());
    for (std::size_t k = 0; k < origins.size(); ++k)
        directions[k] = origins[k] * (-1.0 / origins[k].Length()) + tilts[k];
    std::size_t i = 0;
    std::size_t hits = 0;
    for (auto _ : state)
    {
        std::size_t const k = i++ & (origins.size() - 1);
        auto const r = tree.ProjectPoint(origins[k], directions[k]);
        hits += r.Found();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["hit fraction"] =
        benchmark::Counter(double(hits) / double(state.iterations()), benchmark::Counter::kAvgThreads);
}
BENCHMARK(BM_ProjectPointOntoSurface)
    ->Arg(Tree::FineLeaves)
    ->Arg(Tree::CoarseLeaves)
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();

// Rays from points inside the surface in random directions: each one hits exactly one sheet first.
void BM_ProjectPoint(benchmark::State& state)
{
    BumpySphere& sphere = SharedSphere();
    Tree tree(static_cast<Tree::Mode>(state.range(0)));
    tree.SetMesh(StlHandle(&sphere.mesh));
    tree.Rebuild();
    std::vector<Point> const origins = QueryPoints(1 << 16, 200 + unsigned(state.thread_index()), 0.0, 0.9 * kRadius);
    std::vector<Point> const directions = QueryPoints(1 << 16, 300 + unsigned(state.thread_index()), 1.0, 1.0);
    std::size_t i = 0;
    std::size_t hits = 0;
    for (auto _ : state)
    {
        std::size_t const k = i++ & (origins.size() - 1);
        auto const r = tree.ProjectPoint(origins[k], directions[k]);
        hits += r.Found();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["hit fraction"] =
        benchmark::Counter(double(hits) / double(state.iterations()), benchmark::Counter::kAvgThreads);
}
BENCHMARK(BM_ProjectPoint)->Arg(Tree::FineLeaves)->Arg(Tree::CoarseLeaves)->Threads(1)->Threads(2)->UseRealTime();

// Between queries 1 % of the triangles change: points are moved in one batch (about six triangles
// per point), and the next query brings the tree up to date by reinsertion.
void BM_KeepCurrentUnderOnePercentChange(benchmark::State& state)
{
    BumpySphere sphere;
    Manager manager(StlHandle(&sphere.mesh), std::numeric_limits<std::size_t>::max(),
                    static_cast<Tree::Mode>(state.range(0)));
    std::size_t const changedTriangles = sphere.mesh.NumberOfTriangles() / 100;
    std::size_t const movedPoints = changedTriangles / 6;
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> pick(0, sphere.ringPoints.size() - 1);
    std::uniform_int_distribution<int> jitter(-300, 300);
    std::vector<Point> const points = NearSurfacePoints(sphere, 1024, 400);
    std::size_t q = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        std::vector<MStlPoint*> moved;
        std::vector<MMPoint3d<long>> positions;
        for (std::size_t i = 0; i < movedPoints; ++i)
        {
            MStlPoint* const p = sphere.ringPoints[pick(rng)];
            if (std::find(moved.begin() + std::ptrdiff_t(moved.size() > 64 ? moved.size() - 64 : 0), moved.end(), p) !=
                moved.end())
                continue;
            moved.push_back(p);
            positions.emplace_back(p->x + jitter(rng), p->y + jitter(rng), p->z + jitter(rng));
        }
        state.ResumeTiming();
        // The notifications are part of the cost: they take the changed triangles out of the tree.
        sphere.mesh.MovePoints(moved, positions);
        auto const r = manager.NearestTriangle(points[q++ & 1023], std::numeric_limits<double>::max());
        benchmark::DoNotOptimize(r.distance);
    }
    state.counters["changed triangles"] = double(changedTriangles);
    state.counters["ops since rebuild"] = double(manager.GetOperationCount());
}
BENCHMARK(BM_KeepCurrentUnderOnePercentChange)
    ->Arg(Tree::FineLeaves)
    ->Arg(Tree::CoarseLeaves)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// The same query without changes, for comparison: one update check and a search.
void BM_QueryWithoutChanges(benchmark::State& state)
{
    BumpySphere& sphere = SharedSphere();
    Manager manager(StlHandle(&sphere.mesh), std::numeric_limits<std::size_t>::max(),
                    static_cast<Tree::Mode>(state.range(0)));
    std::vector<Point> const points = NearSurfacePoints(sphere, 1024, 500);
    std::size_t q = 0;
    for (auto _ : state)
    {
        auto const r = manager.NearestTriangle(points[q++ & 1023], std::numeric_limits<double>::max());
        benchmark::DoNotOptimize(r.distance);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QueryWithoutChanges)->Arg(Tree::FineLeaves);

} // namespace

BENCHMARK_MAIN();
