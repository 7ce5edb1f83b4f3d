// Construction of the static object tree: node layout, the three-way midpoint split, child slot
// order, exhausted axes, the box cache and thread-count independence.
#include <gtest/gtest.h>

#include <omp.h>

#include <functional>
#include <stdexcept>
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
// below / straddling / above groups of the parent box's midpoint, in that order.
template <class Tree, class BoxOf>
void CheckNode(Tree const& tree, typename Tree::Node const* node, BoxOf const& boxOf, std::size_t& leafElements)
{
    M3DBoundingBox<double> unionBox;
    for (std::uint64_t i = node->begin; i < node->end; ++i) unionBox |= boxOf(tree.GetElement(i));
    if (node->end > node->begin)
    {
        M3DBoundingBox<double> const nodeBox = node->GetBox();
        for (int k = 0; k < 3; ++k)
        {
            ASSERT_EQ(nodeBox.min[k], unionBox.min[k]);
            ASSERT_EQ(nodeBox.max[k], unionBox.max[k]);
        }
    }
    if (node->IsLeaf())
    {
        ASSERT_FALSE(node->children[1] || node->children[2]);
        leafElements += node->end - node->begin;
        return;
    }
    std::vector<typename Tree::Node const*> children;
    for (auto const* c : node->children)
        if (c) children.push_back(c);
    for (std::size_t k = 0; k < 3; ++k) ASSERT_EQ(node->children[k] != nullptr, k < children.size());
    ASSERT_EQ(children.front()->begin, node->begin);
    ASSERT_EQ(children.back()->end, node->end);
    for (std::size_t k = 1; k < children.size(); ++k) ASSERT_EQ(children[k - 1]->end, children[k]->begin);
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
        {
            int const g = groupOf(c->begin);
            for (std::uint64_t i = c->begin; i < c->end && explains; ++i) explains = groupOf(i) == g;
        }
        for (std::size_t k = 1; k < children.size() && explains; ++k)
            explains = groupOf(children[k - 1]->begin) < groupOf(children[k]->begin);
        someAxisExplains = explains;
    }
    ASSERT_TRUE(someAxisExplains);
    for (auto const* c : children) CheckNode(tree, c, boxOf, leafElements);
}

template <class Tree, class BoxOf>
void CheckTree(Tree const& tree, BoxOf const& boxOf)
{
    ASSERT_NE(tree.GetRoot(), nullptr);
    ASSERT_EQ(tree.GetRoot()->begin, 0u);
    ASSERT_EQ(tree.GetRoot()->end, tree.NumberOfElements());
    std::size_t leafElements = 0;
    CheckNode(tree, tree.GetRoot(), boxOf, leafElements);
    EXPECT_EQ(leafElements, tree.NumberOfElements());
}

template <class Tree>
void CheckLeafSizes(typename Tree::Node const* node, std::size_t maxLeaf, std::size_t& oversized)
{
    if (node->IsLeaf())
    {
        if (node->end - node->begin > maxLeaf) ++oversized;
        return;
    }
    for (auto const* c : node->children)
        if (c) CheckLeafSizes<Tree>(c, maxLeaf, oversized);
}

TEST(StaticTreeBuild, EmptyRangeGivesOneEmptyLeaf)
{
    std::vector<MStlTriangle const*> none;
    TriangleTree tree(none.begin(), none.end(), Params(true, 10));
    ASSERT_NE(tree.GetRoot(), nullptr);
    EXPECT_TRUE(tree.GetRoot()->IsLeaf());
    EXPECT_EQ(tree.GetRoot()->begin, 0u);
    EXPECT_EQ(tree.GetRoot()->end, 0u);
    double best = 7.0;
    MStlTriangle const* element = reinterpret_cast<MStlTriangle const*>(&best);
    tree.FindNearest(TrianglePointQuery{Point(0, 0, 0)}, best, element);
    EXPECT_EQ(best, 7.0);
    EXPECT_EQ(element, reinterpret_cast<MStlTriangle const*>(&best));
}

