// Containment and nearest queries of the R*-tree against brute force, interleaved with insertions:
// every answer must reflect exactly the elements inserted so far, whatever the tree has left to
// refresh, and containment answers come in the tree's depth-first leaf order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <random>

#include "graphsearch/box_elements.h"
#include "graphsearch/detail/RStarNearestSearch.h"

namespace
{
using namespace vz_test;
using Point = MMVector<double, 3>;

Point Inside(BoxElement const& b, std::mt19937& random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Point p;
    for (int d = 0; d < 3; ++d)
        p[d] = b.box.GetCornerMin()[d] + unit(random) * (b.box.GetCornerMax()[d] - b.box.GetCornerMin()[d]);
    return p;
}

// Query points inside the newest boxes, on a corner (inclusive bounds) and anywhere, also outside
// the root box.
TEST(RStarTreeQueries, ContainmentAndNearestFollowEveryInsertion)
{
    std::vector<BoxElement> const boxes = RandomBoxes(1200, 23);
    BoxElementInfo const info;
    BoxTree tree(std::make_shared<BoxElementInfo>(), 2);
    std::mt19937 random(4);
    std::uniform_real_distribution<double> anywhere(-50.0, 1050.0);
    for (std::size_t n = 1; n <= boxes.size(); ++n)
    {
        tree.Insert(&boxes[n - 1]);
        if (n % 5 != 0 && n > 12) continue;
        std::vector<BoxElement const*> depthFirst;
        tree.GetRoot()->VisitLeaves([&depthFirst](auto const& leaf) { depthFirst.push_back(leaf.GetElement()); });
        for (int q = 0; q < 5; ++q)
        {
            Point const p = q < 2    ? Inside(boxes[n - 1 - std::size_t(q) * (n > 1)], random)
                            : q == 2 ? boxes[n / 2].box.GetCornerMax()
                                     : Point(anywhere(random), anywhere(random), anywhere(random));
            std::vector<BoxElement const*> inOrder;
            for (BoxElement const* element : depthFirst)
                if (element->box.GetHasPoint(p)) inOrder.push_back(element);
            std::vector<BoxElement const*> expected;
            double nearest = DBL_MAX;
            for (std::size_t i = 0; i < n; ++i)
            {
                if (boxes[i].box.GetHasPoint(p)) expected.push_back(&boxes[i]);
                nearest = std::min(nearest, info.DistanceSquared(&boxes[i], p));
            }
            std::vector<BoxElement const*> found = tree.GetElementsContaining(p);
            ASSERT_EQ(found, inOrder) << "after " << n << " insertions";
            std::sort(found.begin(), found.end());
            ASSERT_EQ(found, expected) << "after " << n << " insertions";
            ASSERT_EQ(tree.HasElementsContaining(p), !expected.empty());

            double best = DBL_MAX;
            BoxElement const* bestElement = nullptr;
            Zodara::util::NearestSearch(static_cast<BoxTree::Branch const&>(*tree.GetRoot()), info, p, best,
                                        bestElement);
            ASSERT_EQ(best, nearest) << "after " << n << " insertions";
            ASSERT_NE(bestElement, nullptr);
            ASSERT_EQ(info.DistanceSquared(bestElement, p), nearest);
        }
    }
}

} // namespace
