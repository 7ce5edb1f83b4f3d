// The static object tree over its three element kinds: the three-way midpoint split, exhausted
// axes, the box cache and thread-count independence of the build, and FindNearest against brute
// force over every element, on random and degenerate inputs and from several threads at once.
#include <gtest/gtest.h>

#include <omp.h>

#include <functional>
#include <stdexcept>
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

// Checks every node: its box is the union of its elements' boxes, children are packed, their
// ranges concatenate to the parent's, and along some axis the children are exactly the non-empty
// below / straddling / above groups of the parent box's midpoint, in that order. Counts the
// elements in leaves holding more than maxLeaf of them, and returns the depth below the node.
template <class Tree, class BoxOf>
int CheckNode(Tree const& tree, typename Tree::Node const* node, BoxOf const& boxOf, std::size_t maxLeaf,
              std::size_t& oversizedLeaves)
{
    M3DBoundingBox<double> unionBox;
    for (std::uint64_t i = node->begin; i < node->end; ++i) unionBox |= boxOf(tree.GetElement(i));
    if (node->end > node->begin)
    {
        M3DBoundingBox<double> const nodeBox = node->GetBox();
        for (int k = 0; k < 3; ++k)
        {
            EXPECT_EQ(nodeBox.min[k], unionBox.min[k]);
            EXPECT_EQ(nodeBox.max[k], unionBox.max[k]);
        }
    }
    if (node->IsLeaf())
    {
        EXPECT_FALSE(node->children[1] || node->children[2]);
        oversizedLeaves += node->end - node->begin > maxLeaf;
        return 0;
    }
    std::vector<typename Tree::Node const*> children;
    for (auto const* c : node->children)
        if (c) children.push_back(c);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(node->children[k] != nullptr, k < children.size());
    EXPECT_EQ(children.front()->begin, node->begin);
    EXPECT_EQ(children.back()->end, node->end);
    for (std::size_t k = 1; k < children.size(); ++k) EXPECT_EQ(children[k - 1]->end, children[k]->begin);
    bool someAxisExplains = false;
    for (int axis = 0; axis < 3 && !someAxisExplains; ++axis)
    {
        double const split = (unionBox.min[axis] + unionBox.max[axis]) * 0.5;
        auto groupOf = [&](std::uint64_t i)
        {
            M3DBoundingBox<double> const b = boxOf(tree.GetElement(i));
            return b.max[axis] < split ? 0 : (b.min[axis] > split ? 2 : 1);
        };
        bool explains = true;
        for (auto const* c : children)
            for (std::uint64_t i = c->begin; i < c->end && explains; ++i) explains = groupOf(i) == groupOf(c->begin);
        for (std::size_t k = 1; k < children.size() && explains; ++k)
            explains = groupOf(children[k - 1]->begin) < groupOf(children[k]->begin);
        someAxisExplains = explains;
    }
    EXPECT_TRUE(someAxisExplains);
    int depth = 0;
    for (auto const* c : children) depth = std::max(depth, 1 + CheckNode(tree, c, boxOf, maxLeaf, oversizedLeaves));
    return depth;
}

// Returns the depth of the tree; counts its oversized leaves.
template <class Tree, class BoxOf>
int CheckTree(Tree const& tree, BoxOf const& boxOf, std::size_t maxLeaf, std::size_t& oversizedLeaves)
{
    EXPECT_EQ(tree.GetRoot()->begin, 0u);
    EXPECT_EQ(tree.GetRoot()->end, tree.NumberOfElements());
    return CheckNode(tree, tree.GetRoot(), boxOf, maxLeaf, oversizedLeaves);
}

template <class Tree, class Query>
std::vector<double> AllDistances(Tree const& tree, Query const& query)
{
    std::vector<double> d(tree.NumberOfElements());
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = query.ElementDistance(tree.GetElement(i));
    return d;
}

// The least accepted distance over every element, with the seed as the largest accepted one.
double BruteForce(std::vector<double> const& distances, double seed)
{
    double best = seed;
    for (double d : distances)
        if (d <= best && d < kInfinity) best = d;
    return best;
}

