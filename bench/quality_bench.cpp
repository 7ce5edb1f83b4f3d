#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "interfaces/MeshData.h"
#include "quality/MTriangleQualityCalculator.h"

namespace
{

using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;

// A rolling terrain of 500 x 1000 quads split into 1 000 000 triangles, with uneven column widths
// so that the growth factors and curvature ratios have work to do. 10 000 units per millimetre.
MStlBase const& Terrain()
{
    static std::unique_ptr<MStlBase> const mesh = []
    {
        auto m = std::make_unique<MStlBase>();
        int const nx = 500, ny = 1000;
        std::vector<MStlPoint*> points;
        points.reserve(std::size_t(nx + 1) * (ny + 1));
        for (int j = 0; j <= ny; ++j)
        {
            int x = 0;
            for (int i = 0; i <= nx; ++i)
            {
                int const z = int(20000.0 * std::sin(i * 0.05) * std::cos(j * 0.03));
                points.push_back(m->AddPoint(x, j * 10000, z));
                x += 6000 + (i * 7919) % 8000;
            }
        }
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
            {
                MStlPoint* const a = points[std::size_t(j) * (nx + 1) + i];
                MStlPoint* const b = points[std::size_t(j) * (nx + 1) + i + 1];
                MStlPoint* const c = points[std::size_t(j + 1) * (nx + 1) + i];
                MStlPoint* const d = points[std::size_t(j + 1) * (nx + 1) + i + 1];
                m->AddTriangle(a, b, d);
                m->AddTriangle(a, d, c);
            }
        return m;
    }();
    return *mesh;
}

void BM_RadiusRatioOverMeshTriangles(benchmark::State& state)
{
    MStlBase const& mesh = Terrain();
    for (auto _ : state)
    {
        double sum = 0.0;
        auto const end = MStlIteratorStlTriangleConst::End(&mesh);
        for (auto it = MStlIteratorStlTriangleConst::Begin(&mesh); it != end; ++it)
            sum += Calc::GetTriangleShapeQuality(&*it, Calc::RadiusRatio);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(mesh.NumberOfTriangles()));
}
BENCHMARK(BM_RadiusRatioOverMeshTriangles)->Unit(benchmark::kMillisecond);

// The same metric on corners already gathered into one array: the formula without mesh access.
void BM_RadiusRatioOverCornerArrays(benchmark::State& state)
{
    MStlBase const& mesh = Terrain();
    std::vector<MMPoint3d<double>> corners;
    corners.reserve(3 * mesh.NumberOfTriangles());
    for (auto const* t : mesh.GetTriangles())
        for (std::size_t k = 0; k < 3; ++k) corners.push_back(t->GetVertex(k));
    for (auto _ : state)
    {
        double sum = 0.0;
        for (std::size_t i = 0; i < corners.size(); i += 3)
            sum += Calc::GetTriangleShapeQuality(&corners[i], Calc::RadiusRatio);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(mesh.NumberOfTriangles()));
}
BENCHMARK(BM_RadiusRatioOverCornerArrays)->Unit(benchmark::kMillisecond);

// Argument: the metric number.
void BM_NumberOfBadTriangles(benchmark::State& state)
{
    MStlBase const& mesh = Terrain();
    auto const metric = Calc::MetricType(state.range(0));
    int bad = 0;
    for (auto _ : state)
    {
        bad = Calc::GetNumberOfBadTriangles(&mesh, 0.5, metric);
        benchmark::DoNotOptimize(bad);
    }
    state.counters["bad"] = bad;
    state.SetItemsProcessed(state.iterations() * std::int64_t(mesh.NumberOfTriangles()));
}
BENCHMARK(BM_NumberOfBadTriangles)->Arg(1)->Arg(24)->Arg(29)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
