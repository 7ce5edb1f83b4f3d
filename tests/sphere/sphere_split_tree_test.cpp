#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "sphere/SphereSplitTree.h"

namespace
{

using Point = MMPoint3d<double>;
constexpr double kPi = 3.141592653589793;
double const kPhi = (1.0 + std::sqrt(5.0)) / 2.0;

Point Unit(Point const& p) { return p / p.Length(); }

Point RandomDirection(std::mt19937& rng)
{
    std::normal_distribution<double> normal;
    for (;;)
    {
        Point const p(normal(rng), normal(rng), normal(rng));
        if (p.Length() > 1e-3) return Unit(p);
    }
}

double AngleDegrees(Point const& a, Point const& b) { return std::acos(std::clamp(a.Dot(b), -1.0, 1.0)) * 180.0 / kPi; }

struct WeightedDirection
{
    Point direction;
    double value;
};

double BruteForceCapSum(std::vector<WeightedDirection> const& added, Point const& q, double maxAngleDegrees)
{
    double sum = 0.0;
    for (auto const& d : added)
        if (AngleDegrees(d.direction, q) <= maxAngleDegrees) sum += d.value;
    return sum;
}

} // namespace

// The roots are the icosahedron's faces in order, counter-clockwise from outside; each depth splits
// every cell into four in child order, depth first, with unit centres and about half the error.
TEST(SphereSplitTree, RootsFollowTheFaceOrderOfTheIcosahedronAndEachDepthQuartersTheCells)
{
    Point const v[12] = {{0, -1, -kPhi}, {-1, -kPhi, 0}, {-kPhi, 0, -1}, {0, -1, kPhi}, {-1, kPhi, 0}, {kPhi, 0, -1},
                         {0, 1, -kPhi},  {1, -kPhi, 0},  {-kPhi, 0, 1},  {0, 1, kPhi},  {1, kPhi, 0},  {kPhi, 0, 1}};
    int const faces[20][3] = {{0, 1, 2}, {0, 7, 1},  {0, 2, 6},  {0, 6, 5},  {0, 5, 7},   {1, 8, 2},  {1, 7, 3},
                              {1, 3, 8}, {2, 4, 6},  {2, 8, 4},  {3, 7, 11}, {3, 9, 8},   {3, 11, 9}, {4, 10, 6},
                              {4, 8, 9}, {4, 9, 10}, {5, 6, 10}, {5, 11, 7}, {5, 10, 11}, {9, 11, 10}};
    // Negative depths mean depth 0; the list is replaced, not appended to.
    std::vector<Point> centres{Point(9, 9, 9)};
    SphereSplitTree::GetUniformlyDistributedPoints(centres, -3);
    ASSERT_EQ(centres.size(), 20u);
    for (int f = 0; f < 20; ++f)
    {
        Point const a = v[faces[f][0]], b = v[faces[f][1]], c = v[faces[f][2]];
        EXPECT_NEAR((centres[f] - Unit(a + b + c)).Length(), 0.0, 1e-14) << "face " << f;
        EXPECT_GT((b - a).Cross(c - b).Dot(a), 0.0) << "face " << f << " not counter-clockwise from outside";
    }
    // Depth first: the first four centres at depth 1 are the children of root 0, in child order.
    SphereSplitTree::GetUniformlyDistributedPoints(centres, 1);
    Point const c0 = Unit(v[0]), c1 = Unit(v[1]), c2 = Unit(v[2]);
    Point const m01 = Unit((c0 + c1) / 2.0), m12 = Unit((c1 + c2) / 2.0), m02 = Unit((c0 + c2) / 2.0);
    Point const children[4] = {Unit(c0 + m01 + m02), Unit(c1 + m12 + m01), Unit(c2 + m02 + m12), Unit(m01 + m12 + m02)};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR((centres[k] - children[k]).Length(), 0.0, 1e-14) << "child " << k;

    // At depth 0 a cell is a face: its radius is the angle from the face centre to a vertex.
    double previousError = AngleDegrees(Unit(v[0] + v[1] + v[2]), Unit(v[0]));
    EXPECT_NEAR(SphereSplitTree(-1).GetMaxError(), previousError, 1e-9);
    EXPECT_NEAR(SphereSplitTree(0).GetMaxError(), previousError, 1e-9);
    for (int depth = 1; depth <= 4; ++depth)
    {
        double const error = SphereSplitTree(depth).GetMaxError();
        EXPECT_LT(error, 0.6 * previousError) << "depth " << depth;
        EXPECT_GT(error, 0.4 * previousError) << "depth " << depth;
        previousError = error;
        SphereSplitTree::GetUniformlyDistributedPoints(centres, depth);
        ASSERT_EQ(centres.size(), 20u << (2 * depth)) << "depth " << depth;
        for (Point const& p : centres) EXPECT_NEAR(p.Length(), 1.0, 1e-14);
    }
}

