#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "sphere/SphereSplitTree.h"

namespace
{

constexpr int kDepth = 6;
constexpr std::size_t kAddedDirections = 1000000;
constexpr std::size_t kCapQueries = 10000;

std::vector<MMPoint3d<double>> RandomDirections(std::size_t count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> normal;
    std::vector<MMPoint3d<double>> directions(count);
    for (auto& d : directions) d = MMPoint3d<double>(normal(rng), normal(rng), normal(rng));
    return directions;
}

void BM_BuildDepth6(benchmark::State& state)
{
    for (auto _ : state)
    {
        SphereSplitTree tree(kDepth);
        benchmark::DoNotOptimize(&tree);
    }
}
BENCHMARK(BM_BuildDepth6)->Unit(benchmark::kMillisecond);

void BM_Add1MDirections(benchmark::State& state)
{
    auto const directions = RandomDirections(kAddedDirections, 1);
    SphereSplitTree tree(kDepth);
    for (auto _ : state)
        for (auto const& d : directions) tree.AddPointValue(d, 1.0);
    state.SetItemsProcessed(state.iterations() * kAddedDirections);
}
BENCHMARK(BM_Add1MDirections)->Unit(benchmark::kMillisecond);

// Argument: the cap's angular radius in degrees.
void BM_10kCapQueries(benchmark::State& state)
{
    SphereSplitTree tree(kDepth);
    for (auto const& d : RandomDirections(kAddedDirections, 1)) tree.AddPointValue(d, 1.0);
    auto const queries = RandomDirections(kCapQueries, 2);
    double const cosine = std::cos(double(state.range(0)) * 3.141592653589793 / 180.0);
    for (auto _ : state)
    {
        double sum = 0.0;
        for (auto const& q : queries) sum += tree.GetValue(q, cosine);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kCapQueries);
}
BENCHMARK(BM_10kCapQueries)->Arg(1)->Arg(5)->Arg(20)->Arg(60)->Arg(120)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
