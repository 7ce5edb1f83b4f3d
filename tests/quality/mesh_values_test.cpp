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

int Bad(MStlBase const& mesh, double threshold, int metric)
{
    return Calc::GetNumberOfBadTriangles(&mesh, threshold, Calc::MetricType(metric));
}

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

TEST(MeshValues, AgreeWithTheWalkOfEachTriangleOnFansStacksClosedAndOpenMeshesAndSoups)
{
    for (int segments : {3, 7, 64, 65, 300})
    {
        MStlBase mesh;
        vz_test::AddFanCone(mesh, segments, 2.0e5 + segments, 1000 + 37 * segments);
        ExpectSameAsOneByOne(mesh);
    }
    for (int copies : {2, 3, 70, 200})
    {
        MStlBase mesh;
        vz_test::AddStackedCopies(mesh, copies);
        ExpectSameAsOneByOne(mesh);
        // Some copies turned over: the walks switch between copies running each way.
        for (int i = 0; i < copies; i += 3) mesh.GetTriangle(std::size_t(i))->Invert(0);
        ExpectSameAsOneByOne(mesh);
    }
    // A trihedral corner of 74 triangles in three flat sectors A-B, B-C, C-A, and outside it T, in
    // the plane of the first one: T's walk cycles round the corner, folds at A, C (sharpest) and B
    // (gentlest, after more than 64 steps) and never comes back to T, so where it is cut off counts.
    {
        MStlBase mesh;
        MStlPoint* const apex = mesh.AddPoint(0, 0, 0);
        vz_test::Vertex const corners[3] = {{1200, 0, -1200}, {-600, 1080, -2400}, {-600, -1080, -600}};
        std::vector<MStlPoint*> rim;
        int const counts[3] = {4, 40, 30};
        for (int side = 0; side < 3; ++side)
            for (int i = 0, count = counts[side]; i < count; ++i)
            {
                vz_test::Vertex const &p = corners[side], &q = corners[(side + 1) % 3];
                rim.push_back(mesh.AddPoint(p.x + (q.x - p.x) * i / count, p.y + (q.y - p.y) * i / count,
                                            p.z + (q.z - p.z) * i / count));
            }
        for (std::size_t k = 0; k < rim.size(); ++k) mesh.AddTriangle(apex, rim[k], rim[(k + 1) % rim.size()]);
        mesh.AddTriangle(apex, rim[1], mesh.AddPoint(-150, 810, -2100)); // 3 rim[1] - 2 rim[0]
        ExpectSameAsOneByOne(mesh);
    }
    std::mt19937 random(11);
    MStlBase box;
    vz_test::AddBox(box, {0, 0, 0}, {50000, 40000, 30000}, 6);
    vz_test::JitterVertices(box, 3000, random);
    ExpectSameAsOneByOne(box);
    ExpectSameAsOneByOne(vz_test::Strip().mesh);
    // Soups on few points: non-manifold edges, flipped neighbours, repeated corners, open fans.
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

TEST(BadTriangles, ValuesEqualToTheThresholdAreNotCounted)
{
    // Right triangles with legs 100, 200 and 300: shortest edges exactly 100, 200, 300.
    MStlBase mesh;
    vz_test::Build(mesh,
                   {{0, 0, 0},
                    {100, 0, 0},
                    {0, 100, 0},
                    {1000, 0, 0},
                    {1200, 0, 0},
                    {1000, 200, 0},
                    {2000, 0, 0},
                    {2300, 0, 0},
                    {2000, 300, 0}},
                   {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}});
    EXPECT_EQ(Bad(mesh, 100.0, Calc::MinEdge), 0);
    EXPECT_EQ(Bad(mesh, std::nextafter(100.0, 1e9), Calc::MinEdge), 1);
    EXPECT_EQ(Bad(mesh, 300.0, Calc::MinEdge), 2);
    EXPECT_EQ(Bad(mesh, 301.0, Calc::MinEdge), 3);
    // Below is bad also where larger values are worse: only the hypotenuse 141.4 is below 200.
    EXPECT_EQ(Bad(mesh, 200.0, Calc::MaxEdge), 1);
    EXPECT_EQ(Bad(mesh, 0.0, 25), 0) << "no metric: every value is 0";
    EXPECT_EQ(Bad(mesh, 1e-300, 25), 3);
    EXPECT_EQ(Bad(MStlBase(), 1e300, Calc::MinEdge), 0);
    EXPECT_THROW(Calc::GetNumberOfBadTriangles(nullptr, 1.0, Calc::RadiusRatio), std::invalid_argument);
    EXPECT_THROW(Calc::GetTriangleShapeQualities(nullptr, Calc::RadiusRatio), std::invalid_argument);
}

} // namespace
