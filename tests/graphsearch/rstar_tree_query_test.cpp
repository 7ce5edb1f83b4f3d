// Point-containment queries of the R*-tree against brute force.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "graphsearch/box_elements.h"

namespace
{
using namespace vz_test;
using Point = MMVector<double, 3>;

std::vector<BoxElement const*> BruteForceContaining(std::vector<BoxElement> const& boxes, Point const& p)
{
    std::vector<BoxElement const*> found;
    for (BoxElement const& box : boxes)
        if (box.box.GetHasPoint(p)) found.push_back(&box);
    return found;
}

// Points inside boxes, on their corners (inclusive bounds) and scattered at random.
std::vector<Point> QueryPoints(std::vector<BoxElement> const& boxes, std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> anywhere(-10.0, 1030.0), unit(0.0, 1.0);
    std::uniform_int_distribution<std::size_t> pick(0, boxes.size() - 1);
    std::vector<Point> points;
    for (std::size_t i = 0; i < count; ++i)
    {
        auto const& b = boxes[pick(random)].box;
        Point p(anywhere(random), anywhere(random), anywhere(random));
        if (i % 3 == 1) p = b.GetCornerMax();
        if (i % 3 == 2)
            for (int d = 0; d < 3; ++d)
                p[d] = b.GetCornerMin()[d] + unit(random) * (b.GetCornerMax()[d] - b.GetCornerMin()[d]);
        points.push_back(p);
    }
    return points;
}

// Brute force fixes the set, and the tree's own leaf order fixes the order of the answer (depth first,
// in child-slot order).
TEST(RStarTreeContainment, MatchesBruteForceInDepthFirstOrder)
{
    std::vector<BoxElement> const boxes = RandomBoxes(1500, 99);
    BoxTree tree(std::make_shared<BoxElementInfo>(), 2);
    for (BoxElement const& box : boxes) tree.Insert(&box);
    std::vector<BoxElement const*> depthFirst;
    tree.GetRoot()->VisitLeaves([&depthFirst](auto const& leaf) { depthFirst.push_back(leaf.GetElement()); });

    std::size_t hits = 0;
    for (Point const& p : QueryPoints(boxes, 600, 7))
    {
        std::vector<BoxElement const*> const found = tree.GetElementsContaining(p);
        std::vector<BoxElement const*> inOrder;
        for (BoxElement const* element : depthFirst)
            if (element->box.GetHasPoint(p)) inOrder.push_back(element);
        EXPECT_EQ(found, inOrder);

        std::vector<BoxElement const*> sorted(found);
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, BruteForceContaining(boxes, p));
        EXPECT_EQ(tree.HasElementsContaining(p), !found.empty());
        hits += found.size();
    }
    EXPECT_GT(hits, 300u) << "the query points should hit boxes often";
}

TEST(RStarTreeQueries, EmptyTreeAndPointsOutsideTheRootBoxFindNothing)
{
    BoxTree tree(std::make_shared<BoxElementInfo>(), 2);
    Point const origin(0.0, 0.0, 0.0), outside(-1.0, 500.0, 500.0);
    EXPECT_FALSE(tree.HasElementsContaining(origin));
    EXPECT_TRUE(tree.GetElementsContaining(origin).empty());
    std::vector<BoxElement> const boxes = RandomBoxes(100, 3);
    for (BoxElement const& box : boxes) tree.Insert(&box);
    EXPECT_TRUE(tree.GetElementsContaining(outside).empty());
    EXPECT_FALSE(tree.HasElementsContaining(outside));
}

// The adapter, not the box, decides containment: a leaf whose box holds the point but whose element
// says no is not reported.
class HollowBoxInfo : public BoxElementInfo
{
public:
    bool Intersects(MMVector<double, 3> const& point, BoxElement const* const& element) const override
    {
        auto const& lo = element->box.GetCornerMin();
        return BoxElementInfo::Intersects(point, element) && point[0] > lo[0];
    }
};

TEST(RStarTreeQueries, ContainmentIsDecidedByTheAdapter)
{
    BoxElement const a = MakeBox(0, 0, 0, 2, 2, 2), b = MakeBox(1, 0, 0, 3, 2, 2);
    BoxTree tree(std::make_shared<HollowBoxInfo>(), 2);
    tree.Insert(&a);
    tree.Insert(&b);
    EXPECT_EQ(tree.GetElementsContaining(Point(1.0, 1.0, 1.0)), std::vector<BoxElement const*>{&a});
    EXPECT_TRUE(tree.GetElementsContaining(Point(0.0, 1.0, 1.0)).empty());
    EXPECT_FALSE(tree.HasElementsContaining(Point(0.0, 1.0, 1.0)));
    EXPECT_TRUE(tree.HasElementsContaining(Point(1.5, 1.0, 1.0)));
}
} // namespace
