// Collision with a tolerance: two parts of about 500 000 triangles 0.2 mm apart at a 0.5 mm
// tolerance, once with most triangles in contact (thin plates stacked) and once with a thin band
// in contact (two cylinders side by side); and 100 parts of about 10 000 triangles in a grid.
#include <benchmark/benchmark.h>

#include "OperatorBenchMeshes.h"
#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "collision/MUserOperatorCollisionDetectorWithToleranceMultipart.h"

namespace
{
using benchmesh::kUnitsPerMm;

struct PartPair
{
    std::unique_ptr<MStlBase> a, b;
    MMTransformMatrix placeB;
};

// Plates of 0.25 mm, 0.2 mm apart: every triangle of both faces is within 0.5 mm of the other plate.
PartPair const& StackedPlates()
{
    static PartPair const pair = []
    {
        PartPair p;
        p.a.reset(new MStlBase);
        p.b.reset(new MStlBase);
        double const size = 100.0 * kUnitsPerMm, thickness = 0.25 * kUnitsPerMm;
        benchmesh::AddBox(*p.a, {0, 0, 0}, {size, size, thickness}, 204);
        benchmesh::AddBox(*p.b, {0, 0, 0}, {size, size, thickness}, 204);
        p.placeB = MMTransformMatrix::Translation({0, 0, thickness + 0.2 * kUnitsPerMm});
        return p;
    }();
    return pair;
}

// Cylinders of radius 20 mm and length 100 mm, their sides 0.2 mm apart: a narrow strip of each is in
// contact, the rest of the surface is near but outside the tolerance or far away.
PartPair const& SideBySideCylinders()
{
    static PartPair const pair = []
    {
        PartPair p;
        p.a.reset(new MStlBase);
        p.b.reset(new MStlBase);
        double const radius = 20.0 * kUnitsPerMm, length = 100.0 * kUnitsPerMm;
        benchmesh::AddCylinder(*p.a, 0, length, 0, 0, radius, 1000, 249);
        benchmesh::AddCylinder(*p.b, 0, length, 0, 0, radius, 1000, 249);
        p.placeB = MMTransformMatrix::Translation({0, 2 * radius + 0.2 * kUnitsPerMm, 0});
        return p;
    }();
    return pair;
}

void RunTwoParts(benchmark::State& state, PartPair const& pair)
{
    benchmesh::ThreadLimit const threads(int(state.range(0)));
    std::size_t hitsA = 0, hitsB = 0;
    MUserOperatorCollisionDetectorWithTolerance detector;
    MUserOperatorCollisionDetectorWithTolerance::MParams params;
    params.Tolerance = 0.5 * kUnitsPerMm;
    detector.SetAllParams(params);
    detector.SetFirstPart(pair.a.get(), [&](MStlTriangle&) { ++hitsA; });
    detector.SetSecondPart(pair.b.get(), [&](MStlTriangle&) { ++hitsB; });
    detector.SetSecondPartTransform(pair.placeB);
    double const cpuStart = benchmesh::ProcessCpuSeconds();
    for (auto _ : state)
    {
        hitsA = hitsB = 0;
        detector.Operate();
    }
    double const queries = double(pair.a->NumberOfTriangles() + pair.b->NumberOfTriangles());
    state.counters["in contact"] = double(hitsA + hitsB) / queries;
    state.counters["queries per cpu-s"] =
        queries * double(state.iterations()) / (benchmesh::ProcessCpuSeconds() - cpuStart);
    state.counters["query triangles/s"] =
        benchmark::Counter(queries * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_TwoPartsMostlyInContact(benchmark::State& state) { RunTwoParts(state, StackedPlates()); }
void BM_TwoPartsThinContactBand(benchmark::State& state) { RunTwoParts(state, SideBySideCylinders()); }

// 100 boxes of 10 092 triangles in a 10 x 10 grid; neighbours along x are 0.2 mm apart, along y 2 mm.
std::vector<std::unique_ptr<MStlBase>> const& GridOfParts()
{
    static std::vector<std::unique_ptr<MStlBase>> const parts = []
    {
        std::vector<std::unique_ptr<MStlBase>> list;
        for (int i = 0; i < 100; ++i)
        {
            list.emplace_back(new MStlBase);
            benchmesh::AddBox(*list.back(), {0, 0, 0}, {10 * kUnitsPerMm, 10 * kUnitsPerMm, 10 * kUnitsPerMm}, 29);
        }
        return list;
    }();
    return parts;
}

void BM_Multipart100Parts(benchmark::State& state)
{
    auto const& parts = GridOfParts();
    benchmesh::ThreadLimit const threads(int(state.range(0)));
    MUserOperatorCollisionDetectorWithToleranceMultipart detector;
    MUserOperatorCollisionDetectorWithToleranceMultipart::MParams params;
    params.Tolerance = 0.5 * kUnitsPerMm;
    detector.SetAllParams(params);
    for (int i = 0; i < 100; ++i)
        detector.AddPart(
            parts[std::size_t(i)].get(),
            MMTransformMatrix::Translation({(i % 10) * 10.2 * kUnitsPerMm, (i / 10) * 12.0 * kUnitsPerMm, 0}));
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    double const cpuStart = benchmesh::ProcessCpuSeconds();
    for (auto _ : state)
    {
        detector.Operate();
        detector.GetCollisions(pairs);
    }
    if (pairs.size() != 90) state.SkipWithError("expected the 90 neighbouring pairs along x");
    state.counters["cpu-s"] = (benchmesh::ProcessCpuSeconds() - cpuStart) / double(state.iterations());
    state.counters["pairs/s"] = benchmark::Counter(4950.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_TwoPartsMostlyInContact)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK(BM_TwoPartsThinContactBand)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK(BM_Multipart100Parts)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
} // namespace

BENCHMARK_MAIN();