// Seeds: +infinity, a finite radius, and 0, which accepts only elements at distance 0. Nothing found
// leaves the sentinel in place.
template <class Tree, class Query>
void ExpectSameAsBruteForce(Tree const& tree, Query const& query, double radius, typename Tree::Element const& sentinel)
{
    std::vector<double> const distances = AllDistances(tree, query);
    for (double seed : {kInfinity, radius * radius, 0.0})
    {
        double const expected = BruteForce(distances, seed);
        bool const anyTaken = std::count(distances.begin(), distances.end(), expected) > 0;
        double best = seed;
        typename Tree::Element element = sentinel;
        tree.FindNearest(query, best, element);
        ASSERT_EQ(best, expected);
        ASSERT_EQ(element == sentinel, !anyTaken);
        if (anyTaken)
        {
            ASSERT_EQ(query.ElementDistance(element), best);
        }
    }
}

class StaticTree : public ::testing::TestWithParam<int>
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
    }

    MStlBase mesh;
    std::unique_ptr<MStlCompact> compact;
    std::vector<std::size_t> indexes;
    MStlGraph* graph = nullptr;
};

// With or without the box cache and on any thread count the build makes the same tree, which
// follows the split rules: inputs that straddle every midpoint stop after three splits in one
// oversized leaf. Compact triangle i is mesh triangle i, so the two triangle trees order their
// elements alike.
TEST_P(StaticTree, FollowsTheSplitRulesWhateverTheCacheAndThreadCount)
{
    int const threadsBefore = omp_get_max_threads();
    for (std::size_t leaf : {0u, 30u})
    {
        omp_set_num_threads(1);
        TriangleTree const reference(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(true, leaf));
        std::size_t oversized = 0;
        int const depth = CheckTree(reference, ElementBox, leaf, oversized);
        if (GetParam() == 1 || GetParam() == 2)
        {
            EXPECT_EQ(depth, 3) << leaf;
            EXPECT_EQ(oversized, 1u) << leaf;
        }
        std::vector<MStlTriangle const*> sorted(reference.NumberOfElements());
        for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i] = reference.GetElement(i);
        std::sort(sorted.begin(), sorted.end());
        std::vector<MStlTriangle const*> expected(mesh.GetTriangles().begin(), mesh.GetTriangles().end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(sorted, expected);
        EdgeTree const edgeReference(MStlIteratorGraphEdgeConst::Begin(graph), MStlIteratorGraphEdgeConst::End(graph),
                                     EdgeBox, Params(true, leaf));
        CheckTree(edgeReference, EdgeBox, leaf, oversized);

        for (bool cache : {true, false})
            for (int threads : {1, 2, 3})
            {
                omp_set_num_threads(threads);
                TriangleTree const t(MStlIteratorStlTriangleConst::Begin(&mesh),
                                     MStlIteratorStlTriangleConst::End(&mesh), Params(cache, leaf));
                CompactTree const c(indexes.begin(), indexes.end(), *compact, Params(cache, leaf));
                EdgeTree const e(MStlIteratorGraphEdgeConst::Begin(graph), MStlIteratorGraphEdgeConst::End(graph),
                                 EdgeBox, Params(cache, leaf));
                EXPECT_TRUE(SameTrees(reference, t)) << cache << threads;
                EXPECT_TRUE(SameTrees(edgeReference, e)) << cache << threads;
                for (std::size_t i = 0; i < t.NumberOfElements(); ++i)
                    ASSERT_EQ(t.GetElement(i)->GetElementIndex(), c.GetElement(i));
            }
    }
    omp_set_num_threads(threadsBefore);
}

