#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "QualityTestMeshes.h"
#include "quality/MTriangleQualityCalculator.h"

namespace
{

using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
using Point = MMPoint3d<double>;
using qualitytest::Build;
constexpr double kPi = 3.141592653589793;

double Q(MStlTriangle const* t, int metric) { return Calc::GetTriangleShapeQuality(t, Calc::MetricType(metric)); }

// Angle between the normals of two triangles, through atan2.
double NormalAngle(MStlTriangle const* a, MStlTriangle const* b)
{
    Point const na = (a->GetVertex(1) - a->GetVertex(0)).Cross(a->GetVertex(2) - a->GetVertex(0));
    Point const nb = (b->GetVertex(1) - b->GetVertex(0)).Cross(b->GetVertex(2) - b->GetVertex(0));
    return std::atan2(na.Cross(nb).Length(), na.Dot(nb));
}

// Ridge or valley along y from (0,0,h0) to (0,200,h0) with feet at (-w,100,h1) and (w,100,h1);
// both triangles wound so that their normals point up.
struct Fold
{
    MStlBase mesh;
    std::vector<MStlTriangle*> t;
    Fold(int ridgeHeight, int footHeight, int w)
    {
        t = Build(mesh, {{0, 0, ridgeHeight}, {0, 200, ridgeHeight}, {-w, 100, footHeight}, {w, 100, footHeight}},
                  {{0, 1, 2}, {1, 0, 3}});
    }
};

} // namespace

TEST(NeighbourhoodMetrics, TriangleWithoutNeighbours)
{
    MStlBase mesh;
    auto const t = Build(mesh, {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}}, {{0, 1, 2}})[0];
    EXPECT_EQ(Q(t, 17), 0.0);
    EXPECT_EQ(Q(t, 18), 0.0);
    EXPECT_EQ(Q(t, 21), 1.0);
    EXPECT_EQ(Q(t, 19), 1.0);
    for (int m : {22, 23, 24}) EXPECT_EQ(Q(t, m), 1.0) << m;
    for (int m = 27; m <= 32; ++m) EXPECT_EQ(Q(t, m), 1.0) << m;
    EXPECT_EQ(Q(t, 26), 1.0);
}

TEST(NeighbourhoodMetrics, FlatClosedFan)
{
    // Six triangles around the origin, all in z = 0 and of equal area.
    MStlBase mesh;
    auto const t = Build(mesh,
                         {{0, 0, 0}, {100, 0, 0}, {50, 87, 0}, {-50, 87, 0}, {-100, 0, 0}, {-50, -87, 0}, {50, -87, 0}},
                         {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 6}, {0, 6, 1}});
    for (auto const* tri : t)
    {
        // Two edges run to the centre and are shared; the rim edge is open.
        EXPECT_DOUBLE_EQ(Q(tri, 17), 2.0 / 3.0);
        EXPECT_DOUBLE_EQ(Q(tri, 18), 2.0 / 3.0);
        EXPECT_EQ(Q(tri, 21), 1.0);
        EXPECT_NEAR(Q(tri, 19), 1.0, 1e-12);
        for (int m : {22, 23, 24}) EXPECT_NEAR(Q(tri, m), 1.0, 1e-7) << m;
        for (int m = 27; m <= 32; ++m) EXPECT_EQ(Q(tri, m), 1.0) << m;
    }
}

TEST(NeighbourhoodMetrics, ConvexRidge)
{
    for (int w : {100, 173, 40})
    {
        Fold f(100, 0, w);
        // Each face leans away from the ridge by atan(h / w); the normals differ by twice that.
        double const theta = 2.0 * std::atan2(100.0, double(w));
        ASSERT_NEAR(NormalAngle(f.t[0], f.t[1]), theta, 1e-12);
        for (auto const* tri : f.t)
        {
            EXPECT_NEAR(Q(tri, 22), 1.0 - theta / kPi, 1e-9) << w;
            EXPECT_EQ(Q(tri, 23), 1.0) << w;
            EXPECT_NEAR(Q(tri, 24), 1.0 - theta / kPi, 1e-9) << w;
            EXPECT_NEAR(Q(tri, 19), 0.5 * std::cos(theta) + 0.5, 1e-9) << w;
            EXPECT_DOUBLE_EQ(Q(tri, 17), 1.0 / 3.0);
            EXPECT_DOUBLE_EQ(Q(tri, 18), 1.0 / 3.0);
            EXPECT_EQ(Q(tri, 21), 1.0);
        }
    }
}

