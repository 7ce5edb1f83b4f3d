// Beam geometry: the signed capsule distance, the graph adapter's box, containment and distance.
#include <gtest/gtest.h>

#include <cmath>

#include "graphsearch/GraphEdgeUtilities.h"
#include "graphsearch/GraphElementInfo.h"
#include "graphsearch/SignedBeamDistance.h"

namespace
{
using Zodara::GraphElementInfo;
using Zodara::SignedBeamDistanceSquared;
using P = MMPoint3d<double>;
using V = MMVector<double, 3>;

TEST(SignedBeamDistance, CylinderSideIsTheRadialGap)
{
    P const a(0, 0, 0), b(10, 0, 0);
    EXPECT_DOUBLE_EQ(SignedBeamDistanceSquared(a, b, 2, 2, P(3, 5, 0)), 9.0);
    EXPECT_DOUBLE_EQ(SignedBeamDistanceSquared(a, b, 2, 2, P(3, 0, 1.5)), -0.25);
    EXPECT_DOUBLE_EQ(SignedBeamDistanceSquared(a, b, 2, 2, P(3, 0, 2)), 0.0);
}

TEST(SignedBeamDistance, OnTheAxisIsPositiveZero)
{
    double const d = SignedBeamDistanceSquared(P(0, 0, 0), P(10, 0, 0), 2, 2, P(4, 0, 0));
    EXPECT_EQ(d, 0.0);
    EXPECT_FALSE(std::signbit(d));
}

TEST(SignedBeamDistance, BeyondAnEndIsTheEndSphere)
{
    P const a(0, 0, 0), b(10, 0, 0);
    EXPECT_DOUBLE_EQ(SignedBeamDistanceSquared(a, b, 2, 1, P(-3, 4, 0)), 9.0);  // |p - A| = 5
    EXPECT_DOUBLE_EQ(SignedBeamDistanceSquared(a, b, 2, 1, P(13, 0, 4)), 16.0); // |p - B| = 5
    EXPECT_DOUBLE_EQ(SignedBeamDistanceSquared(a, b, 2, 1, P(-1, 0, 0)), -1.0);
}

// Tapered A (0,0,0) r 2 to B (10,0,0) r 1, p (5,5,0): the surface line runs from (0,2) to (10,1); the
// distance of p from that line is |(5,3) × (10,-1)| / √101 = 35 / √101.
TEST(SignedBeamDistance, TaperedSideIsTheDistanceToTheSurfaceLine)
{
    EXPECT_NEAR(SignedBeamDistanceSquared(P(0, 0, 0), P(10, 0, 0), 2, 1, P(5, 5, 0)), 1225.0 / 101.0, 1e-12);
    EXPECT_NEAR(SignedBeamDistanceSquared(P(0, 0, 0), P(10, 0, 0), 2, 1, P(5, 0, 1)), -(0.5 * 0.5) * 100.0 / 101.0,
                1e-12);
}

TEST(SignedBeamDistance, ZeroLengthBeamIsASphere)
{
    P const a(1, 1, 1);
    EXPECT_DOUBLE_EQ(SignedBeamDistanceSquared(a, a, 2, 7, P(1, 1, 4)), 1.0);
    EXPECT_DOUBLE_EQ(SignedBeamDistanceSquared(a, a, 2, 7, P(1, 1, 2)), -1.0);
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

TEST_F(GraphAdapterTest, OddDiametersAreHalvedExactlyForBoxesAndDownwardForDistance)
{
    Info()->SetEdgeThickness(*edge, {5, 9});
    GraphElementInfo adapter(&mesh);
    ExpectBox(adapter.GetBoundingBox(edge), Box(-2.5, -4.5, -4.5, 104.5, 4.5, 4.5));
    // Radius 2 at A by the distance, 2.5 by containment.
    EXPECT_DOUBLE_EQ(adapter.DistanceSquared(edge, V(-10, 0, 0)), 64.0);
    EXPECT_TRUE(adapter.Intersects(V(-2.4, 0, 0), edge));
    EXPECT_FALSE(adapter.Intersects(V(-2.6, 0, 0), edge));
}

TEST_F(GraphAdapterTest, MinusOneTakesTheDefaultPairForBoxesButRadiusZeroForDistance)
{
    Info()->SetDefaultEdgeThickness({40, 60});
    Info()->SetEdgeThickness(*edge, {-1, 10});
    GraphElementInfo adapter(&mesh);
    // Both ends from the default: radii 20 and 30.
    ExpectBox(adapter.GetBoundingBox(edge), Box(-20, -30, -30, 130, 30, 30));
    EXPECT_TRUE(adapter.Intersects(V(-19, 0, 0), edge));
    // The distance keeps the edge's own pair: -1 / 2 truncates to 0 at A, 5 at B.
    EXPECT_DOUBLE_EQ(adapter.DistanceSquared(edge, V(-10, 0, 0)), 100.0);
    EXPECT_DOUBLE_EQ(adapter.DistanceSquared(edge, V(110, 0, 0)), 25.0);
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

TEST_F(GraphAdapterTest, EndSpheresAreStrictTheSideIsInclusive)
{
    Info()->SetEdgeThickness(*edge, {20, 20});
    GraphElementInfo adapter(&mesh);
    EXPECT_FALSE(adapter.Intersects(V(-10, 0, 0), edge)); // exactly r from A, beyond the end
    EXPECT_TRUE(adapter.Intersects(V(0, 10, 0), edge));   // exactly r from A, but projects onto A
    EXPECT_TRUE(adapter.Intersects(V(50, 10, 0), edge));
    EXPECT_FALSE(adapter.Intersects(V(50, 10.001, 0), edge));
    EXPECT_FALSE(adapter.Intersects(V(108, 7, 0), edge)); // beyond B, outside its sphere
    EXPECT_EQ(adapter.DistanceSquared(edge, V(50, 3, 0)), 0.0);
}

TEST_F(GraphAdapterTest, TaperedSideUsesTheRadiusAtTheFoot)
{
    Info()->SetEdgeThickness(*edge, {40, 0});
    GraphElementInfo adapter(&mesh);
    // At t = 0.5 the interpolated radius is 10.
    EXPECT_TRUE(adapter.Intersects(V(50, 10, 0), edge));
    EXPECT_FALSE(adapter.Intersects(V(50, 10.01, 0), edge));
}

TEST_F(GraphAdapterTest, ZeroLengthEdgeContainsOnlyItsEndSpheres)
{
    MStlGraphEdge const& dot = graph->AddEdge(a, a);
    Info()->SetEdgeThickness(dot, {10, 4});
    GraphElementInfo adapter(&mesh);
    EXPECT_TRUE(adapter.Intersects(V(4.9, 0, 0), &dot));
    EXPECT_FALSE(adapter.Intersects(V(5, 0, 0), &dot));
}

TEST_F(GraphAdapterTest, IntegerEdgeBox)
{
    MStlPoint* c = mesh.AddPoint(10, 0, 0);
    MStlGraphEdge const& e = graph->AddEdge(a, c);
    Info()->SetEdgeThickness(e, {3, 3});
    M3DBoundingBox<long> const box = Zodara::geometricsearches::util::GetBoundingBox(e, Info());
    EXPECT_EQ(box.GetCornerMin(), MMPoint3d<long>(-1, -1, -1));
    EXPECT_EQ(box.GetCornerMax(), MMPoint3d<long>(11, 1, 1));

    Info()->SetDefaultEdgeThickness({8, 8});
    Info()->SetEdgeThickness(e, {-1, 2});
    M3DBoundingBox<long> const fromDefault = Zodara::geometricsearches::util::GetBoundingBox(e, Info());
    EXPECT_EQ(fromDefault.GetCornerMin(), MMPoint3d<long>(-4, -4, -4));
    EXPECT_EQ(fromDefault.GetCornerMax(), MMPoint3d<long>(14, 4, 4));

    M3DBoundingBox<long> const withoutInfo = Zodara::geometricsearches::util::GetBoundingBox(e, nullptr);
    EXPECT_EQ(withoutInfo.GetCornerMin(), MMPoint3d<long>(-5000, -5000, -5000));
    EXPECT_EQ(withoutInfo.GetCornerMax(), MMPoint3d<long>(5010, 5000, 5000));
}
} // namespace