// A value at a leaf centre counts exactly when the centre lies in the cap: no resolution slack. Cosines
// beyond -1 and 1 take everything and nothing; the query's length does not matter.
TEST(SphereSplitTree, ValuesAtCellCentresSumExactlyOverCaps)
{
    EXPECT_EQ(SphereSplitTree(2).GetValue(Point(0, 0, 1), -1.0), 0.0) << "an empty tree";
    for (int depth : {0, 2, 3})
    {
        std::vector<Point> centres;
        SphereSplitTree::GetUniformlyDistributedPoints(centres, depth);
        SphereSplitTree tree(depth);
        for (std::size_t i = 0; i < centres.size(); ++i) tree.AddPointValue(centres[i] * 3.0, double(1 + i % 7));
        std::mt19937 rng(11 + depth);
        std::uniform_real_distribution<double> cosine(-1.0, 1.0);
        for (int i = 0; i < 200; ++i)
        {
            Point const q = RandomDirection(rng);
            double const c = i < 4 ? std::array<double, 4>{-2.5, -1.0, 1.0 + 1e-9, 3.0}[i] : cosine(rng);
            double expected = 0.0;
            for (std::size_t k = 0; k < centres.size(); ++k)
                if (centres[k].Dot(q) >= c) expected += double(1 + k % 7);
            EXPECT_EQ(tree.GetValue(q, c), expected) << "depth " << depth << " cosine " << c;
            EXPECT_EQ(tree.GetValue(q * 123.0, c), expected) << "depth " << depth << " cosine " << c;
        }
        // Every cell centre has a zero product with the zero direction.
        EXPECT_EQ(tree.GetValue(Point(0, 0, 0), 0.0), tree.GetValue(Point(0, 0, 1), -1.0));
        EXPECT_EQ(tree.GetValue(Point(0, 0, 0), 1e-12), 0.0);
    }
}

TEST(SphereSplitTree, CapSumsOfRandomDirectionsStayWithinTheResolution)
{
    SphereSplitTree tree(4);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> weight(0.5, 2.0);
    std::vector<WeightedDirection> added;
    for (int i = 0; i < 4000; ++i)
    {
        added.push_back({RandomDirection(rng), weight(rng)});
        tree.AddPointValue(added.back().direction * 0.25, added.back().value);
    }
    // A cell counts whole or not at all: the answer lies between the brute-force sums over the cap
    // shrunk and grown by the largest cell radius.
    double const slack = tree.GetMaxError() + 1e-6;
    for (double angle : {0.5, 2.0, 5.0, 10.0, 30.0, 60.0, 90.0, 120.0, 150.0, 178.0})
        for (int i = 0; i < 25; ++i)
        {
            Point const q = RandomDirection(rng);
            double const value = tree.GetValue(q, std::cos(angle * kPi / 180.0));
            EXPECT_GE(value, BruteForceCapSum(added, q, angle - slack) - 1e-9) << angle;
            EXPECT_LE(value, BruteForceCapSum(added, q, angle + slack) + 1e-9) << angle;
        }
}

TEST(SphereSplitTree, DirectionsOnSharedCornersGoToTheFirstCell)
{
    int const depth = 3;
    std::vector<Point> centres;
    SphereSplitTree::GetUniformlyDistributedPoints(centres, depth);
    // The zero direction lies within every cell's tolerance; icosahedron vertex 0 is a corner of
    // five roots. Both go to root 0, child 0 at every level: the first leaf.
    for (Point const& direction : {Point(0, 0, 0), Point(0, -1, -kPhi)})
    {
        SphereSplitTree tree(depth);
        tree.AddPointValue(direction, 5.0);
        double const nearlyOne = std::cos(1e-4);
        EXPECT_EQ(tree.GetValue(centres[0], nearlyOne), 5.0);
        EXPECT_EQ(tree.GetValue(Point(1, 2, 3), -1.0), 5.0);
        for (std::size_t i = 1; i < centres.size(); ++i) ASSERT_EQ(tree.GetValue(centres[i], nearlyOne), 0.0) << i;
    }
}
