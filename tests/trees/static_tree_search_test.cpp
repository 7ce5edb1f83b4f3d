// FindNearest of the static object tree against brute force over every element, for the three
// element kinds, on random and degenerate inputs, and from many threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tree_test_support.h"

namespace
{

using namespace vz_test;
using MeshQueries::M3DObjectTree;
using TriangleTree = M3DObjectTree<MStlTriangle const*>;
using CompactTree = M3DObjectTree<std::size_t>;
using EdgeTree = M3DObjectTree<MStlGraphEdge>;

struct Answer
{
    double distance;
    std::size_t ties; // elements at exactly that distance
};

template <class Tree, class Query>
std::vector<double> AllDistances(Tree const& tree, Query const& query)
{
    std::vector<double> d(tree.NumberOfElements());
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = query.ElementDistance(tree.GetElement(i));
    return d;
}

// The least accepted distance over every element, with the seed as the largest accepted one.
Answer BruteForce(std::vector<double> const& distances, double seed)
{
    Answer a{seed, 0};
    for (double d : distances)
        if (d <= a.distance && d < kInfinity) a.distance = d;
    for (double d : distances) a.ties += d == a.distance;
    return a;
}

// Seeds: +infinity, a finite radius, and 0, which accepts only elements at distance 0.
template <class Tree, class Query>
void ExpectSameAsBruteForce(Tree const& tree, Query const& query, double radius, typename Tree::Element const& sentinel)
{
    std::vector<double> const distances = AllDistances(tree, query);
    for (double seed : {kInfinity, radius * radius, 0.0})
    {
        Answer const expected = BruteForce(distances, seed);
        double best = seed;
        typename Tree::Element element = sentinel;
        tree.FindNearest(query, best, element);
        ASSERT_EQ(best, expected.distance);
        if (expected.ties == 0)
        {
            ASSERT_TRUE(element == sentinel);
        }
        else
        {
            ASSERT_FALSE(element == sentinel);
            ASSERT_EQ(query.ElementDistance(element), best);
        }
    }
}

class StaticTreeSearch : public ::testing::TestWithParam<int>
{
protected:
    // 0: random small triangles, 1: coincident triangles, 2: every box straddles every midpoint,
    // 3: a mix of all three.
    void SetUp() override
    {
        int const kind = GetParam();
        if (kind == 0 || kind == 3) AddRandomTriangles(mesh, 1200, 3000, 150, 101);
        if (kind == 1 || kind == 3) AddCoincidentTriangles(mesh, 200);
        if (kind == 2 || kind == 3) AddStraddlingTriangles(mesh, 200, 7);
        compact = std::make_unique<MStlCompact>(mesh);
        for (std::size_t i = 0; i < compact->GetNumTriangles(); ++i) indexes.push_back(i);
        graph = mesh.AddGraph();
        for (std::size_t i = 0; i + 1 < mesh.NumberOfPoints(); i += 3)
            graph->AddEdge(mesh.GetPoint(i), mesh.GetPoint(i + 1));
        // Coincident edges, whose boxes all straddle every split value.
        if (kind == 1 || kind == 3)
            for (int k = 0; k < 80; ++k) graph->AddEdge(mesh.GetPoint(0), mesh.GetPoint(2));
        queries = RandomPoints(60, 3500, 202);
    }