// Four threads search the same trees at once, each with its own query and seeds.
TEST_P(StaticTree, EveryElementKindFindsTheNearestAsBruteForceFromManyThreadsAtOnce)
{
    std::size_t const none = std::numeric_limits<std::size_t>::max();
    std::vector<Point> const points = RandomPoints(80, 3500, 202);
    for (bool cache : {true, false})
    {
        TriangleTree tree(MStlIteratorStlTriangleConst::Begin(&mesh), MStlIteratorStlTriangleConst::End(&mesh),
                          Params(cache, cache ? 0 : 10));
        CompactTree compactTree(indexes.begin(), indexes.end(), *compact, Params(cache, 10));
        EdgeTree edgeTree(MStlIteratorGraphEdgeConst::Begin(graph), MStlIteratorGraphEdgeConst::End(graph), EdgeBox,
                          Params(cache, 30));
        std::vector<std::thread> threads;
        for (std::size_t t = 0; t < 4; ++t)
            threads.emplace_back(
                [&, t]
                {
                    for (std::size_t i = t; i < points.size(); i += 4)
                    {
                        ExpectSameAsBruteForce(tree, TrianglePointQuery{points[i]}, 200.0, nullptr);
                        ExpectSameAsBruteForce(compactTree, CompactPointQuery{points[i], compact.get()}, 300.0, none);
                        ExpectSameAsBruteForce(edgeTree, EdgePointQuery{points[i]}, 250.0, MStlGraphEdge());
                    }
                });
        for (auto& th : threads) th.join();
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, StaticTree, ::testing::Values(0, 1, 2, 3));

// An empty range gives one empty leaf that finds nothing and leaves the seeds; an edge tree needs
// its box function only once it has edges.
TEST(StaticTreeBuild, EmptyRangesGiveOneEmptyLeafThatFindsNothing)
{
    std::vector<MStlTriangle const*> none;
    TriangleTree tree(none.begin(), none.end(), Params(true, 10));
    ASSERT_NE(tree.GetRoot(), nullptr);
    EXPECT_TRUE(tree.GetRoot()->IsLeaf());
    EXPECT_EQ(tree.GetRoot()->end, 0u);
    double best = 7.0;
    MStlTriangle const* element = reinterpret_cast<MStlTriangle const*>(&best);
    tree.FindNearest(TrianglePointQuery{Point(0, 0, 0)}, best, element);
    EXPECT_EQ(best, 7.0);
    EXPECT_EQ(element, reinterpret_cast<MStlTriangle const*>(&best));

    MStlBase mesh;
    MStlGraph* graph = mesh.AddGraph();
    EdgeTree::ElementSource noBoxes;
    EXPECT_NO_THROW(
        EdgeTree(MStlIteratorGraphEdgeConst::Begin(graph), MStlIteratorGraphEdgeConst::End(graph), noBoxes));
    graph->AddEdge(mesh.AddPoint(0, 0, 0), mesh.AddPoint(1, 2, 3));
    for (bool cache : {true, false})
        EXPECT_THROW(EdgeTree(MStlIteratorGraphEdgeConst::Begin(graph), MStlIteratorGraphEdgeConst::End(graph), noBoxes,
                              Params(cache, 30)),
                     std::bad_function_call);
}

// Boxes touching the midpoint from either side both count as straddling.
TEST(StaticTreeBuild, BoundsEqualToTheSplitValueStraddle)
{
    MStlBase mesh;
    // x boxes [-1, 1] and [1, 3]: the midpoint 1 equals one's max and the other's min.
    MStlPoint* a = mesh.AddPoint(0, 0, 0);
    MStlPoint* b = mesh.AddPoint(0, 0, 10);
    MStlPoint* c = mesh.AddPoint(2, 100, 0);
    MStlPoint* d = mesh.AddPoint(2, 100, 10);
    mesh.AddTriangle(a, a, b);
    mesh.AddTriangle(c, c, d);
    TriangleTree tree(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(true, 1));
    auto const* root = tree.GetRoot();
    ASSERT_NE(root->children[0], nullptr);
    EXPECT_EQ(root->children[1], nullptr);
    auto const* straddling = root->children[0];
    EXPECT_EQ(straddling->end - straddling->begin, 2u);
    // The next axis, y, separates them: below in slot 0, above in slot 1.
    ASSERT_NE(straddling->children[1], nullptr);
    EXPECT_EQ(straddling->children[2], nullptr);
    EXPECT_EQ(tree.GetElement(straddling->children[0]->begin), mesh.GetTriangle(0));
    EXPECT_EQ(tree.GetElement(straddling->children[1]->begin), mesh.GetTriangle(1));
}

// Large enough for the root to be measured by all threads, and for the threads to share levels of
// big ranges: the tree must be the one the single-threaded build without box cache makes. Besides
// a spread-out mesh, one whose first split leaves nearly everything in one child (a far-away
// triangle beside a cluster), and one whose every range straddles every split until the axes run
// out.
TEST(StaticTreeBuild, LargeRangesGiveTheSerialTreeOnAnyThreadCount)
{
    std::vector<std::function<void(MStlBase&)>> const meshes = {
        [](MStlBase& mesh)
        {
            AddRandomTriangles(mesh, 70000, 200000, 800, 22);
            AddStraddlingTriangles(mesh, 500, 4);
        },
        [](MStlBase& mesh)
        {
            AddRandomTriangles(mesh, 90000, 20000, 300, 23);
            MStlPoint* a = mesh.AddPoint(50000000, 0, 0);
            MStlPoint* b = mesh.AddPoint(50000010, 10, 0);
            MStlPoint* c = mesh.AddPoint(50000000, 10, 10);
            mesh.AddTriangle(a, b, c);
        },
        [](MStlBase& mesh) { AddCoincidentTriangles(mesh, 70000); },
    };
    int const threadsBefore = omp_get_max_threads();
    for (std::size_t m = 0; m < meshes.size(); ++m)
    {
        MStlBase mesh;
        meshes[m](mesh);
        omp_set_num_threads(1);
        TriangleTree const serial(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(false, 10));
        std::size_t oversized = 0;
        CheckTree(serial, ElementBox, 10, oversized);
        for (int threads : {1, 2, 3})
        {
            omp_set_num_threads(threads);
            TriangleTree const cached(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(true, 10));
            EXPECT_TRUE(SameTrees(serial, cached)) << m << " " << threads;
        }
    }
    omp_set_num_threads(threadsBefore);
}

// Entries never move while the array grows; regrown entries take the given value or the default.
TEST(StaticTreeBuild, ChunkedArrayKeepsEntriesInPlace)
{
    MeshQueries::ChunkedArray<int> a;
    a.PushBack(5);
    int const* first = &a[0];
    for (int i = 1; i < 5000; ++i) a.PushBack(i);
    EXPECT_EQ(first, &a[0]);
    a.Resize(1025);
    a.Resize(3000, -1);
    EXPECT_EQ(first, &a[0]);
    EXPECT_EQ(a[1024], 1024);
    EXPECT_EQ(a[1025], -1);
    a.SwapEntries(0, 2999);
    EXPECT_EQ(a[0], -1);
    EXPECT_EQ(a[2999], 5);
    a.Resize(10);
    a.Resize(2100);
    EXPECT_EQ(a[9], 9);
    EXPECT_EQ(a[10], 0);
    EXPECT_EQ(a[2099], 0);
    a.Clear();
    EXPECT_TRUE(a.Empty());
}

// Among equal distances the element tested last wins: within one leaf, the later one in the array;
// of two children at equal box distance the lower slot is searched first, so an equally near element
// of the later child replaces it.
TEST(StaticTreeSearch, TiesGoToTheElementTestedLast)
{
    MStlBase coincident;
    AddCoincidentTriangles(coincident, 40);
    TriangleTree oneLeaf(coincident.GetTriangles().begin(), coincident.GetTriangles().end(), Params(true, 10));
    double best = kInfinity;
    MStlTriangle const* element = nullptr;
    oneLeaf.FindNearest(TrianglePointQuery{Point(500, 500, 500)}, best, element);
    EXPECT_EQ(element, oneLeaf.GetElement(oneLeaf.NumberOfElements() - 1));

    MStlBase apart;
    apart.AddTriangle(apart.AddPoint(-100, 0, 0), apart.AddPoint(-90, 0, 0), apart.AddPoint(-100, 10, 0));
    apart.AddTriangle(apart.AddPoint(100, 0, 0), apart.AddPoint(90, 0, 0), apart.AddPoint(100, 10, 0));
    TriangleTree twoLeaves(apart.GetTriangles().begin(), apart.GetTriangles().end(), Params(true, 1));
    ASSERT_NE(twoLeaves.GetRoot()->children[1], nullptr);
    struct Constant
    {
        double BoxDistance(M3DBoundingBox<double> const&) const { return 1.0; }
        double ElementDistance(MStlTriangle const*) const { return 1.0; }
    };
    best = kInfinity;
    twoLeaves.FindNearest(Constant{}, best, element);
    EXPECT_EQ(best, 1.0);
    EXPECT_EQ(element, twoLeaves.GetElement(twoLeaves.GetRoot()->children[1]->begin));
}

// A query that answers +infinity once it has seen enough stops the search.
TEST(StaticTreeSearch, InfiniteAnswersEndTheSearch)
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

// Vertices at the ends of the 32-bit range: the grown element boxes pass the range by one unit, the
// node boxes saturate, and the search still finds what brute force finds.
TEST(StaticTreeSearch, VerticesAtTheIntegerLimits)
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