TEST(NeighbourhoodMetrics, ConcaveValley)
{
    for (int w : {100, 173, 40})
    {
        Fold f(0, 100, w);
        double const theta = 2.0 * std::atan2(100.0, double(w));
        ASSERT_NEAR(NormalAngle(f.t[0], f.t[1]), theta, 1e-12);
        for (auto const* tri : f.t)
        {
            EXPECT_EQ(Q(tri, 22), 1.0) << w;
            EXPECT_NEAR(Q(tri, 23), 1.0 - theta / kPi, 1e-9) << w;
            EXPECT_NEAR(Q(tri, 24), 1.0 - theta / kPi, 1e-9) << w;
            EXPECT_NEAR(Q(tri, 19), 0.5 * std::cos(theta) + 0.5, 1e-9) << w;
        }
    }
}

TEST(NeighbourhoodMetrics, FlippedNeighbour)
{
    // The second triangle runs the shared edge the same way as the first.
    MStlBase mesh;
    auto const t = Build(mesh, {{0, 0, 100}, {0, 200, 100}, {-173, 100, 0}, {173, 100, 0}}, {{0, 1, 2}, {0, 1, 3}});
    ASSERT_EQ(t[0]->FindAdjacentTriangle(0, false), t[1]);
    for (auto const* tri : t)
    {
        EXPECT_EQ(Q(tri, 22), 0.0);
        EXPECT_EQ(Q(tri, 23), 1.0);
        EXPECT_EQ(Q(tri, 24), 0.0);
        // Both triangles count for the edge, whatever their direction.
        EXPECT_DOUBLE_EQ(Q(tri, 17), 1.0 / 3.0);
        EXPECT_DOUBLE_EQ(Q(tri, 18), 1.0 / 3.0);
        EXPECT_EQ(Q(tri, 21), 1.0);
    }
    // The normals (-h,0,w) and (-h,0,-w), normalised: cosine (h^2 - w^2)/(h^2 + w^2).
    double const c = (100.0 * 100 - 173.0 * 173) / (100.0 * 100 + 173.0 * 173);
    EXPECT_NEAR(Q(t[0], 19), 0.5 * c + 0.5, 1e-12);
}

TEST(NeighbourhoodMetrics, NonManifoldEdge)
{
    // Three triangles on the edge (0,0,0)-(100,0,0), like the pages of a book.
    MStlBase mesh;
    auto const t = Build(mesh, {{0, 0, 0}, {100, 0, 0}, {50, 100, 0}, {50, -100, 0}, {50, 0, 100}},
                         {{0, 1, 2}, {1, 0, 3}, {1, 0, 4}});
    for (auto const* tri : t)
    {
        EXPECT_DOUBLE_EQ(Q(tri, 21), 2.0 / 3.0);
        EXPECT_DOUBLE_EQ(Q(tri, 18), 1.0 / 3.0);
        EXPECT_DOUBLE_EQ(Q(tri, 17), 1.0 / 3.0);
    }
}

