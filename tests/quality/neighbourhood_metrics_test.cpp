#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "quality/MTriangleQualityCalculator.h"
#include "quality_test_meshes.h"

namespace
{
using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
using Point = MMPoint3d<double>;
using vz_test::Build;
constexpr double kPi = 3.141592653589793;

double Q(MStlTriangle const* t, int metric) { return Calc::GetTriangleShapeQuality(t, Calc::MetricType(metric)); }
double Diagonal(double w) { return std::sqrt(w * w + 100.0 * 100.0); }

// Angle between the normals of two triangles, through atan2.
double NormalAngle(MStlTriangle const* a, MStlTriangle const* b)
{
    Point const na = (a->GetVertex(1) - a->GetVertex(0)).Cross(a->GetVertex(2) - a->GetVertex(0));
    Point const nb = (b->GetVertex(1) - b->GetVertex(0)).Cross(b->GetVertex(2) - b->GetVertex(0));
    return std::atan2(na.Cross(nb).Length(), na.Dot(nb));
}

// A hand-built mesh and the value every one of its triangles must have for each listed metric.
struct Case
{
    std::string name;
    std::vector<vz_test::Vertex> vertices;
    std::vector<std::array<int, 3>> triangles;
    std::map<int, double> expected;
    double tolerance = 1e-9;
};

// Metrics 17 and 18 at the given value; 19, 21 to 24 and 27 to 32, and any extra ones, at their best, 1.
std::map<int, double> Unflawed(double sharedEdges, std::initializer_list<int> extra = {})
{
    std::map<int, double> expected{{17, sharedEdges}, {18, sharedEdges}};
    for (int m : {19, 21, 22, 23, 24, 27, 28, 29, 30, 31, 32}) expected[m] = 1.0;
    for (int m : extra) expected[m] = 1.0;
    return expected;
}

// Ridge (convex) or valley (concave) along y from (0,0,h0) to (0,200,h0) with feet at (-w,100,h1)
// and (w,100,h1), normals up: the normals differ by 2 atan(100 / w).
Case Fold(bool ridge, int w)
{
    double const ratio = 1.0 - 2.0 * std::atan2(100.0, double(w)) / kPi;
    double const smooth = 0.5 * std::cos(2.0 * std::atan2(100.0, double(w))) + 0.5;
    int const h0 = ridge ? 100 : 0, h1 = ridge ? 0 : 100;
    return {(ridge ? "ridge " : "valley ") + std::to_string(w),
            {{0, 0, h0}, {0, 200, h0}, {-w, 100, h1}, {w, 100, h1}},
            {{0, 1, 2}, {1, 0, 3}},
            {{17, 1.0 / 3},
             {18, 1.0 / 3},
             {21, 1.0},
             {19, smooth},
             {22, ridge ? ratio : 1.0},
             {23, ridge ? 1.0 : ratio},
             {24, ratio}}};
}
} // namespace

TEST(NeighbourhoodMetrics, HandBuiltMeshesGiveTheirClosedForms)
{
    // Adjacent normals of a regular tetrahedron differ by acos(-1/3); its folds are all convex,
    // or all concave when turned inside out.
    double const tetra = 1.0 - std::acos(-1.0 / 3.0) / kPi;
    std::vector<vz_test::Vertex> const tetraVertices{{0, 0, 0}, {100, 100, 0}, {100, 0, 100}, {0, 100, 100}};
    // Flipped: the second triangle runs the shared edge the same way; the normals (-h,0,w) and
    // (-h,0,-w) have the cosine (h^2 - w^2) / (h^2 + w^2).
    double const flippedCosine = (100.0 * 100 - 173.0 * 173) / (100.0 * 100 + 173.0 * 173);
    std::vector<Case> cases{
        {"lone", {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}}, {{0, 1, 2}}, Unflawed(0.0, {26})},
        // Six equal triangles around the origin in z = 0: two shared edges each, the rim open.
        {"flat fan",
         {{0, 0, 0}, {100, 0, 0}, {50, 87, 0}, {-50, 87, 0}, {-100, 0, 0}, {-50, -87, 0}, {50, -87, 0}},
         {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 6}, {0, 6, 1}},
         Unflawed(2.0 / 3),
         1e-7 /* acos near 1 */},
        {"flipped",
         {{0, 0, 100}, {0, 200, 100}, {-173, 100, 0}, {173, 100, 0}},
         {{0, 1, 2}, {0, 1, 3}},
         {{17, 1.0 / 3}, {18, 1.0 / 3}, {21, 1}, {19, 0.5 * flippedCosine + 0.5}, {22, 0}, {23, 1}, {24, 0}}},
        // Three triangles on one edge, like the pages of a book.
        {"non-manifold",
         {{0, 0, 0}, {100, 0, 0}, {50, 100, 0}, {50, -100, 0}, {50, 0, 100}},
         {{0, 1, 2}, {1, 0, 3}, {1, 0, 4}},
         {{17, 1.0 / 3}, {18, 1.0 / 3}, {21, 2.0 / 3}}},
        {"tetrahedron",
         tetraVertices,
         {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}},
         {{17, 1}, {18, 1}, {21, 1}, {19, 1.0 / 3}, {22, tetra}, {23, 1}, {24, tetra}}},
        {"inside-out tetrahedron",
         tetraVertices,
         {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}},
         {{22, 1}, {23, tetra}, {24, tetra}}}};
    for (int w : {100, 173, 40})
        for (bool ridge : {true, false}) cases.push_back(Fold(ridge, w));
    for (Case const& c : cases)
    {
        MStlBase mesh;
        for (MStlTriangle const* t : Build(mesh, c.vertices, c.triangles))
            for (auto const& [metric, value] : c.expected)
                EXPECT_NEAR(Q(t, metric), value, c.tolerance) << c.name << ", metric " << metric;
    }
}

