// Beam geometry: the signed capsule distance, the graph adapter's box, containment and distance.
#include <gtest/gtest.h>

#include <cmath>

#include "graphsearch/GraphEdgeUtilities.h"
#include "graphsearch/GraphElementInfo.h"
#include "graphsearch/detail/ObjectTreeClearance.h"
#include "graphsearch/detail/SignedBeamDistance.h"

namespace
{
using Zodara::GraphElementInfo;
using Zodara::SignedBeamDistanceSquared;
using P = MMPoint3d<double>;
using V = MMVector<double, 3>;

// Hand-worked cases at the boundaries and inside, where the sign matters. Tapered A (0,0,0) r 2 to
// B (10,0,0) r 1, p (5,0,1): the surface line runs from (0,2) to (10,1); the distance of p from it is
// |(5,-1) x (10,-1)| / sqrt(101) = 5 / sqrt(101), inside.
TEST(SignedBeamDistance, HandWorkedCases)
{
    struct Case
    {
        char const* what;
        P a, b;
        double ra, rb;
        P p;
        double expected;
    } const cases[] = {
        {"inside the side", P(0, 0, 0), P(10, 0, 0), 2, 2, P(3, 0, 1.5), -0.25},
        {"on the side", P(0, 0, 0), P(10, 0, 0), 2, 2, P(3, 0, 2), 0.0},
        {"beyond A: |p - A| = 5", P(0, 0, 0), P(10, 0, 0), 2, 1, P(-3, 4, 0), 9.0},
        {"inside the sphere at A", P(0, 0, 0), P(10, 0, 0), 2, 1, P(-1, 0, 0), -1.0},
        {"inside the tapered side", P(0, 0, 0), P(10, 0, 0), 2, 1, P(5, 0, 1), -0.25 * 100.0 / 101.0},
        {"zero length: a sphere", P(1, 1, 1), P(1, 1, 1), 2, 7, P(1, 1, 4), 1.0},
        {"inside the zero-length sphere", P(1, 1, 1), P(1, 1, 1), 2, 7, P(1, 1, 2), -1.0},
    };
    for (Case const& c : cases)
        EXPECT_NEAR(SignedBeamDistanceSquared(c.a, c.b, c.ra, c.rb, c.p), c.expected, 1e-12) << c.what;
    double const onAxis = SignedBeamDistanceSquared(P(0, 0, 0), P(10, 0, 0), 2, 2, P(4, 0, 0));
    EXPECT_EQ(onAxis, 0.0);
    EXPECT_FALSE(std::signbit(onAxis));
}

class GraphAdapterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        a = mesh.AddPoint(0, 0, 0);
        b = mesh.AddPoint(100, 0, 0);
        graph = mesh.AddGraph();
        edge = &graph->AddEdge(a, b);
    }
    MStlBaseElementInfo* Info() { return mesh.GetOrCreateElementInfo(); }
    static MBoundingBoxND<double, 3> Box(double x0, double y0, double z0, double x1, double y1, double z1)
    {
        return MBoundingBoxND<double, 3>(V(x0, y0, z0), V(x1, y1, z1));
    }
    static void ExpectBox(MBoundingBoxND<double, 3> const& box, MBoundingBoxND<double, 3> const& expected)
    {
        EXPECT_EQ(box.GetCornerMin(), expected.GetCornerMin());
        EXPECT_EQ(box.GetCornerMax(), expected.GetCornerMax());
    }

    MStlBase mesh;
    MStlPoint *a = nullptr, *b = nullptr;
    MStlGraph* graph = nullptr;
    MStlGraphEdge const* edge = nullptr;
};

TEST_F(GraphAdapterTest, WithoutElementInfoEveryBeamHasRadius5000)
{
    GraphElementInfo adapter(&mesh);
    ExpectBox(adapter.GetBoundingBox(edge), Box(-5000, -5000, -5000, 5100, 5000, 5000));
    EXPECT_TRUE(adapter.Intersects(V(50, 4999, 0), edge));
    EXPECT_FALSE(adapter.Intersects(V(50, 5001, 0), edge));
    adapter.SetThicknessFactor(0.5);
    ExpectBox(adapter.GetBoundingBox(edge), Box(-2500, -2500, -2500, 2600, 2500, 2500));
}

