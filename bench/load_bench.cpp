// Loading speed of binary STL: a closed torus of about one million triangles, generated in memory,
// read from memory and from a temporary file.
#include <benchmark/benchmark.h>

#include "interfaces/MeshData.h"
#include "interfaces/StlFiles.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
// A torus of 2 * around * across triangles; vertices are computed from wrapped indices, so the seam
// vertices are bit-identical and the part is closed after welding.
std::vector<char> MakeTorusStl(int around, int across)
{
    auto vertex = [&](int i, int j, float out[3])
    {
        double const u = 2.0 * M_PI * (i % around) / around, v = 2.0 * M_PI * (j % across) / across;
        double const ring = 50.0 + 20.0 * std::cos(v);
        out[0] = float(ring * std::cos(u));
        out[1] = float(ring * std::sin(u));
        out[2] = float(20.0 * std::sin(v));
    };
    std::uint32_t const count = std::uint32_t(2) * around * across;
    std::vector<char> bytes(84 + 50 * std::size_t(count), 0);
    std::memcpy(bytes.data() + 80, &count, 4);
    char* p = bytes.data() + 84;
    auto emit = [&](int const(&corners)[3][2])
    {
        float v[12] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) vertex(corners[k][0], corners[k][1], v + 3 + 3 * k);
        std::memcpy(p, v, 48);
        p += 50;
    };
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < across; ++j)
        {
            emit({{i, j}, {i + 1, j}, {i + 1, j + 1}});
            emit({{i, j}, {i + 1, j + 1}, {i, j + 1}});
        }
    return bytes;
}

std::vector<char> const& MillionTriangleStl()
{
    static std::vector<char> const bytes = MakeTorusStl(1000, 500);
    return bytes;
}

// Releasing the mesh is not part of loading it.
void DestroyUntimed(benchmark::State& state, std::unique_ptr<MStlBase>& mesh)
{
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
}

void BM_LoadBinaryStlFromMemory(benchmark::State& state)
{
    std::vector<char> const& bytes = MillionTriangleStl();
    std::size_t triangles = 0;
    for (auto _ : state)
    {
        std::unique_ptr<MStlBase> mesh = ReadStlMemory("torus.stl", bytes.data(), bytes.size());
        triangles += mesh->NumberOfTriangles();
        benchmark::DoNotOptimize(mesh.get());
        DestroyUntimed(state, mesh);
    }
    state.counters["triangles/s"] = benchmark::Counter(double(triangles), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadBinaryStlFromMemory)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadBinaryStlFromFile(benchmark::State& state)
{
    std::vector<char> const& bytes = MillionTriangleStl();
    char path[] = "/tmp/vz_load_bench_XXXXXX";
    int const fd = mkstemp(path);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
    {
        state.SkipWithError("cannot write the temporary STL file");
        return;
    }
    close(fd);
    std::size_t triangles = 0;
    for (auto _ : state)
    {
        std::unique_ptr<MStlBase> mesh = ReadStlFile(path);
        triangles += mesh->NumberOfTriangles();
        benchmark::DoNotOptimize(mesh.get());
        DestroyUntimed(state, mesh);
    }
    std::remove(path);
    state.counters["triangles/s"] = benchmark::Counter(double(triangles), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadBinaryStlFromFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);
} // namespace

BENCHMARK_MAIN();