TEST(NeighbourhoodMetrics, CollapsedNeighboursMakeEdgesDangleAndMarkingRatesZero)
{
    // A collapsed triangle on the edge (0,0,0)-(100,0,0) still makes that edge shared; its own
    // halves of that edge are used by it alone.
    MStlBase mesh;
    auto const t = Build(mesh, {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {50, 0, 0}}, {{0, 1, 2}, {1, 0, 3}});
    ASSERT_TRUE(t[1]->IsCollapsed());
    EXPECT_DOUBLE_EQ(Q(t[0], 18), 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(Q(t[0], 17), 1.0 / 3.0);
    EXPECT_EQ(Q(t[0], 21), 1.0);
    EXPECT_DOUBLE_EQ(Q(t[1], 18), 1.0 / 3.0);
    for (int m = 27; m <= 32; ++m) EXPECT_EQ(Q(t[0], m), 1.0) << "a collapsed neighbour does not grow, metric " << m;
    t[1]->Mark();
    EXPECT_EQ(Q(t[0], 26), 1.0);
    EXPECT_EQ(Q(t[1], 26), 0.0);
    // Two steps away, a collapsed triangle is passed over too.
    MStlTriangle const* beyond = mesh.AddTriangle(t[0]->GetPoint(2), t[0]->GetPoint(1), mesh.AddPoint(100, 100, 0));
    for (int m : {29, 32}) EXPECT_EQ(Q(beyond, m), 1.0) << m;
    // Two collapsed triangles on one edge: neither has a normal, so their cosine counts as 0.
    MStlBase flat;
    auto const f = Build(flat, {{0, 0, 0}, {100, 0, 0}, {50, 0, 0}, {25, 0, 0}}, {{0, 1, 2}, {1, 0, 3}});
    EXPECT_EQ(Q(f[0], 19), 0.5);
}

// Signed fold between p and q over their shared edge: convex (positive) when q's far corner lies
// behind p's plane.
double SignedFold(MStlTriangle const* p, MStlTriangle const* q)
{
    Point const np = (p->GetVertex(1) - p->GetVertex(0)).Cross(p->GetVertex(2) - p->GetVertex(0));
    return (np.Dot(q->GetVertex(1) - p->GetVertex(0)) < 0 ? 1.0 : -1.0) * NormalAngle(p, q);
}

TEST(NeighbourhoodMetrics, FanWalkWeighsTheWorstFoldByTheBendingBeforeAndAfter)
{
    // An open fan around the origin: T = (V,A,B) and, walking away from T across V-A, N1 = (V,Z,A),
    // N2 = (V,Y,Z), N3 = (V,X,Y). The heights of Z, Y, X put less bending before the sharpest fold
    // than after it, more before than after, and make the last fold concave.
    for (auto const& h : {std::array<int, 3>{-60, 90, 20}, std::array<int, 3>{-20, 90, 40},
                          std::array<int, 3>{-60, 60, 80}, std::array<int, 3>{-80, 100, 100}})
    {
        MStlBase mesh;
        auto const t =
            Build(mesh, {{0, 0, 0}, {100, 100, 0}, {0, 100, 0}, {100, 0, h[0]}, {100, -100, h[1]}, {0, -100, h[2]}},
                  {{0, 1, 2}, {0, 3, 1}, {0, 4, 3}, {0, 5, 4}});
        ASSERT_EQ(t[0]->FindAdjacentTriangle(0, false), t[1]);
        double const f1 = SignedFold(t[0], t[1]), f2 = SignedFold(t[1], t[2]), f3 = SignedFold(t[2], t[3]);
        double const a1 = std::fabs(f1) / kPi, a2 = std::fabs(f2) / kPi, a3 = std::fabs(f3) / kPi;
        // The middle fold is the sharpest; it counts together with the smaller bending beside it.
        ASSERT_GT(a2, a1);
        ASSERT_GT(a2, a3);
        EXPECT_NEAR(Q(t[0], 24), std::clamp(std::min(1.0 - a1, 1.0 - a2 + std::min(a1, a3)), 0.0, 1.0), 1e-12);

        // Convex only: concave folds rate 1 and never become the fan's minimum.
        auto convex = [](double fold) { return fold > 0 ? 1.0 - fold / kPi : 1.0; };
        double const r1 = convex(f1), r2 = convex(f2), r3 = convex(f3);
        double fanMin = r1, before = 0, atMin = 0;
        if (r2 < fanMin) fanMin = r2, atMin = a2, before = a1;
        if (r3 < fanMin) fanMin = r3, atMin = a3, before = a1 + a2;
        double const after = a1 + a2 + a3 - before - atMin;
        EXPECT_NEAR(Q(t[0], 22), std::clamp(std::min(r1, fanMin + std::min(before, after)), 0.0, 1.0), 1e-12);
    }
}

TEST(NeighbourhoodMetrics, ConcurrentReadersAgreeWithOneThread)
{
    // A rolling terrain of 2 x 40 x 40 triangles, every metric evaluated by many threads at once.
    MStlBase mesh;
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> height(-40, 40);
    int const n = 41;
    std::vector<vz_test::Vertex> vertices;
    std::vector<std::array<int, 3>> triangles;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
        {
            vertices.push_back({i * 100, j * 100, height(rng)});
            int const a = j * n + i;
            if (i + 1 < n && j + 1 < n)
                triangles.insert(triangles.end(), {{a, a + 1, a + n + 1}, {a, a + n + 1, a + n}});
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

TEST(GrowthFactors, RingsReachOneTwoAndThreeStepsAlongTheChain)
{
    vz_test::Strip s;
    // U2 (area 5000): one step L1 (4000), L2 (5000); two steps U1 (4000), U3 (2500); three steps
    // L0 (2000), L3 (2500); the tiny U4 (500) is four steps away.
    auto const T = s.U(2);
    ASSERT_DOUBLE_EQ(T->SurfaceArea(), 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 27), 4000.0 / 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 28), 2500.0 / 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 29), 2000.0 / 5000.0);
    EXPECT_DOUBLE_EQ(Q(T, 30), Diagonal(80) / Diagonal(100));
    EXPECT_DOUBLE_EQ(Q(T, 31), Diagonal(50) / Diagonal(100));
    EXPECT_DOUBLE_EQ(Q(T, 32), Diagonal(40) / Diagonal(100));
    EXPECT_DOUBLE_EQ(Q(s.L(3), 27), 500.0 / 2500.0) << "L3 touches U4 directly";
    EXPECT_DOUBLE_EQ(Q(s.L(2), 29), 500.0 / 5000.0) << "L2 reaches U4 through U3 and L3";
    for (int m = 27; m <= 32; ++m) EXPECT_EQ(Q(s.U(4), m), 1.0) << "the smallest grows towards nothing, metric " << m;
}