TEST(StaticTreeBuild, RandomTrianglesSatisfyTheSplitRules)
{
    MStlBase mesh;
    AddRandomTriangles(mesh, 1500, 5000, 200, 11);
    for (std::size_t leaf : {0u, 3u, 30u})
    {
        TriangleTree tree(MStlIteratorStlTriangleConst::Begin(&mesh), MStlIteratorStlTriangleConst::End(&mesh),
                          Params(true, leaf));
        ASSERT_EQ(tree.NumberOfElements(), mesh.NumberOfTriangles());
        CheckTree(tree, ElementBox);
        std::vector<MStlTriangle const*> sorted;
        for (std::size_t i = 0; i < tree.NumberOfElements(); ++i) sorted.push_back(tree.GetElement(i));
        std::sort(sorted.begin(), sorted.end());
        std::vector<MStlTriangle const*> expected(mesh.GetTriangles().begin(), mesh.GetTriangles().end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(sorted, expected);
    }
}

// A lone triangle, coincident copies and long slivers all straddle every midpoint: one straddling
// split per axis, then a single oversized leaf.
TEST(StaticTreeBuild, InputsStraddlingEveryMidpointStopAfterThreeSplits)
{
    struct Case
    {
        void (*fill)(MStlBase&);
        std::size_t leaf;
    };
    for (Case const& c : {Case{[](MStlBase& m) { AddRandomTriangles(m, 1, 100, 20, 5); }, 0},
                          Case{[](MStlBase& m) { AddCoincidentTriangles(m, 100); }, 10},
                          Case{[](MStlBase& m) { AddStraddlingTriangles(m, 200, 8); }, 4}})
        for (bool cache : {true, false})
        {
            MStlBase mesh;
            c.fill(mesh);
            TriangleTree tree(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(cache, c.leaf));
            CheckTree(tree, ElementBox);
            EXPECT_EQ(Depth(tree.GetRoot()), 3) << c.leaf;
            std::size_t oversized = 0;
            CheckLeafSizes<TriangleTree>(tree.GetRoot(), c.leaf, oversized);
            EXPECT_EQ(oversized, 1u) << c.leaf;
        }
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
    EXPECT_EQ(straddling->begin, 0u);
    EXPECT_EQ(straddling->end, 2u);
    // The next axis, y, separates them: below in slot 0, above in slot 1.
    ASSERT_NE(straddling->children[1], nullptr);
    EXPECT_EQ(straddling->children[2], nullptr);
    EXPECT_EQ(tree.GetElement(straddling->children[0]->begin), mesh.GetTriangle(0));
    EXPECT_EQ(tree.GetElement(straddling->children[1]->begin), mesh.GetTriangle(1));
    EXPECT_EQ(straddling->children[0]->box[2], -1);
    EXPECT_EQ(straddling->children[1]->box[3], 101);
}

TEST(StaticTreeBuild, SameTreeWithAndWithoutBoxCacheAndForAnyThreadCount)
{
    MStlBase mesh;
    AddRandomTriangles(mesh, 2000, 20000, 800, 21);
    AddCoincidentTriangles(mesh, 50);
    AddStraddlingTriangles(mesh, 50, 4);
    MStlCompact compact(mesh);
    std::vector<std::size_t> indexes(compact.GetNumTriangles());
    for (std::size_t i = 0; i < indexes.size(); ++i) indexes[i] = i;
    MStlGraph* graph = mesh.AddGraph();
    for (std::size_t i = 0; i + 1 < mesh.NumberOfPoints(); i += 2)
        graph->AddEdge(mesh.GetPoint(i), mesh.GetPoint(i + 1));

    int const threadsBefore = omp_get_max_threads();
    auto buildAll = [&](bool cache, int threads)
    {
        omp_set_num_threads(threads);
        auto t =
            std::make_unique<TriangleTree>(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(cache, 3));
        auto c = std::make_unique<CompactTree>(indexes.begin(), indexes.end(), compact, Params(cache, 3));
        auto e = std::make_unique<EdgeTree>(MStlIteratorGraphEdgeConst::Begin(graph),
                                            MStlIteratorGraphEdgeConst::End(graph), EdgeBox, Params(cache, 3));
        return std::make_tuple(std::move(t), std::move(c), std::move(e));
    };
    auto reference = buildAll(true, 1);
    CheckTree(*std::get<0>(reference), ElementBox);
    CheckTree(*std::get<2>(reference), EdgeBox);
    for (bool cache : {true, false})
        for (int threads : {1, 2, 3})
        {
            auto other = buildAll(cache, threads);
            EXPECT_TRUE(SameTrees(*std::get<0>(reference), *std::get<0>(other))) << cache << threads;
            EXPECT_TRUE(SameTrees(*std::get<1>(reference), *std::get<1>(other))) << cache << threads;
            EXPECT_TRUE(SameTrees(*std::get<2>(reference), *std::get<2>(other))) << cache << threads;
        }
    omp_set_num_threads(threadsBefore);
    // Compact triangle i is mesh triangle i: the two trees order their elements alike.
    auto const& t = *std::get<0>(reference);
    auto const& c = *std::get<1>(reference);
    for (std::size_t i = 0; i < t.NumberOfElements(); ++i)
        ASSERT_EQ(t.GetElement(i)->GetElementIndex(), c.GetElement(i));
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
        CheckTree(serial, ElementBox);
        for (int threads : {1, 2, 3})
        {
            omp_set_num_threads(threads);
            TriangleTree const cached(mesh.GetTriangles().begin(), mesh.GetTriangles().end(), Params(true, 10));
            EXPECT_TRUE(SameTrees(serial, cached)) << m << " " << threads;
        }
    }
    omp_set_num_threads(threadsBefore);
}

TEST(StaticTreeBuild, GraphEdgeTreeNeedsABoxFunctionOnlyWhenItHasEdges)
{
    MStlBase mesh;
    MStlGraph* graph = mesh.AddGraph();
    EdgeTree::ElementSource none;
    EXPECT_NO_THROW(EdgeTree(MStlIteratorGraphEdgeConst::Begin(graph), MStlIteratorGraphEdgeConst::End(graph), none));
    graph->AddEdge(mesh.AddPoint(0, 0, 0), mesh.AddPoint(1, 2, 3));
    for (bool cache : {true, false})
        EXPECT_THROW(EdgeTree(MStlIteratorGraphEdgeConst::Begin(graph), MStlIteratorGraphEdgeConst::End(graph), none,
                              Params(cache, 30)),
                     std::bad_function_call);
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

} // namespace
