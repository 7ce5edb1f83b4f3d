// The library side by side with Embree and CGAL's AABB tree on the same generated inputs: first
// hits of rays (the library's mutable tree), closest triangles to points (its static tree), the
// whole two-part contact operator against CGAL's tree build plus a tolerance search, and the static
// tree's build on 1 and 2 threads. Each row prints the rate ratio ours / peer (above 1: ours is
// faster) as the median over the repetitions, the runs of both sides interleaved (their order
// alternating) so that the machine's other load hits both alike, and how many answers disagree.
//
// Usage: peers_bench [--queries N] [--reps R] [--threads T] [--rows rays,closest,contact,build]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "PeerCgal.h"
#include "PeerEmbree.h"

namespace
{

using namespace peers;

struct Options
{
    std::size_t queries = 1000000;
    int reps = 3;
    int threads = 2;
    std::string rows = "rays,closest,contact,build";
};

double Seconds(std::function<void()> const& work)
{
    auto const start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Times two pieces of work `reps` times each, alternating which goes first; returns the median
// ratio of the second's time to the first's (the first's rate over the second's).
double InterleavedRatio(int reps, std::function<void()> const& ours, std::function<void()> const& peer,
                        double* ourMedian = nullptr, double* peerMedian = nullptr)
{
    std::vector<double> ratios, oursTimes, peerTimes;
    for (int r = 0; r < reps; ++r)
    {
        double a, b;
        if (r % 2 == 0)
        {
            a = Seconds(ours);
            b = Seconds(peer);
        }
        else
        {
            b = Seconds(peer);
            a = Seconds(ours);
        }
        ratios.push_back(b / a);
        oursTimes.push_back(a);
        peerTimes.push_back(b);
    }
    if (ourMedian) *ourMedian = Median(oursTimes);
    if (peerMedian) *peerMedian = Median(peerTimes);
    return Median(ratios);
}

// Answers disagree when one side finds something and the other not, or when their values (ray
// parameter, or distance from the squared distance) differ by more than `slack` units.
std::size_t Disagreements(std::vector<Answer> const& ours, std::vector<Answer> const& peer, bool squared, double slack,
                          double* largest)
{
    std::size_t count = 0;
    *largest = 0.0;
    for (std::size_t i = 0; i < ours.size(); ++i)
    {
        bool const a = ours[i].triangle >= 0, b = peer[i].triangle >= 0;
        if (a != b)
        {
            ++count;
            continue;
        }
        if (!a) continue;
        double const x = squared ? std::sqrt(ours[i].value) : ours[i].value;
        double const y = squared ? std::sqrt(peer[i].value) : peer[i].value;
        *largest = std::max(*largest, std::fabs(x - y));
        if (std::fabs(x - y) > slack) ++count;
    }
    return count;
}

void PrintRow(char const* work, char const* input, char const* peer, int threads, double ratio, double ours,
              double theirs, std::string const& agreement)
{
    std::printf("| %-34s | %-7s | %-22s | %d | %6.2f | %8.3f | %8.3f | %s |\n", work, input, peer, threads, ratio, ours,
                theirs, agreement.c_str());
    std::fflush(stdout);
}

std::string Agreement(std::size_t disagreements, std::size_t total, double largest)
{
    char text[128];
    std::snprintf(text, sizeof text, "%zu of %zu differ, largest gap %.3g units", disagreements, total, largest);
    return text;
}

struct Input
{
    char const* name;
    std::unique_ptr<MStlBase> mesh;
};

void RaysRow(Input const& in, Options const& o)
{
    OurRays ours(*in.mesh, o.threads);
    EmbreeScene embree(*in.mesh, o.threads);
    embree.Build();
    CgalTree cgal(*in.mesh);
    cgal.Build();
    std::vector<Ray> const rays = RayQueries(*in.mesh, o.queries, 11);
    std::vector<Answer> a, b;
    double tOurs, tPeer;
    double ratio = InterleavedRatio(
        o.reps, [&] { ours.Run(rays, a); }, [&] { embree.Rays(rays, o.threads, b); }, &tOurs, &tPeer);
    double largest;
    // Single precision: within one unit (the rounding of the integer coordinates) is agreement.
    std::size_t differ = Disagreements(a, b, false, 1.0, &largest);
    PrintRow("first hit, mutable tree ProjectPoint", in.name, "Embree rtcIntersect1", o.threads, ratio, tOurs, tPeer,
             Agreement(differ, a.size(), largest));
    ratio = InterleavedRatio(
        o.reps, [&] { ours.Run(rays, a); }, [&] { cgal.Rays(rays, o.threads, b); }, &tOurs, &tPeer);
    differ = Disagreements(a, b, false, 1e-3, &largest);
    PrintRow("first hit, mutable tree ProjectPoint", in.name, "CGAL first_intersection", o.threads, ratio, tOurs, tPeer,
             Agreement(differ, a.size(), largest));

    // Many rays at once: batches through ProjectPoints, against Embree's streams of the same size
    // and CGAL (which casts one ray at a time).
    std::vector<Point> origins, directions;
    SplitRays(rays, origins, directions);
    auto batched = [&] { ours.RunBatched(origins, directions, a); };
    ratio = InterleavedRatio(
        o.reps, batched, [&] { embree.RayStreams(rays, OurRays::kBatch, o.threads, b); }, &tOurs, &tPeer);
    differ = Disagreements(a, b, false, 1.0, &largest);
    PrintRow("first hits, mutable tree ProjectPoints", in.name, "Embree rtcIntersect1M", o.threads, ratio, tOurs, tPeer,
             Agreement(differ, a.size(), largest));
    ratio = InterleavedRatio(
        o.reps, batched, [&] { cgal.Rays(rays, o.threads, b); }, &tOurs, &tPeer);
    differ = Disagreements(a, b, false, 1e-3, &largest);
    PrintRow("first hits, mutable tree ProjectPoints", in.name, "CGAL first_intersection", o.threads, ratio, tOurs,
             tPeer, Agreement(differ, a.size(), largest));
}

void ClosestRow(Input const& in, Options const& o)
{
    omp_set_num_threads(o.threads);
    auto const tree = BuildStaticTree(*in.mesh);
    EmbreeScene embree(*in.mesh, o.threads);
    embree.Build();
    CgalTree cgal(*in.mesh);
    cgal.Build();
    std::vector<Point> const points = ClosestPointQueries(*in.mesh, o.queries, 12);
    std::vector<Answer> a, b;
    double tOurs, tPeer, largest;
    double ratio = InterleavedRatio(
        o.reps, [&] { OurClosest(*tree, points, o.threads, a); }, [&] { embree.Closest(points, o.threads, b); }, &tOurs,
        &tPeer);
    std::size_t differ = Disagreements(a, b, true, 1e-6, &largest);
    PrintRow("closest triangle, static FindNearest", in.name, "Embree rtcPointQuery", o.threads, ratio, tOurs, tPeer,
             Agreement(differ, a.size(), largest));
    ratio = InterleavedRatio(
        o.reps, [&] { OurClosest(*tree, points, o.threads, a); }, [&] { cgal.Closest(points, o.threads, b); }, &tOurs,
        &tPeer);
    differ = Disagreements(a, b, true, 1e-3, &largest);
    PrintRow("closest triangle, static FindNearest", in.name, "CGAL closest_point", o.threads, ratio, tOurs, tPeer,
             Agreement(differ, a.size(), largest));
}

void ContactRow(Options const& o)
{
    auto first = InterleavedStack(false);
    auto second = InterleavedStack(true);
    std::vector<std::uint8_t> ours[2], peer[2];
    CgalTree treeOfFirst(*first), treeOfSecond(*second);
    double tOurs, tPeer;
    double const ratio = InterleavedRatio(
        o.reps, [&] { OurContact(*first, *second, kStackTolerance, o.threads, ours); },
        [&]
        {
            treeOfSecond.Build(true);
            treeOfSecond.Contact(*first, kStackTolerance, o.threads, peer[0]);
            treeOfFirst.Build(true);
            treeOfFirst.Contact(*second, kStackTolerance, o.threads, peer[1]);
        },
        &tOurs, &tPeer);
    std::size_t differ = 0, inContact = 0;
    for (int p = 0; p < 2; ++p)
        for (std::size_t i = 0; i < ours[p].size(); ++i)
        {
            differ += ours[p][i] != peer[p][i];
            inContact += ours[p][i];
        }
    char text[160];
    std::snprintf(text, sizeof text, "%zu flags of %zu differ, %zu in contact", differ, ours[0].size() + ours[1].size(),
                  inContact);
    PrintRow("dense contact, whole operator", "stacks", "CGAL build + traversal", o.threads, ratio, tOurs, tPeer, text);
}

void BuildRow(Input const& in, Options const& o)
{
    auto buildOurs = [&](int threads)
    {
        omp_set_num_threads(threads);
        auto const tree = BuildStaticTree(*in.mesh);
    };
    double tTwo, tOne;
    double ratio = InterleavedRatio(
        o.reps, [&] { buildOurs(o.threads); }, [&] { buildOurs(1); }, &tTwo, &tOne);
    PrintRow("static tree build, T vs 1 thread", in.name, "ours on 1 thread", o.threads, ratio, tTwo, tOne,
             "same tree");
    EmbreeScene embree(*in.mesh, o.threads);
    ratio = InterleavedRatio(
        o.reps, [&] { buildOurs(o.threads); }, [&] { embree.Build(); }, &tTwo, &tOne);
    PrintRow("static tree build", in.name, "Embree rtcCommitScene", o.threads, ratio, tTwo, tOne, "-");
    CgalTree cgal(*in.mesh);
    ratio = InterleavedRatio(
        o.reps, [&] { buildOurs(o.threads); }, [&] { cgal.Build(); }, &tTwo, &tOne);
    PrintRow("static tree build", in.name, "CGAL build + accelerate", o.threads, ratio, tTwo, tOne, "-");
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        if (!std::strcmp(argv[i], "--queries"))
            o.queries = std::strtoull(argv[i + 1], nullptr, 10);
        else if (!std::strcmp(argv[i], "--reps"))
            o.reps = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--threads"))
            o.threads = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--rows"))
            o.rows = argv[i + 1];
    }
    auto wants = [&](char const* row) { return o.rows.find(row) != std::string::npos; };
    std::printf("| work | input | peer | threads | ours/peer rate | ours s | peer s | answers |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    Input inputs[] = {{"sphere", BumpySphere()}, {"plates", ThinPlates()}};
    for (Input const& in : inputs)
    {
        if (wants("rays")) RaysRow(in, o);
        if (wants("closest")) ClosestRow(in, o);
    }
    if (wants("contact")) ContactRow(o);
    if (wants("build"))
        for (Input const& in : inputs) BuildRow(in, o);
    return 0;
}
