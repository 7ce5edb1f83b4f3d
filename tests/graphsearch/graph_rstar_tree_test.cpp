// The two clearance searches over generated lattices, the graph R*-tree and the static object tree of
// edges, and the R*-tree's containment, against brute force over all beams.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

#include "graphsearch/GraphEdgeUtilities.h"
#include "graphsearch/GraphRStarTree.h"
#include "graphsearch/LatticeGenerator.h"
#include "graphsearch/beam_brute_force.h"
#include "graphsearch/detail/ObjectTreeClearance.h"

namespace
{
using namespace Zodara;
using namespace Zodara::geometricsearches;
using P = MMPoint3d<double>;
using V = MMVector<double, 3>;
using EdgeTree = MeshQueries::M3DObjectTree<MStlGraphEdge>;

using vz_test::BruteForceClearance;

// The object tree as the pore search builds it.
EdgeTree BuildObjectTree(MStlGraph const* graph, MStlBaseElementInfo const* info)
{
    MeshQueries::M3DObjectTreeBase::Parameters parameters;
    parameters.cacheBoxes = true;
    parameters.maxLeafSize = 30;
    return EdgeTree(MStlIteratorGraphEdgeConst::Begin(graph), MStlIteratorGraphEdgeConst::End(graph),
                    geometricsearches::util::MakeEdgeBoxFunction(info), parameters);
}

bool BruteForceContains(MStlGraph const& graph, GraphElementInfo const& adapter, P const& p)
{
    for (MStlGraphEdge const& edge : graph.GetEdges())
        if (adapter.Intersects(V(p.x, p.y, p.z), &edge)) return true;
    return false;
}

struct LatticeCase
{
    LatticeCellType type;
    std::int32_t firstDiameter, secondDiameter;
};

class GraphTreeOnLattice : public ::testing::TestWithParam<LatticeCase>
{
protected:
    void SetUp() override
    {
        description = {GetParam().type,          1000, 3, 4, 2, {-700, 0, 300}, GetParam().firstDiameter,
                       GetParam().secondDiameter};
        graph = GenerateLattice(mesh, description);
        // A handful of beams take the default thickness (first diameter -1): radius 0 at that end for
        // distances, the default pair for boxes and containment.
        mesh.GetOrCreateElementInfo()->SetDefaultEdgeThickness({300, 300});
        for (std::size_t e = 0; e < graph->NumberOfEdges(); e += 7)
            mesh.GetOrCreateElementInfo()->SetEdgeThickness(graph->GetEdge(e), {-1, 120});
    }

    // Random points over the lattice and a margin, plus nodes (on the axes) and strut midpoints.
    std::vector<P> Probes(std::size_t count)
    {
        std::mt19937 random(11);
        M3DBoundingBox<double> const box = LatticeBox(description);
        std::uniform_real_distribution<double> x(box.min[0] - 600, box.max[0] + 600),
            y(box.min[1] - 600, box.max[1] + 600), z(box.min[2] - 600, box.max[2] + 600);
        std::vector<P> probes;
        for (std::size_t i = 0; i < count; ++i) probes.emplace_back(x(random), y(random), z(random));
        for (std::size_t e = 0; e < graph->NumberOfEdges(); e += 3)
        {
            P const a = graph->GetEdge(e).GetFirstVertex()->Get(), b = graph->GetEdge(e).GetSecondVertex()->Get();
            probes.push_back(a);
            probes.push_back((a + b) * 0.5);
            probes.push_back(a + (b - a) * 0.3 + P(0, 0, 40));
        }
        return probes;
    }

