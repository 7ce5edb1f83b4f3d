// The example program's pictures and exports on a million triangles: the four rasterised views,
// the PNG encoding and the PLY file, each timed on its own.
#include <benchmark/benchmark.h>

#include <cmath>
#include <sstream>

#include "visual/MeshExports.h"
#include "visual/Picture.h"
#include "visual/PngFile.h"

namespace
{
// A sphere of radius 20 mm from a 1000 x 500 latitude-longitude grid: 1 000 000 triangles, most of
// them smaller than a pixel of the picture, with a value that varies over the surface.
visual::FaceMesh const& Sphere()
{
    static visual::FaceMesh const mesh = []
    {
        visual::FaceMesh m;
        int const nu = 1000, nv = 500;
        double const pi = 3.141592653589793;
        for (int j = 0; j <= nv; ++j)
            for (int i = 0; i < nu; ++i)
            {
                double const theta = pi * j / nv, phi = 2 * pi * i / nu;
                m.verticesMm.push_back(
                    {20 * std::sin(theta) * std::cos(phi), 20 * std::sin(theta) * std::sin(phi), 20 * std::cos(theta)});
            }
        auto at = [&](int i, int j) { return std::uint32_t(j * nu + i % nu); };
        for (int j = 0; j < nv; ++j)
            for (int i = 0; i < nu; ++i)
            {
                m.faces.push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j)});
                m.faces.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1)});
            }
        m.colourValues.resize(m.faces.size());
        visual::FaceAttribute& value = visual::AddAttribute(m, "value", visual::FaceAttribute::Type::Float);
        for (std::size_t f = 0; f < m.faces.size(); ++f) value.values[f] = m.colourValues[f] = std::sin(f * 1e-4);
        return m;
    }();
    return mesh;
}

visual::ColourScale const kScale{-1.0, 1.0, "value", {}};

void BM_RenderPicture(benchmark::State& state)
{
    visual::FaceMesh const& mesh = Sphere();
    for (auto _ : state) benchmark::DoNotOptimize(visual::RenderPicture(mesh, kScale, {}));
    state.counters["triangles"] = double(mesh.NumberOfFaces());
}
BENCHMARK(BM_RenderPicture)->Unit(benchmark::kMillisecond);

void BM_WritePng(benchmark::State& state)
{
    visual::Image const picture = visual::RenderPicture(Sphere(), kScale, {});
    for (auto _ : state)
    {
        std::ostringstream out;
        visual::WritePng(out, picture);
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(BM_WritePng)->Unit(benchmark::kMillisecond);

void BM_WritePly(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::ostringstream out;
        visual::WritePly(out, Sphere(), kScale, "sphere");
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(BM_WritePly)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
