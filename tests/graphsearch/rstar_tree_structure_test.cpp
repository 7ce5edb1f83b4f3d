// Structural invariants of the R*-tree after many insertions, and the small cases of its growth.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "graphsearch/box_elements.h"

namespace
{
using namespace vz_test;
using Node = Zodara::util::AbstractNode<BoxElement const*, double, 3>;
using Branch = Zodara::util::IBranchNode<BoxElement const*, double, 3>;
using Leaf = Zodara::util::ILeafNode<BoxElement const*, double, 3>;

bool SameBox(MBoundingBoxND<double, 3> const& a, MBoundingBoxND<double, 3> const& b)
{
    return a.GetCornerMin() == b.GetCornerMin() && a.GetCornerMax() == b.GetCornerMax();
}

struct TreeCensus
{
    std::set<int> leafDepths;
    std::map<BoxElement const*, int> elementCount;
    std::size_t branches = 0;
};

// Checks every per-node invariant on the way down and gathers what needs a whole-tree view.
void CheckNode(Node const& node, bool isRoot, std::size_t minFill, int depth, TreeCensus& census)
{
    if (auto const* leaf = dynamic_cast<Leaf const*>(&node))
    {
        census.leafDepths.insert(depth);
        ++census.elementCount[leaf->GetElement()];
        EXPECT_TRUE(SameBox(leaf->GetBoundingBox(), leaf->GetElement()->box));
        return;
    }
    auto const& branch = dynamic_cast<Branch const&>(node);
    ++census.branches;
    std::vector<Node*> const children = branch.GetChildren();
    ASSERT_FALSE(children.empty());
    EXPECT_LE(children.size(), 5u);
    if (!isRoot)
    {
        EXPECT_GE(children.size(), minFill);
    }

    MBoundingBoxND<double, 3> united;
    for (Node const* child : children) united.Union(child->GetBoundingBox());
    EXPECT_TRUE(SameBox(branch.GetBoundingBox(), united));
    EXPECT_EQ(branch.level, children.front()->level + 1);
    for (Node const* child : children)
    {
        EXPECT_EQ(child->level, branch.level - 1);
        bool const childIsLeaf = dynamic_cast<Leaf const*>(child) != nullptr;
        EXPECT_EQ(childIsLeaf, branch.level == 1);
        CheckNode(*child, false, minFill, depth + 1, census);
    }
}

// The tree must hold exactly the first `inserted` elements of boxes, each once.
void CheckTree(BoxTree const& tree, std::vector<BoxElement> const& boxes, std::size_t inserted, std::size_t minFill)
{
    ASSERT_NE(tree.GetRoot(), nullptr);
    TreeCensus census;
    CheckNode(*tree.GetRoot(), true, minFill, 0, census);
    EXPECT_EQ(census.leafDepths.size(), 1u) << "leaves at different depths";
    ASSERT_EQ(census.elementCount.size(), inserted);
    for (std::size_t i = 0; i < inserted; ++i) EXPECT_EQ(census.elementCount[&boxes[i]], 1);
    EXPECT_EQ(*census.leafDepths.begin(), tree.GetRoot()->level);
}

class RStarTreeInvariants : public ::testing::TestWithParam<std::size_t>
{
};

// Identical, nested and point boxes first, whose split keys all tie, then thousands of random ones.
TEST_P(RStarTreeInvariants, HoldForTiedBoxesAndAfterThousandsOfRandomInsertions)
{
    std::size_t const minFill = GetParam();
    std::vector<BoxElement> boxes;
    for (int i = 0; i < 100; ++i) boxes.push_back(MakeBox(0, 0, 0, 1, 1, 1));
    for (int i = 0; i < 100; ++i) boxes.push_back(MakeBox(-i, -i, -i, i, i, i));
    for (int i = 0; i < 100; ++i) boxes.push_back(MakeBox(i, 0, 0, i, 0, 0));
    for (BoxElement const& box : RandomBoxes(2000, 17u + unsigned(minFill))) boxes.push_back(box);
    BoxTree tree(std::make_shared<BoxElementInfo>(), minFill);
    tree.Insert(&boxes[0]);
    Branch const* const root = tree.GetRoot();
    for (std::size_t i = 1; i < boxes.size(); ++i)
    {
        tree.Insert(&boxes[i]);
        if (i == 299 || i == 1299) CheckTree(tree, boxes, i + 1, minFill);
    }
    EXPECT_EQ(tree.GetRoot(), root) << "the root object must keep its identity";
    CheckTree(tree, boxes, boxes.size(), minFill);
    EXPECT_GE(tree.GetRoot()->level, 5);
}

INSTANTIATE_TEST_SUITE_P(MinimumFills, RStarTreeInvariants, ::testing::Values(1u, 2u, 3u));

TEST(RStarTreeGrowth, RefusesAMinimumFillNoSplitCanHonourAndSharesTheAdapter)
{
    auto adapter = std::make_shared<BoxElementInfo>();
    EXPECT_THROW(BoxTree(adapter, 0), std::invalid_argument);
    EXPECT_THROW(BoxTree(adapter, 4), std::invalid_argument);
    EXPECT_THROW(BoxTree(nullptr, 2), std::invalid_argument);
    {
        BoxTree tree(adapter, 3);
        EXPECT_EQ(tree.GetElementInfo().get(), adapter.get());
        EXPECT_EQ(adapter.use_count(), 2);
        BoxElement const box = MakeBox(0, 0, 0, 1, 1, 1);
        tree.Insert(&box);
        EXPECT_THROW(tree.GetRoot()->VisitLeaves(std::function<void(Leaf const&)>()), std::bad_function_call);
    }
    EXPECT_EQ(adapter.use_count(), 1);
}
} // namespace