    MStlBase mesh;
    std::unique_ptr<MStlCompact> compact;
    std::vector<std::size_t> indexes;
    MStlGraph* graph = nullptr;
    std::vector<Point> queries;
};

// With a finite radius only elements within it count; nothing found leaves the seed.
TEST_P(StaticTreeSearch, EveryElementKindMatchesBruteForce)
{
    std::size_t const none = std::numeric_limits<std::size_t>::max();
    for (bool cache : {true, false})
    {
        for (std::size_t leaf : {0u, 10u})
        {
            TriangleTree tree(MStlIteratorStlTriangleConst::Begin(&mesh), MStlIteratorStlTriangleConst::End(&mesh),
                              Params(cache, leaf));
            for (Point const& p : queries) ExpectSameAsBruteForce(tree, TrianglePointQuery{p}, 200.0, nullptr);
        }
        CompactTree compactTree(indexes.begin(), indexes.end(), *compact, Params(cache, 10));
        EdgeTree edgeTree(MStlIteratorGraphEdgeConst::Begin(graph), MStlIteratorGraphEdgeConst::End(graph), EdgeBox,
                          Params(cache, 30));
        for (Point const& p : queries)
        {
            ExpectSameAsBruteForce(compactTree, CompactPointQuery{p, compact.get()}, 300.0, none);
            ExpectSameAsBruteForce(edgeTree, EdgePointQuery{p}, 250.0, MStlGraphEdge());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, StaticTreeSearch, ::testing::Values(0, 1, 2, 3));

// Among equal distances the element tested last wins: within one leaf, the later one in the array.
TEST(StaticTreeSearchTies, LastTestedOfEqualElementsWins)
{
    MStlBase mesh;
    AddCoincidentTriangles(mesh, 40);
    TriangleTree tree(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(true, 10));
    double best = kInfinity;
    MStlTriangle const* element = nullptr;
    tree.FindNearest(TrianglePointQuery{Point(500, 500, 500)}, best, element);
    // Everything ends in one leaf holding the whole array.
    EXPECT_EQ(element, tree.GetElement(tree.NumberOfElements() - 1));
}

// Of two children at equal box distance the lower slot is searched first, so an equally near element
// of the later child replaces it.
TEST(StaticTreeSearchTies, EqualChildrenAreSearchedInSlotOrder)
{
    MStlBase mesh;
    mesh.AddTriangle(mesh.AddPoint(-100, 0, 0), mesh.AddPoint(-90, 0, 0), mesh.AddPoint(-100, 10, 0));
    mesh.AddTriangle(mesh.AddPoint(100, 0, 0), mesh.AddPoint(90, 0, 0), mesh.AddPoint(100, 10, 0));
    TriangleTree tree(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(true, 1));
    ASSERT_NE(tree.GetRoot()->children[1], nullptr);
    struct Constant
    {
        double BoxDistance(M3DBoundingBox<double> const&) const { return 1.0; }
        double ElementDistance(MStlTriangle const*) const { return 1.0; }
    };
    double best = kInfinity;
    MStlTriangle const* element = nullptr;
    tree.FindNearest(Constant{}, best, element);
    EXPECT_EQ(best, 1.0);
    EXPECT_EQ(element, tree.GetElement(tree.GetRoot()->children[1]->begin));
}

// A query that answers +infinity once it has seen enough stops the search.
TEST(StaticTreeSearchTies, InfiniteAnswersEndTheSearch)
{
    MStlBase mesh;
    AddRandomTriangles(mesh, 500, 1000, 50, 9);
    TriangleTree tree(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(true, 3));
    struct FirstOnly
    {
        int elementsSeen = 0;
        double BoxDistance(M3DBoundingBox<double> const&) const { return elementsSeen ? kInfinity : 0.0; }
        double ElementDistance(MStlTriangle const*) { return elementsSeen++ ? kInfinity : 5.0; }
    } query;
    double best = kInfinity;
    MStlTriangle const* element = nullptr;
    tree.FindNearest(query, best, element);
    EXPECT_EQ(best, 5.0);
    EXPECT_NE(element, nullptr);
    // Children whose box distance was taken before the first element still get visited, but only
    // sibling leaves on the path to the first element are looked into, not the other 500 elements.
    EXPECT_LT(query.elementsSeen, 60);
}

TEST(StaticTreeConcurrency, ManyThreadsSearchOneTree)
{
    MStlBase mesh;
    AddRandomTriangles(mesh, 3000, 5000, 200, 303);
    TriangleTree tree(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(true, 10));
    auto const points = RandomPoints(400, 5500, 404);
    std::vector<double> expected(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        MStlTriangle const* e = nullptr;
        expected[i] = kInfinity;
        tree.FindNearest(TrianglePointQuery{points[i]}, expected[i], e);
    }
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int round = 0; round < 3; ++round)
                    for (std::size_t i = t; i < points.size(); i += 3)
                    {
                        double best = kInfinity;
                        MStlTriangle const* e = nullptr;
                        tree.FindNearest(TrianglePointQuery{points[i]}, best, e);
                        if (best != expected[i]) ++mismatches;
                    }
            });
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches.load(), 0);
    for (std::size_t i = 0; i < points.size(); i += 8)
        EXPECT_EQ(expected[i], BruteForce(AllDistances(tree, TrianglePointQuery{points[i]}), kInfinity).distance);
}

// Vertices at the ends of the 32-bit range: the grown element boxes pass the range by one unit, the
// node boxes saturate, and the search still finds what brute force finds.
TEST(StaticTreeSearchRange, VerticesAtTheIntegerLimits)
{
    MStlBase mesh;
    std::mt19937 rng(12);
    std::uniform_int_distribution<int> pick(0, 2);
    std::int32_t const values[3] = {INT32_MIN, 0, INT32_MAX};
    for (int i = 0; i < 300; ++i)
    {
        MStlPoint* p[3];
        for (auto& q : p) q = mesh.AddPoint(values[pick(rng)], values[pick(rng)], values[pick(rng)]);
        mesh.AddTriangle(p[0], p[1], p[2]);
    }
    for (bool cache : {true, false})
    {
        TriangleTree tree(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(cache, 2));
        EXPECT_EQ(tree.GetRoot()->box[1], INT32_MAX);
        EXPECT_EQ(tree.GetRoot()->box[0], INT32_MIN);
        for (Point const& p : RandomPoints(40, 2.2e9, 5))
            ExpectSameAsBruteForce(tree, TrianglePointQuery{p}, 1e9, nullptr);
    }
}

} // namespace