    MStlBase mesh;
    LatticeDescription description;
    MStlGraph* graph = nullptr;
};

// A cut-off below the clearance answers the cut-off itself. Containment is decided by the adapter,
// not by the beam's box, and the R*-tree holds every edge once.
TEST_P(GraphTreeOnLattice, BothTreesMeasureTheClearanceAndTheRStarTreeTheContainmentOfBruteForce)
{
    GraphRStarTree const tree(graph);
    MStlBaseElementInfo const* info = mesh.GetElementInfo();
    EdgeTree const objectTree = BuildObjectTree(graph, info);
    GraphElementInfo const adapter(&mesh);
    std::size_t inside = 0;
    for (P p : Probes(600))
    {
        double const expected = BruteForceClearance(*graph, *info, p);
        inside += expected == 0.0;
        EXPECT_NEAR(geometricsearches::util::GetDistance(tree, p, DBL_MAX), expected, 1e-9 * (1.0 + expected));
        EXPECT_NEAR(geometricsearches::util::GetDistance(objectTree, info, p, DBL_MAX), expected,
                    1e-9 * (1.0 + expected));
        if (expected > 2.0)
        {
            EXPECT_EQ(geometricsearches::util::GetDistance(objectTree, info, p, 1.0), 1.0);
        }
        bool const contained = BruteForceContains(*graph, adapter, p);
        EXPECT_EQ(tree.Contains(p), contained);
        EXPECT_EQ(tree.HasElementsContaining(V(p.x, p.y, p.z)), contained);
        for (MStlGraphEdge const* edge : tree.GetElementsContaining(V(p.x, p.y, p.z)))
            EXPECT_TRUE(adapter.Intersects(V(p.x, p.y, p.z), edge));
    }
    EXPECT_GT(inside, 40u);
    std::vector<MStlGraphEdge const*> seen;
    tree.GetRoot()->VisitLeaves([&seen](auto const& leaf) { seen.push_back(leaf.GetElement()); });
    std::sort(seen.begin(), seen.end());
    ASSERT_EQ(seen.size(), graph->NumberOfEdges());
    for (std::size_t e = 0; e < graph->NumberOfEdges(); ++e) EXPECT_EQ(seen[e], &graph->GetEdges()[e]);
}

INSTANTIATE_TEST_SUITE_P(Cells, GraphTreeOnLattice,
                         ::testing::Values(LatticeCase{LatticeCellType::SimpleCubic, 200, 200},
                                           LatticeCase{LatticeCellType::BodyCentredCubic, 151, 60},
                                           LatticeCase{LatticeCellType::Octet, 81, 120}));

// Without edges the R*-tree has no root and answers the square root of its limit; the object tree
// answers the cut-off, which may be infinite.
TEST(GraphTrees, EmptyGraphsFindNothing)
{
    MStlBase mesh;
    MStlGraph* graph = mesh.AddGraph();
    GraphRStarTree const tree(graph);
    EXPECT_EQ(tree.GetRoot(), nullptr);
    EXPECT_FALSE(tree.Contains(P(0, 0, 0)));
    P p(1, 2, 3);
    EXPECT_EQ(geometricsearches::util::GetDistance(tree, p, 1.0), std::sqrt(DBL_MAX));
    EXPECT_THROW(GraphRStarTree{nullptr}, std::invalid_argument);

    double const infinity = std::numeric_limits<double>::infinity();
    EdgeTree const objectTree = BuildObjectTree(graph, nullptr);
    EXPECT_EQ(geometricsearches::util::GetDistance(objectTree, nullptr, p, infinity), infinity);
    EXPECT_EQ(geometricsearches::util::GetDistance(objectTree, nullptr, p, DBL_MAX), infinity);
    EXPECT_EQ(geometricsearches::util::GetDistance(objectTree, nullptr, p, 7.0), 7.0);
}

TEST(GraphRStarTree, BoundingBoxesOfGraphAndMeshIgnoreThickness)
{
    MStlBase mesh;
    MStlPoint* a = mesh.AddPoint(-5, 7, 1);
    MStlPoint* b = mesh.AddPoint(3, -2, 9);
    mesh.AddPoint(100, 100, 100); // not on any edge
    MStlGraph* graph = mesh.AddGraph();
    mesh.GetOrCreateElementInfo()->SetEdgeThickness(graph->AddEdge(a, b), {50, 50});
    M3DBoundingBox<double> const fromGraph = GraphRStarTree::CreateBoundingBox(graph);
    EXPECT_EQ(fromGraph.GetCornerMin(), P(-5, -2, 1));
    EXPECT_EQ(fromGraph.GetCornerMax(), P(3, 7, 9));
    M3DBoundingBox<double> const fromMesh = GraphRStarTree::CreateBoundingBox(&mesh);
    EXPECT_EQ(fromMesh.GetCornerMin(), P(-5, -2, 1));
    EXPECT_EQ(fromMesh.GetCornerMax(), P(100, 100, 100));
    EXPECT_TRUE(GraphRStarTree::CreateBoundingBox(mesh.AddGraph()).IsEmpty());
}

// An adapter of the caller's, owned by the tree: containment follows it, not the mesh.
class EverythingInside : public GraphElementInfo
{
public:
    using GraphElementInfo::GraphElementInfo;
    bool Intersects(MMVector<double, 3> const&, MStlGraphEdge const* const&) const override { return true; }
};

TEST(GraphRStarTree, TakesOverTheCallersAdapter)
{
    MStlBase mesh;
    MStlGraph* graph = mesh.AddGraph();
    graph->AddEdge(mesh.AddPoint(0, 0, 0), mesh.AddPoint(10, 0, 0));
    GraphRStarTree const tree(graph, new EverythingInside(&mesh));
    EXPECT_TRUE(tree.Contains(P(5, 100, 0)));     // inside the root box (radius 5000), adapter says yes
    EXPECT_FALSE(tree.Contains(P(5, 100000, 0))); // outside the root box
    vz_test::ExpectInvalidArgument([&] { GraphRStarTree(graph, nullptr); }, "ip_elementInfo");
}
} // namespace
