// Beam lattice text files: nodes, beams, diameters, comments, and every kind of refused file.
#include <gtest/gtest.h>

#include "interfaces/MeshData.h"
#include "interfaces/StlFiles.h"
#include "meshdata/BeamGraphIO.h"
#include "stl_bytes.h"

namespace
{
std::unique_ptr<MStlBase> Read(std::string const& text, double scale = 10000.0)
{
    return ReadBeamGraphMemory("lattice.beams.txt", text.data(), text.size(), scale);
}

void ExpectRefused(std::string const& text, std::string const& phrase)
{
    vz_test::ExpectFileError([&] { Read(text); }, "lattice.beams.txt: ", phrase);
}

std::string const kTwoBeams = "# a corner of a lattice\n"
                              "v 0 0 0\n"
                              "v 10 0 0   # trailing comment\n"
                              "\n"
                              "v 0 -2.5 1e1\r\n"
                              "b 0 1 1.2 0.8\n"
                              "b 2 0 0.00005 +1\n";
} // namespace

TEST(BeamGraphFiles, NodesBeamsAndDiametersAreReadInFileOrder)
{
    auto const mesh = Read(kTwoBeams);
    EXPECT_EQ(mesh->NumberOfTriangles(), 0u);
    ASSERT_EQ(mesh->NumberOfPoints(), 3u);
    EXPECT_EQ(mesh->GetPoint(2)->GetInteger(), MMPoint3d<long>(0, -25000, 100000));
    ASSERT_EQ(mesh->NumberOfGraphs(), 1u);
    MStlGraph const* graph = mesh->GetGraph(0);
    ASSERT_EQ(graph->NumberOfEdges(), 2u);
    EXPECT_EQ(graph->GetEdge(0).GetFirstVertex(), mesh->GetPoint(0));
    EXPECT_EQ(graph->GetEdge(0).GetSecondVertex(), mesh->GetPoint(1));
    EXPECT_EQ(graph->GetEdge(1).GetFirstVertex(), mesh->GetPoint(2));
    EXPECT_EQ(graph->GetEdge(1).GetSecondVertex(), mesh->GetPoint(0));
    MStlBaseElementInfo const* info = MStlBaseElementInfoStlDependency::GetDependency(mesh.get(), true);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetEdgeThickness(graph->GetEdge(0)), (MStlGraphEdgeThickness{12000, 8000}));
    // 0.00005 mm is half a unit and rounds away from zero.
    EXPECT_EQ(info->GetEdgeThickness(graph->GetEdge(1)), (MStlGraphEdgeThickness{1, 10000}));
    // The scale applies to diameters as well as to coordinates.
    auto const coarse = Read(kTwoBeams, 10.0);
    EXPECT_EQ(coarse->GetPoint(1)->GetInteger(), MMPoint3d<long>(100, 0, 0));
    EXPECT_EQ(coarse->GetElementInfo()->GetEdgeThickness(coarse->GetGraph(0)->GetEdge(0)),
              (MStlGraphEdgeThickness{12, 8}));
}

TEST(BeamGraphFiles, BadLatticesAreRefusedWithTheFileNameTheLineAndTheProblem)
{
    ExpectRefused("", "empty file");
    ExpectRefused("v 0 0 0\nx 1 2 3\n", "line 2: expected 'v', 'b' or '#' but found 'x'");
    ExpectRefused("v 0 0\nv 1 1 1\n", "line 1: the line ends where a number should follow");
    ExpectRefused("v 0 0 0 0\n", "line 1: unexpected '0' at the end of the line");
    ExpectRefused("v 0 zero 0\n", "line 1: 'zero' is not a number");
    ExpectRefused("v 0 nan 0\n", "line 1: coordinate is NaN");
    ExpectRefused("v 0 0 1e300\n", "line 1: coordinate 1e+300 mm lies beyond the 32-bit range");
    std::string const nodes = "v 0 0 0\nv 1 0 0\n";
    ExpectRefused(nodes + "b 0 1 inf 1\n", "line 3: diameter is infinite");
    ExpectRefused(nodes + "b 0 1 -0.5 1\n", "line 3: diameter -0.5 is negative");
    ExpectRefused(nodes + "b 0 1 1\n", "line 3: the line ends where a number should follow");
    ExpectRefused(nodes + "b 0 1.5 1 1\n", "line 3: '1.5' is not a node index");
    ExpectRefused(nodes + "b 0 -1 1 1\n", "'-1' is not a node index");
    ExpectRefused(nodes + "b 1 1 1 1\n", "line 3: beam joins node 1 to itself");
    ExpectRefused(nodes + "b 0 2 1 1\n", "line 3: node 2 does not exist (the file has 2 nodes)");
    ExpectRefused(nodes + "b 0 1 1 1 7\n", "unexpected '7'");
}
