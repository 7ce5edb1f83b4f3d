// The exact text layout of Print on small trees whose shape follows from the insertion rules; the
// last insertion shows that a node lists its children in slot order.
#include <gtest/gtest.h>

#include <sstream>

#include "graphsearch/box_elements.h"

namespace
{
using namespace vz_test;

std::string const kDashes = "-------------------------------------------------";

std::string LeafLine(std::string const& box, BoxElement const* element)
{
    std::ostringstream line;
    line << "Node: " << box << " (" << static_cast<void const*>(element) << ")\n";
    return line.str();
}

std::string Printed(BoxTree const& tree)
{
    std::ostringstream os;
    tree.Print(os);
    return os.str();
}

std::string Framed(std::string const& body) { return kDashes + "\nTree:\n=====\n" + body + kDashes + "\n"; }

// An empty tree prints its frame only and finds nothing.
TEST(RStarTreePrint, EmptyTreeOneElementAndTheStreamsNumberFormat)
{
    BoxTree tree(std::make_shared<BoxElementInfo>(), 2);
    EXPECT_EQ(Printed(tree), Framed(""));
    MMVector<double, 3> const origin(0.0, 0.0, 0.0);
    EXPECT_FALSE(tree.HasElementsContaining(origin));
    EXPECT_TRUE(tree.GetElementsContaining(origin).empty());
    BoxElement const box = MakeBox(0.5, -1.3, 0, 1, 2, 3);
    tree.Insert(&box);
    EXPECT_EQ(Printed(tree),
              Framed("<<<<{ (0.5, -1.3, 0) - (1, 2, 3) }\n" + LeafLine("{ (0.5, -1.3, 0) - (1, 2, 3) }", &box)));
    std::ostringstream os;
    os.setf(std::ios::fixed);
    os.precision(1);
    tree.Print(os);
    EXPECT_NE(os.str().find("<<<<{ (0.5, -1.3, 0.0) - (1.0, 2.0, 3.0) }\n"), std::string::npos);
}

// Unit cubes along x: e0 [0,1], e1 [10,11], e2 [20,21], e3 [30,31], e4 [44,47] (wider, so that no two
// reinsertion keys tie), then e5 [100,101].
//
// The sixth insertion overflows the root (box x [0,47], doubled centre 47). Reinsertion keys, the
// squared differences of doubled centres along x: e0 46² = 2116, e1 26² = 676, e2 6² = 36,
// e3 14² = 196, e4 44² = 1936, e5 154² = 23716. Largest first: e5, e0, e4, e1, e3, e2; e5 and e0 go,
// the root keeps e4, e1, e3, e2. e0 is reinserted first and fills the root again (e4, e1, e3, e2, e0);
// e5 then overflows it with reinsertion already spent, so the root splits.
//
// Split entries: e5, e4, e1, e3, e2, e0. Along x both sortings give e0..e5; margin sums per k = 2, 3, 4
// are 13+83, 23+73, 33+59: total 2 · 284 = 568. Along y and z every key ties and the entry order
// stays, margin sums 59+33, 93+33, 93+23: total 2 · 334 = 668. So x. All x distributions are disjoint
// (overlap 0); volume sums 11+81, 21+71, 31+57: k = 4 wins. X = e0..e3, Y = e4, e5.
// The root keeps its identity with two new children and level 2.
//
// A seventh cube e6 [60,61] is then routed at level 2 by overlap enlargement: growing X = [0,31] to
// [0,61] would overlap Y = [44,101] by 17, Y already covers e6 (0). It joins Y, which has room:
// nothing splits.
TEST(RStarTreePrint, RootSplitAfterForcedReinsertionThenAnInsertionWithRoom)
{
    std::vector<BoxElement> const e = {MakeBox(0, 0, 0, 1, 1, 1),   MakeBox(10, 0, 0, 11, 1, 1),
                                       MakeBox(20, 0, 0, 21, 1, 1), MakeBox(30, 0, 0, 31, 1, 1),
                                       MakeBox(44, 0, 0, 47, 1, 1), MakeBox(100, 0, 0, 101, 1, 1),
                                       MakeBox(60, 0, 0, 61, 1, 1)};
    BoxTree tree(std::make_shared<BoxElementInfo>(), 2);
    for (std::size_t i = 0; i < 6; ++i) tree.Insert(&e[i]);
    std::string const split =
        "<<<<<<<<{ (0, 0, 0) - (101, 1, 1) }\n<<<<{ (0, 0, 0) - (31, 1, 1) }\n" +
        LeafLine("{ (0, 0, 0) - (1, 1, 1) }", &e[0]) + LeafLine("{ (10, 0, 0) - (11, 1, 1) }", &e[1]) +
        LeafLine("{ (20, 0, 0) - (21, 1, 1) }", &e[2]) + LeafLine("{ (30, 0, 0) - (31, 1, 1) }", &e[3]) +
        "<<<<{ (44, 0, 0) - (101, 1, 1) }\n" + LeafLine("{ (44, 0, 0) - (47, 1, 1) }", &e[4]) +
        LeafLine("{ (100, 0, 0) - (101, 1, 1) }", &e[5]);
    EXPECT_EQ(Printed(tree), Framed(split));
    tree.Insert(&e[6]);
    EXPECT_EQ(Printed(tree), Framed(split + LeafLine("{ (60, 0, 0) - (61, 1, 1) }", &e[6])));
}

} // namespace
