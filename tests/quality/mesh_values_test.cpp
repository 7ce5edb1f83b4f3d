// The values of a metric over a whole mesh against the metric asked triangle by triangle, bit for
// bit, on meshes where the fan walks are long, cycle without returning, or stop at open edges.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "quality/MTriangleQualityCalculator.h"
#include "quality_test_meshes.h"
#include "support/closed_mesh_builders.h"
#include "support/high_valence_meshes.h"

namespace
{

using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;

void ExpectSameAsOneByOne(MStlBase const& mesh)
{
    for (int m = 1; m <= 36; ++m)
    {
        auto const metric = Calc::MetricType(m);
        std::vector<double> const all = Calc::GetTriangleShapeQualities(&mesh, metric);
        ASSERT_EQ(all.size(), mesh.NumberOfTriangles());
        int below = 0;
        for (std::size_t e = 0; e < all.size(); ++e)
        {
            double const one = Calc::GetTriangleShapeQuality(mesh.GetTriangle(e), metric);
            ASSERT_EQ(0, std::memcmp(&one, &all[e], sizeof one)) << "metric " << m << " triangle " << e;
            if (one < 0.5) ++below;
        }
        EXPECT_EQ(Calc::GetNumberOfBadTriangles(&mesh, 0.5, metric), below) << "metric " << m;
    }
}

TEST(MeshValues, ConeFansAgreeWithTheWalkOfEachTriangle)
{
    for (int segments : {3, 7, 64, 65, 300})
    {
        MStlBase mesh;
        vz_test::AddFanCone(mesh, segments, 2.0e5 + segments, 1000 + 37 * segments);
        ExpectSameAsOneByOne(mesh);
    }
}

TEST(MeshValues, StackedCopiesAgreeWithTheWalkOfEachTriangle)
{
    for (int copies : {2, 3, 70, 200})
    {
        MStlBase mesh;
        vz_test::AddStackedCopies(mesh, copies);
        ExpectSameAsOneByOne(mesh);
        // Some copies turned over: the walks switch between copies running each way.
        for (int i = 0; i < copies; i += 3) mesh.GetTriangle(std::size_t(i))->Invert(0);
        ExpectSameAsOneByOne(mesh);
    }
}

TEST(MeshValues, JitteredClosedBoxAndOpenStripAgree)
{
    std::mt19937 random(11);
    MStlBase box;
    vz_test::AddBox(box, {0, 0, 0}, {50000, 40000, 30000}, 6);
    vz_test::JitterVertices(box, 3000, random);
    ExpectSameAsOneByOne(box);
    vz_test::Strip strip;
    ExpectSameAsOneByOne(strip.mesh);
}

TEST(MeshValues, RandomTrianglesOnFewPointsAgree)
{
    // Non-manifold edges, flipped neighbours, repeated corners and fans that never close.
    std::mt19937 random(5);
    for (int round = 0; round < 10; ++round)
    {
        MStlBase mesh;
        std::vector<MStlPoint*> points;
        for (int i = 0; i < 7; ++i)
            points.push_back(mesh.AddPoint(int(random() % 1000), int(random() % 1000), int(random() % 1000)));
        for (int i = 0; i < 60; ++i) mesh.AddTriangle(points[random() % 7], points[random() % 7], points[random() % 7]);
        ExpectSameAsOneByOne(mesh);
    }
}

TEST(MeshValues, NullMeshIsRefused)
{
    EXPECT_THROW(Calc::GetTriangleShapeQualities(nullptr, Calc::RadiusRatio), std::invalid_argument);
}

} // namespace
