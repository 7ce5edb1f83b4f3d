#include <gtest/gtest.h>

#include <random>

#include "tree_test_support.h"

namespace
{

using namespace vz_test;

bool IsUnder(Tree::BaseNode const* n, Tree::BaseNode const* ancestor)
{
    for (; n; n = n->parent)
        if (n == ancestor) return true;
    return false;
}

// One triangle over the leaf capacity makes the root a node. Then fifty copies of one triangle, which
// can never be separated, and long crossing slivers, which span the whole range on every axis, join
// 1500 lattice triangles: both end in oversized leaves once every axis is exhausted.
TEST(MutableTreeBuild, LeafCapacityAndExhaustedAxesDecideBetweenLeafAndNode)
{
    for (auto mode : {Tree::FineLeaves, Tree::CoarseLeaves})
    {
        std::size_t const capacity = mode == Tree::FineLeaves ? 10 : 30;
        LatticeMesh meshLattice(7, int(capacity));
        MStlBase& mesh = meshLattice.mesh;
        Tree tree(mode);
        EXPECT_EQ(tree.GetLeafCapacity(), capacity);
        EXPECT_EQ(tree.GetRoot(), nullptr);
        BuildOn(tree, mesh);
        EXPECT_NE(dynamic_cast<Tree::Leaf*>(tree.GetRoot()), nullptr);
        meshLattice.Add();
        tree.Rebuild();
        EXPECT_NE(dynamic_cast<Tree::Node*>(tree.GetRoot()), nullptr);
        ExpectTreeHoldsMesh(tree, mesh, true);

        meshLattice.Add(1500);
        PointPool& pool = meshLattice.pool;
        for (int i = 0; i < 50; ++i) mesh.AddTriangle(pool.At(0, 0, 0), pool.At(100, 0, 0), pool.At(0, 100, 0));
        for (int i = 0; i < 40; ++i)
            mesh.AddTriangle(pool.At(0, 0, 0), pool.At(1000, 1000, 1000), pool.At(i, 1000 - i, 500));
        tree.Rebuild();
        ExpectTreeHoldsMesh(tree, mesh, true);
    }
    EXPECT_THROW(Tree(static_cast<Tree::Mode>(2)), std::invalid_argument);
}

TEST(MutableTreeEdit, AddingToARootLeafAppendsWhateverItsSize)
{
    LatticeMesh meshLattice(3, 5);
    MStlBase& mesh = meshLattice.mesh;
    Tree tree(Tree::FineLeaves);
    BuildOn(tree, mesh);
    auto* root = dynamic_cast<Tree::Leaf*>(tree.GetRoot());
    ASSERT_NE(root, nullptr);
    for (int i = 0; i < 25; ++i)
    {
        meshLattice.Add();
        MStlTriangle* const t = mesh.GetTriangles().back();
        EXPECT_EQ(tree.AddTriangle(t), root);
        tree.GetLeafMap()->SetInfo(t, root);
    }
    EXPECT_EQ(root->triangles.size(), 30u);
    EXPECT_EQ(root->triangles.back(), mesh.GetTriangles().back());
    ExpectTreeHoldsMesh(tree, mesh);
}

TEST(MutableTreeEdit, InsertionPrefersLeastEnlargementAndEarlierSlotOnTies)
{
    MStlBase mesh;
    PointPool pool(mesh);
    // Eleven triangles below x = 500 and eleven above, none straddling: the root has slots 0 and 2.
    for (int i = 0; i < 11; ++i)
    {
        mesh.AddTriangle(pool.At(0, 10 * i, 0), pool.At(100, 10 * i, 0), pool.At(0, 10 * i + 5, 100));
        mesh.AddTriangle(pool.At(900, 10 * i, 0), pool.At(1000, 10 * i, 0), pool.At(900, 10 * i + 5, 100));
    }
    Tree tree(Tree::FineLeaves);
    BuildOn(tree, mesh);
    auto* root = dynamic_cast<Tree::Node*>(tree.GetRoot());
    ASSERT_NE(root, nullptr);
    ASSERT_NE(root->children[0], nullptr);
    EXPECT_EQ(root->children[1], nullptr);
    ASSERT_NE(root->children[2], nullptr);

    // Inside the upper group's box: no enlargement there.
    MStlTriangle* const upper = mesh.AddTriangle(pool.At(950, 10, 10), pool.At(960, 10, 10), pool.At(950, 20, 10));
    EXPECT_TRUE(IsUnder(tree.AddTriangle(upper), root->children[2]));
    // Halfway between the groups both grow by the same volume, so slot 0 wins the tie.
    MStlTriangle* const middle = mesh.AddTriangle(pool.At(500, 10, 10), pool.At(500, 20, 10), pool.At(500, 10, 20));
    EXPECT_TRUE(IsUnder(tree.AddTriangle(middle), root->children[0]));
    // The lower group's box now reaches x = 500, so x = 701 grows the upper group less.
    MStlTriangle* const nearer = mesh.AddTriangle(pool.At(701, 10, 10), pool.At(701, 20, 10), pool.At(701, 10, 20));
    EXPECT_TRUE(IsUnder(tree.AddTriangle(nearer), root->children[2]));
}

TEST(MutableTreeEdit, RemovalTwiceFailsEmptiedLeafKeepsAnEmptyBoxAndClearDropsEverything)
{
    LatticeMesh meshLattice(5, 200);
    MStlBase& mesh = meshLattice.mesh;
    Tree tree(Tree::FineLeaves);
    BuildOn(tree, mesh);
    MStlTriangle* const first = mesh.GetTriangles().front();
    Tree::Leaf* const leaf = tree.GetLeafMap()->GetInfo(first);
    ASSERT_NE(leaf, nullptr);
    std::vector<MStlTriangle*> const members = leaf->triangles;
    for (MStlTriangle* t : members) EXPECT_TRUE(tree.RemoveTriangle(t));
    EXPECT_FALSE(tree.RemoveTriangle(first));
    EXPECT_EQ(tree.GetLeafMap()->GetInfo(first), nullptr);
    // Null and foreign triangles are refused without touching the tree.
    LatticeMesh otherLattice(6, 300);
    MStlBase& other = otherLattice.mesh;
    EXPECT_FALSE(tree.RemoveTriangle(nullptr));
    EXPECT_FALSE(tree.RemoveTriangle(other.GetTriangles().back()));
    EXPECT_FALSE(tree.RemoveTriangle(other.GetTriangles().front()));
    EXPECT_EQ(tree.AddTriangle(nullptr), nullptr);
    EXPECT_FALSE(leaf->bboxValid);
    for (Tree::Node* n = leaf->parent; n; n = n->parent) EXPECT_FALSE(n->bboxValid);
    leaf->UpdateBBox();
    EXPECT_TRUE(leaf->triangles.empty());
    EXPECT_TRUE(leaf->box.IsEmpty());
    EXPECT_EQ(leaf->box.max, Point(0, 0, 0));

    // Queries still see every remaining triangle and none of the removed ones.
    std::set<MStlTriangle*> const removed(members.begin(), members.end());
    std::vector<Triangle> out;
    tree.GetRoot()->GetTrianglesInsideBBox(out, M3DBoundingBox<double>(Point(-1e6, -1e6, -1e6), Point(1e6, 1e6, 1e6)));
    EXPECT_EQ(out.size(), mesh.NumberOfTriangles() - members.size());
    for (auto const& t : out) EXPECT_EQ(removed.count(t.Get()), 0u);

    // A cleared tree has no root nor leaf map and refuses edits until it is rebuilt.
    tree.Clear();
    EXPECT_EQ(tree.GetRoot(), nullptr);
    EXPECT_EQ(tree.GetLeafMap(), nullptr);
    EXPECT_EQ(tree.AddTriangle(mesh.GetTriangles().front()), nullptr);
    EXPECT_FALSE(tree.RemoveTriangle(mesh.GetTriangles().front()));
    EXPECT_FALSE(tree.NearestTriangle(Point(0, 0, 0), 1e9).Found());
    tree.Rebuild();
    ExpectTreeHoldsMesh(tree, mesh, true);
}

} // namespace