TEST(NeighbourhoodMetrics, DanglingEdgesCountCollapsedNeighbours)
{
    // A collapsed triangle on the edge (0,0,0)-(100,0,0) still makes that edge shared.
    MStlBase mesh;
    auto const t = Build(mesh, {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {50, 0, 0}}, {{0, 1, 2}, {1, 0, 3}});
    ASSERT_TRUE(t[1]->IsCollapsed());
    EXPECT_DOUBLE_EQ(Q(t[0], 18), 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(Q(t[0], 17), 1.0 / 3.0);
    EXPECT_EQ(Q(t[0], 21), 1.0);
    // The collapsed triangle's edge (0,0,0)-(50,0,0) and (50,0,0)-(100,0,0) are used by it alone.
    EXPECT_DOUBLE_EQ(Q(t[1], 18), 1.0 / 3.0);
}

TEST(NeighbourhoodMetrics, ClosedTetrahedron)
{
    MStlBase mesh;
    auto const t = Build(mesh, {{0, 0, 0}, {100, 100, 0}, {100, 0, 100}, {0, 100, 100}},
                         {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}});
    Point const centre(50, 50, 50);
    // Adjacent normals of a regular tetrahedron differ by acos(-1/3); every fold is convex.
    double const theta = std::acos(-1.0 / 3.0);
    for (auto const* tri : t)
    {
        Point const faceCentre = (tri->GetVertex(0) + tri->GetVertex(1) + tri->GetVertex(2)) / 3.0;
        ASSERT_GT(tri->GetNormal().Dot(faceCentre - centre), 0.0) << "faces must point outward";
        EXPECT_EQ(Q(tri, 17), 1.0);
        EXPECT_EQ(Q(tri, 18), 1.0);
        EXPECT_EQ(Q(tri, 21), 1.0);
        EXPECT_NEAR(Q(tri, 19), 1.0 / 3.0, 1e-12);
        EXPECT_NEAR(Q(tri, 22), 1.0 - theta / kPi, 1e-12);
        EXPECT_EQ(Q(tri, 23), 1.0);
        EXPECT_NEAR(Q(tri, 24), 1.0 - theta / kPi, 1e-12);
    }
    // Turned inside out, every fold is concave.
    mesh.InvertAll();
    for (auto const* tri : t)
    {
        EXPECT_EQ(Q(tri, 22), 1.0);
        EXPECT_NEAR(Q(tri, 23), 1.0 - theta / kPi, 1e-12);
        EXPECT_NEAR(Q(tri, 24), 1.0 - theta / kPi, 1e-12);
    }
}

namespace
{
// An open fan around the origin: T = (V,A,B) and, walking away from T across V-A, the triangles
// N1 = (V,Z,A), N2 = (V,Y,Z), N3 = (V,X,Y). Heights give folds of different size at each ray.
struct OpenFan
{
    MStlBase mesh;
    std::vector<MStlTriangle*> t;
    OpenFan(int zZ, int zY, int zX)
    {
        t = Build(mesh, {{0, 0, 0}, {100, 100, 0}, {0, 100, 0}, {100, 0, zZ}, {100, -100, zY}, {0, -100, zX}},
                  {{0, 1, 2}, {0, 3, 1}, {0, 4, 3}, {0, 5, 4}});
    }
};

// Signed fold between p and q over their shared edge: convex (positive) when q's far corner lies
// behind p's plane.
double SignedFold(MStlTriangle const* p, MStlTriangle const* q, Point const& farCornerOfQ)
{
    Point const np = (p->GetVertex(1) - p->GetVertex(0)).Cross(p->GetVertex(2) - p->GetVertex(0));
    double const side = np.Dot(farCornerOfQ - p->GetVertex(0));
    return (side < 0 ? 1.0 : -1.0) * NormalAngle(p, q);
}
} // namespace

