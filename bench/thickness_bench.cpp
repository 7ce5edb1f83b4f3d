// Wall thickness of a closed part of about a million triangles: a hollow 100 mm box with a 1 mm
// wall, both surfaces split into triangles of about 0.5 mm.
#include <benchmark/benchmark.h>

#include "OperatorBenchMeshes.h"
#include "thickness/MUserOperatorWallThickness.h"

namespace
{
using benchmesh::kUnitsPerMm;

MStlBase const& HollowBox()
{
    static std::unique_ptr<MStlBase> const part = []
    {
        std::unique_ptr<MStlBase> mesh(new MStlBase);
        double const outer = 100.0 * kUnitsPerMm, wall = 1.0 * kUnitsPerMm;
        benchmesh::AddBox(*mesh, {0, 0, 0}, {outer, outer, outer}, 204);
        benchmesh::AddBox(*mesh, {wall, wall, wall}, {outer - wall, outer - wall, outer - wall}, 204, true);
        return mesh;
    }();
    return *part;
}

void BM_WallThicknessMillionTriangles(benchmark::State& state)
{
    MStlBase& part = const_cast<MStlBase&>(HollowBox());
    benchmesh::ThreadLimit const threads(int(state.range(0)));
    MDataMask<MStlTriangle, float> values(part.GetDataMaskOwner(), 0.0f);
    MUserOperatorWallThickness op;
    op.SetModel(&part);
    op.SetOutputMask(values);
    double const cpuStart = benchmesh::ProcessCpuSeconds();
    for (auto _ : state)
    {
        if (op.Operate() != MUserOperatorWallThickness::eOK) state.SkipWithError("not measured");
    }
    // The wall is 1 mm away from the edges: check one value so that a broken run is not timed as a fast one.
    std::size_t const middleOfFirstFace = 2 * (102 * 204 + 102);
    if (std::abs(values.GetInfoByIndex(middleOfFirstFace) - float(kUnitsPerMm)) > 1.0f)
        state.SkipWithError("wrong thickness");
    double const cpuSeconds = benchmesh::ProcessCpuSeconds() - cpuStart;
    state.counters["triangles"] = double(part.NumberOfTriangles());
    state.counters["triangles per cpu-s"] = double(part.NumberOfTriangles()) * double(state.iterations()) / cpuSeconds;
    state.counters["triangles/s"] =
        benchmark::Counter(double(part.NumberOfTriangles()) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WallThicknessMillionTriangles)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("threads")
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
} // namespace

BENCHMARK_MAIN();
