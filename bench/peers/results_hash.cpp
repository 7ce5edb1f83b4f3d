// Hashes every answer the library gives on the peer-comparison inputs: first hits of rays through
// the mutable tree, closest triangles through the static tree, the two-part contact flags, and the
// static tree's layout (node boxes, ranges, element order) built on 1 and on 2 threads. Two builds
// of the library that print the same lines answer bit for bit alike on these inputs.
//
// Usage: results_hash [queries (default 1000000)]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "OurQueries.h"

namespace
{

struct Fnv
{
    std::uint64_t h = 1469598103934665603ull;
    void Add(void const* data, std::size_t n)
    {
        auto const* p = static_cast<unsigned char const*>(data);
        for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    }
    template <class T>
    void Add(T const& v)
    {
        Add(&v, sizeof v);
    }
};

std::uint64_t HashAnswers(std::vector<peers::Answer> const& answers)
{
    Fnv f;
    for (peers::Answer const& a : answers)
    {
        f.Add(a.triangle);
        f.Add(a.value);
    }
    return f.h;
}

void HashNode(Fnv& f, peers::StaticTree::Node const* node)
{
    f.Add(node->box);
    f.Add(node->begin);
    f.Add(node->end);
    for (auto const* child : node->children)
        if (child) HashNode(f, child);
}

std::uint64_t HashStaticTree(MStlBase const& mesh, int threads)
{
    omp_set_num_threads(threads);
    auto const tree = peers::BuildStaticTree(mesh);
    Fnv f;
    HashNode(f, tree->GetRoot());
    for (std::size_t i = 0; i < tree->NumberOfElements(); ++i) f.Add(tree->GetElement(i)->GetElementIndex());
    return f.h;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t const queries = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    int const threads = 2;
    auto sphere = peers::BumpySphere();
    auto plates = peers::ThinPlates();
    struct Input
    {
        char const* name;
        MStlBase* mesh;
    } const inputs[] = {{"sphere", sphere.get()}, {"plates", plates.get()}};
    for (Input const& in : inputs)
    {
        std::vector<peers::Answer> answers;
        peers::OurRays rays(*in.mesh, threads);
        rays.Run(peers::RayQueries(*in.mesh, queries, 11), answers);
        std::size_t hits = 0;
        for (auto const& a : answers) hits += a.triangle >= 0;
        std::printf("rays %s: %zu hits, hash %016llx\n", in.name, hits, (unsigned long long)HashAnswers(answers));
        std::vector<peers::Point> origins, directions;
        peers::SplitRays(peers::RayQueries(*in.mesh, queries, 11), origins, directions);
        rays.RunBatched(origins, directions, answers);
        std::printf("rays in batches %s: hash %016llx\n", in.name, (unsigned long long)HashAnswers(answers));
        auto const tree = peers::BuildStaticTree(*in.mesh);
        peers::OurClosest(*tree, peers::ClosestPointQueries(*in.mesh, queries, 12), threads, answers);
        std::printf("closest %s: hash %016llx\n", in.name, (unsigned long long)HashAnswers(answers));
        std::printf("static tree %s: 1 thread %016llx, 2 threads %016llx\n", in.name,
                    (unsigned long long)HashStaticTree(*in.mesh, 1), (unsigned long long)HashStaticTree(*in.mesh, 2));
    }
    auto first = peers::InterleavedStack(false);
    auto second = peers::InterleavedStack(true);
    std::vector<std::uint8_t> flags[2];
    peers::OurContact(*first, *second, peers::kStackTolerance, threads, flags);
    Fnv f;
    std::size_t counts[2] = {0, 0};
    for (int p = 0; p < 2; ++p)
        for (std::uint8_t v : flags[p])
        {
            f.Add(v);
            counts[p] += v;
        }
    std::printf("contact stacks: %zu + %zu in contact, hash %016llx\n", counts[0], counts[1], (unsigned long long)f.h);
    return 0;
}