TEST(NeighbourhoodMetrics, FanWalkWeighsTheWorstFoldByTheBendingBeforeAndAfter)
{
    // Less bending before the sharpest fold than after it, more before than after, and the last
    // fold concave.
    for (auto const& heights : {std::array<int, 3>{-60, 90, 20}, std::array<int, 3>{-20, 90, 40},
                                std::array<int, 3>{-60, 60, 80}, std::array<int, 3>{-80, 100, 100}})
    {
        OpenFan f(heights[0], heights[1], heights[2]);
        auto const T = f.t[0], N1 = f.t[1], N2 = f.t[2], N3 = f.t[3];
        ASSERT_EQ(T->FindAdjacentTriangle(0, false), N1);
        double const f1 = SignedFold(T, N1, N1->GetVertex(1));
        double const f2 = SignedFold(N1, N2, N2->GetVertex(1));
        double const f3 = SignedFold(N2, N3, N3->GetVertex(1));
        double const a1 = std::fabs(f1) / kPi, a2 = std::fabs(f2) / kPi, a3 = std::fabs(f3) / kPi;
        // The middle fold is the sharpest, so the worst ratio of the fan is 1 - a2 for the full
        // curvature; it counts together with the smaller bending on either side of it.
        ASSERT_GT(a2, a1);
        ASSERT_GT(a2, a3);
        double const direct = 1.0 - a1;
        double const combined = 1.0 - a2 + std::min(a1, a3);
        EXPECT_NEAR(Q(T, 24), std::clamp(std::min(direct, combined), 0.0, 1.0), 1e-12);

        // Convex only: concave folds rate 1 and never become the fan's minimum.
        auto convex = [](double fold) { return fold > 0 ? 1.0 - fold / kPi : 1.0; };
        double const r1 = convex(f1), r2 = convex(f2), r3 = convex(f3);
        double fanMin = r1, before = 0, atMin = 0, acc = a1;
        if (r2 < fanMin) { fanMin = r2; atMin = a2; before = acc; }
        acc += a2;
        if (r3 < fanMin) { fanMin = r3; atMin = a3; before = acc; }
        acc += a3;
        double const after = acc - before - atMin;
        double const convexExpected = std::min(r1, before <= after ? fanMin + before : fanMin + after);
        EXPECT_NEAR(Q(T, 22), std::clamp(convexExpected, 0.0, 1.0), 1e-12);
    }
}

TEST(NeighbourhoodMetrics, MarkedTriangle)
{
    MStlBase mesh;
    auto const t = Build(mesh, {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {100, 100, 0}}, {{0, 1, 2}, {1, 3, 2}});
    t[1]->Mark();
    EXPECT_EQ(Q(t[0], 26), 1.0);
    EXPECT_EQ(Q(t[1], 26), 0.0);
}

TEST(NeighbourhoodMetrics, MeshTriangleOverloadUsesShapeFormulasForOtherNumbers)
{
    MStlBase mesh;
    auto const t = Build(mesh, {{3, -7, 11}, {1000, 20, -5}, {400, 700, 90}}, {{0, 1, 2}})[0];
    Point const p[3] = {t->GetVertex(0), t->GetVertex(1), t->GetVertex(2)};
    for (int m : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 20, 25, 33, 34, 35, 36, 37})
        EXPECT_EQ(Q(t, m), Calc::GetTriangleShapeQuality(p, Calc::MetricType(m))) << m;
    EXPECT_THROW(Q(nullptr, 1), std::invalid_argument);
}

TEST(NeighbourhoodMetrics, ConcurrentReadersAgreeWithOneThread)
{
    // A rolling terrain of 2 x 40 x 40 triangles, evaluated on every metric by many threads at once.
    MStlBase mesh;
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> height(-40, 40);
    int const n = 41;
    std::vector<qualitytest::Vertex> vertices;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) vertices.push_back({i * 100, j * 100, height(rng)});
    std::vector<std::array<int, 3>> triangles;
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i)
        {
            int const a = j * n + i, b = a + 1, c = a + n, d = c + 1;
            triangles.push_back({a, b, d});
            triangles.push_back({a, d, c});
        }
    auto const t = Build(mesh, vertices, triangles);
    std::vector<double> expected;
    for (auto const* tri : t)
        for (int m = 0; m <= 37; ++m) expected.push_back(Q(tri, m));
    std::vector<double> actual(expected.size());
    int const count = int(t.size());
#pragma omp parallel for schedule(dynamic, 7) num_threads(4)
    for (int k = 0; k < count; ++k)
        for (int m = 0; m <= 37; ++m) actual[std::size_t(k) * 38 + m] = Q(t[k], m);
    EXPECT_EQ(actual, expected);
}
