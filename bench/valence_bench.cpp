// Quality of meshes whose vertices join thousands of triangles: every metric's values over the
// mesh and a bad-triangle count for each, as a quality report of the whole part computes them.
#include <benchmark/benchmark.h>

#include <memory>

#include "quality/MTriangleQualityCalculator.h"
#include "support/high_valence_meshes.h"

namespace
{

using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;

// What a quality report computes: every metric's values over the mesh (for its minimum, median
// and maximum) and one bad-triangle count.
void AllMetrics(benchmark::State& state, MStlBase const& mesh)
{
    for (auto _ : state)
    {
        double sum = 0.0;
        for (int m = 1; m <= 36; ++m)
        {
            if (Calc::GetMetricCategory(Calc::MetricType(m)) == Calc::CategoryNone) continue;
            for (double v : Calc::GetTriangleShapeQualities(&mesh, Calc::MetricType(m))) sum += v;
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(Calc::GetNumberOfBadTriangles(&mesh, 0.3, Calc::RadiusRatio));
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(mesh.NumberOfTriangles()));
}

// What a summary computes: values and a bad-triangle count for shape, size, smoothness and growth.
void SummaryMetrics(benchmark::State& state, MStlBase const& mesh)
{
    Calc::MetricType const metrics[] = {Calc::RadiusRatio, Calc::MinAngle, Calc::MinEdge, Calc::CurvatureRatio,
                                        Calc::GrowthFactor3Rings};
    for (auto _ : state)
    {
        double sum = 0.0;
        int bad = 0;
        for (auto const metric : metrics)
        {
            for (double v : Calc::GetTriangleShapeQualities(&mesh, metric)) sum += v;
            bad += Calc::GetNumberOfBadTriangles(&mesh, 0.3, metric);
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(bad);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(mesh.NumberOfTriangles()));
}

void BM_FanConeQualityReport(benchmark::State& state)
{
    MStlBase mesh;
    vz_test::AddFanCone(mesh, int(state.range(0)));
    AllMetrics(state, mesh);
}
BENCHMARK(BM_FanConeQualityReport)->Arg(2000)->Arg(16000)->Unit(benchmark::kMillisecond);

void BM_FanConeSummary(benchmark::State& state)
{
    MStlBase mesh;
    vz_test::AddFanCone(mesh, int(state.range(0)));
    SummaryMetrics(state, mesh);
}
BENCHMARK(BM_FanConeSummary)->Arg(2000)->Arg(16000)->Unit(benchmark::kMillisecond);

void BM_StackedCopiesQualityReport(benchmark::State& state)
{
    MStlBase mesh;
    vz_test::AddStackedCopies(mesh, int(state.range(0)));
    AllMetrics(state, mesh);
}
BENCHMARK(BM_StackedCopiesQualityReport)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_StackedCopiesSummary(benchmark::State& state)
{
    MStlBase mesh;
    vz_test::AddStackedCopies(mesh, int(state.range(0)));
    SummaryMetrics(state, mesh);
}
BENCHMARK(BM_StackedCopiesSummary)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