// Boxes and containment halve odd diameters exactly and take the default pair for -1; the distance
// halves downward in integers, so -1 gives radius 0.
TEST_F(GraphAdapterTest, OddAndDefaultDiametersForBoxesContainmentAndDistance)
{
    Info()->SetEdgeThickness(*edge, {5, 9});
    GraphElementInfo odd(&mesh);
    ExpectBox(odd.GetBoundingBox(edge), Box(-2.5, -4.5, -4.5, 104.5, 4.5, 4.5));
    // Radius 2 at A by the distance, 2.5 by containment.
    EXPECT_DOUBLE_EQ(odd.DistanceSquared(edge, V(-10, 0, 0)), 64.0);
    EXPECT_TRUE(odd.Intersects(V(-2.4, 0, 0), edge));
    EXPECT_FALSE(odd.Intersects(V(-2.6, 0, 0), edge));

    Info()->SetDefaultEdgeThickness({40, 60});
    Info()->SetEdgeThickness(*edge, {-1, 10});
    GraphElementInfo defaulted(&mesh);
    // Both ends from the default: radii 20 and 30.
    ExpectBox(defaulted.GetBoundingBox(edge), Box(-20, -30, -30, 130, 30, 30));
    EXPECT_TRUE(defaulted.Intersects(V(-19, 0, 0), edge));
    // The distance keeps the edge's own pair: -1 / 2 truncates to 0 at A, 5 at B.
    EXPECT_DOUBLE_EQ(defaulted.DistanceSquared(edge, V(-10, 0, 0)), 100.0);
    EXPECT_DOUBLE_EQ(defaulted.DistanceSquared(edge, V(110, 0, 0)), 25.0);
}

TEST_F(GraphAdapterTest, ThicknessFactorScalesBoxesAndContainmentOnly)
{
    Info()->SetEdgeThickness(*edge, {20, 20});
    GraphElementInfo adapter(&mesh);
    double const before = adapter.DistanceSquared(edge, V(50, 30, 0));
    adapter.SetThicknessFactor(2.0);
    ExpectBox(adapter.GetBoundingBox(edge), Box(-20, -20, -20, 120, 20, 20));
    EXPECT_TRUE(adapter.Intersects(V(50, 19, 0), edge));
    EXPECT_DOUBLE_EQ(adapter.DistanceSquared(edge, V(50, 30, 0)), before);
    EXPECT_DOUBLE_EQ(before, 400.0);
    GraphElementInfo copy(adapter);
    EXPECT_TRUE(copy.Intersects(V(50, 19, 0), edge));
}

// Containment: strict in the end spheres, inclusive on the side, whose radius is interpolated at the
// foot of the point; a zero-length edge is its end sphere.
TEST_F(GraphAdapterTest, ContainmentBoundaries)
{
    MStlGraphEdge const& dot = graph->AddEdge(a, a);
    edge = &graph->GetEdge(0); // adding may have moved the first edge
    Info()->SetEdgeThickness(*edge, {20, 20});
    Info()->SetEdgeThickness(dot, {10, 4});
    GraphElementInfo adapter(&mesh);
    EXPECT_FALSE(adapter.Intersects(V(-10, 0, 0), edge)); // exactly r from A, beyond the end
    EXPECT_TRUE(adapter.Intersects(V(0, 10, 0), edge));   // exactly r from A, but projects onto A
    EXPECT_TRUE(adapter.Intersects(V(50, 10, 0), edge));
    EXPECT_FALSE(adapter.Intersects(V(50, 10.001, 0), edge));
    EXPECT_FALSE(adapter.Intersects(V(108, 7, 0), edge)); // beyond B, outside its sphere
    EXPECT_EQ(adapter.DistanceSquared(edge, V(50, 3, 0)), 0.0);
    EXPECT_TRUE(adapter.Intersects(V(4.9, 0, 0), &dot));
    EXPECT_FALSE(adapter.Intersects(V(5, 0, 0), &dot));

    // Tapered from 20 to 0: at t = 0.5 the radius is 10.
    Info()->SetEdgeThickness(*edge, {40, 0});
    GraphElementInfo tapered(&mesh);
    EXPECT_TRUE(tapered.Intersects(V(50, 10, 0), edge));
    EXPECT_FALSE(tapered.Intersects(V(50, 10.01, 0), edge));
}

TEST_F(GraphAdapterTest, IntegerEdgeBox)
{
    MStlPoint* c = mesh.AddPoint(10, 0, 0);
    MStlGraphEdge const& e = graph->AddEdge(a, c);
    Info()->SetEdgeThickness(e, {3, 3});
    using L = MMPoint3d<long>;
    auto expectBox = [&](MStlBaseElementInfo const* info, L const& min, L const& max)
    {
        M3DBoundingBox<long> const box = Zodara::geometricsearches::util::GetBoundingBox(e, info);
        EXPECT_EQ(box.GetCornerMin(), min);
        EXPECT_EQ(box.GetCornerMax(), max);
    };
    expectBox(Info(), L(-1, -1, -1), L(11, 1, 1));
    // The object tree's box function gives the same box.
    M3DBoundingBox<double> const treeBox = Zodara::geometricsearches::util::MakeEdgeBoxFunction(Info())(e);
    EXPECT_EQ(treeBox.GetCornerMin(), MMPoint3d<double>(-1, -1, -1));
    EXPECT_EQ(treeBox.GetCornerMax(), MMPoint3d<double>(11, 1, 1));
    expectBox(nullptr, L(-5000, -5000, -5000), L(5010, 5000, 5000));
    Info()->SetDefaultEdgeThickness({8, 8});
    Info()->SetEdgeThickness(e, {-1, 2});
    expectBox(Info(), L(-4, -4, -4), L(14, 4, 4));
}
} // namespace