TEST(GrowthFactors, ZeroAreaAndZeroLengthGiveOne)
{
    // A flat triangle between proper neighbours: no area, but its longest side (200) exceeds theirs
    // (about 112), so the edge factors still apply.
    MStlBase flat;
    auto const f = Build(flat, {{0, 0, 0}, {100, 0, 0}, {200, 0, 0}, {100, 50, 0}, {100, -50, 0}},
                         {{0, 1, 2}, {1, 0, 4}, {2, 1, 4}, {0, 2, 3}});
    ASSERT_EQ(f[0]->SurfaceArea(), 0.0);
    for (int m : {27, 28, 29}) EXPECT_EQ(Q(f[0], m), 1.0) << m;
    EXPECT_LT(Q(f[0], 30), 1.0);

    // All three corners at one point, with a neighbour through that point.
    MStlBase shared;
    MStlPoint* a = shared.AddPoint(0, 0, 0);
    MStlTriangle* degenerate = shared.AddTriangle(a, a, a);
    shared.AddTriangle(a, shared.AddPoint(100, 0, 0), shared.AddPoint(0, 100, 0));
    ASSERT_EQ(degenerate->LONGEST_SIDE_LENGTH(), 0.0);
    for (int m = 27; m <= 32; ++m) EXPECT_EQ(Q(degenerate, m), 1.0) << m;
}
