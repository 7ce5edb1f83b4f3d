#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <utility>
#include <variant>
#include <vector>

#include "collision/MUserOperatorCollisionDetectorWithToleranceMultipart.h"
#include "collision_reference.h"
#include "support/ClosedMeshBuilders.h"

namespace
{
using Detector = MUserOperatorCollisionDetectorWithToleranceMultipart;
using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;
using collisionref::Point;

struct TestPart
{
    std::unique_ptr<MStlBase> mesh;
    std::unique_ptr<MStlCompact> compact; // set when the part is added in compact form
    MMTransformMatrix placement;

    std::size_t Count() const { return compact ? compact->GetNumTriangles() : mesh->NumberOfTriangles(); }
    std::vector<collisionref::PlacedTriangle> Triangles(MMTransformMatrix const& m) const
    {
        return compact ? collisionref::TrianglesOf(*compact, m) : collisionref::TrianglesOf(*mesh, m);
    }
};

std::size_t Add(Detector& detector, TestPart const& p)
{
    return p.compact ? detector.AddPart(p.compact.get(), p.placement) : detector.AddPart(p.mesh.get(), p.placement);
}

// Pairs by the definition: the larger part (count, index) first, examined largest first, each
// against the smaller ones in ascending (count, index).
Pairs ExpectedPairs(std::vector<TestPart> const& parts, double tolerance)
{
    std::vector<std::pair<std::size_t, std::size_t>> bySize;
    for (std::size_t i = 0; i < parts.size(); ++i) bySize.emplace_back(parts[i].Count(), i);
    std::sort(bySize.begin(), bySize.end());
    Pairs pairs;
    for (std::size_t a = bySize.size(); a-- > 1;)
    {
        std::size_t const r = bySize[a].second;
        auto const tree = parts[r].Triangles(MMTransformMatrix());
        for (std::size_t b = 0; b < a; ++b)
        {
            std::size_t const j = bySize[b].second;
            auto const queries = parts[j].Triangles(collisionref::Mapping(parts[r].placement, parts[j].placement));
            auto const within = collisionref::WithinTolerance(queries, tree, tolerance);
            if (std::find(within.begin(), within.end(), true) != within.end()) pairs.emplace_back(r, j);
        }
    }
    return pairs;
}

TestPart MakeBoxPart(int n, std::int32_t size, MMTransformMatrix placement, bool compact)
{
    TestPart p;
    p.mesh.reset(new MStlBase);
    testmesh::AddBox(*p.mesh, {0, 0, 0}, {size, size, size}, n);
    if (compact) p.compact.reset(new MStlCompact(*p.mesh));
    p.placement = placement;
    return p;
}

Pairs Collisions(Detector& detector)
{
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    Pairs pairs;
    detector.GetCollisions(pairs);
    return pairs;
}
} // namespace

TEST(CollisionMultipart, PairsAndTheirOrderMatchAllPairsWithMeshAndCompactPartsMixed)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> offset(0.0, 40000.0), angle(0.0, 3.0);
    for (int round = 0; round < 2; ++round)
    {
        std::vector<TestPart> parts;
        for (int i = 0; i < 8; ++i)
        {
            MMTransformMatrix const placement = collisionref::Placement(
                Point(1 + i, 2 - i, 0.5), angle(rng), Point(offset(rng), offset(rng), offset(rng) / 4));
            TestPart p = MakeBoxPart(1 + i % 2, 9000, placement, (i + round) % 2 == 1);
            testmesh::JitterVertices(*p.mesh, 800, rng);
            if (p.compact) p.compact.reset(new MStlCompact(*p.mesh));
            parts.push_back(std::move(p));
        }
        Detector detector;
        Detector::MParams params;
        params.Tolerance = 3000.0;
        detector.SetAllParams(params);
        for (auto const& p : parts) Add(detector, p);
        Pairs const expected = ExpectedPairs(parts, params.Tolerance);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(Collisions(detector), expected) << "round " << round;
        EXPECT_EQ(Collisions(detector), expected) << "a second run recomputes, it does not append";
    }
}

TEST(CollisionMultipart, OnlyTheTouchingPairIsReportedLargerFirst)
{
    // A (108 triangles), B (48), C (12): only B and C are near each other.
    std::vector<TestPart> parts;
    parts.push_back(MakeBoxPart(3, 10000, MMTransformMatrix::Translation({100000, 0, 0}), false));
    parts.push_back(MakeBoxPart(2, 10000, MMTransformMatrix(), true));
    parts.push_back(MakeBoxPart(1, 10000, MMTransformMatrix::Translation({0, 14000, 0}), false));
    Detector detector;
    for (auto const& p : parts) Add(detector, p);
    EXPECT_EQ(Collisions(detector), (Pairs{{1, 2}}));
}

TEST(CollisionMultipart, EqualCountsPutTheHigherIndexFirstAndToleranceIsInclusive)
{
    for (int extra : {0, 1})
    {
        std::vector<TestPart> parts;
        parts.push_back(MakeBoxPart(2, 10000, MMTransformMatrix(), false));
        parts.push_back(MakeBoxPart(2, 10000, MMTransformMatrix::Translation({15000.0 + extra, 0, 0}), true));
        Detector detector;
        for (auto const& p : parts) Add(detector, p);
        EXPECT_EQ(Collisions(detector), extra ? Pairs{} : (Pairs{{1, 0}}));
    }
}

TEST(CollisionMultipart, MeshAndItsCompactCopyCollide)
{
    TestPart mesh = MakeBoxPart(2, 10000, MMTransformMatrix::Rotation({1, 1, 0}, 0.7), false);
    MStlCompact copy(*mesh.mesh);
    Detector detector;
    detector.AddPart(mesh.mesh.get(), mesh.placement);
    detector.AddPart(&copy, mesh.placement);
    EXPECT_EQ(Collisions(detector), (Pairs{{1, 0}}));
}

TEST(CollisionMultipart, EmptyAndNullPartsCollideWithNothing)
{
    TestPart box = MakeBoxPart(1, 10000, MMTransformMatrix(), false);
    MStlBase empty;
    MStlCompact emptyCompact;
    Detector detector;
    detector.AddPart(box.mesh.get(), box.placement);
    detector.AddPart(&empty, box.placement);
    detector.AddPart(&emptyCompact, box.placement);
    detector.AddPart(static_cast<MStlBase const*>(nullptr), box.placement);
    detector.AddPart(box.mesh.get(), box.placement);
    EXPECT_EQ(Collisions(detector), (Pairs{{4, 0}}));
}

TEST(CollisionMultipart, NoPartsAndOnePart)
{
    Detector detector;
    Pairs pairs{{7, 7}};
    EXPECT_EQ(detector.Operate(), Detector::eNoParts);
    detector.GetCollisions(pairs);
    EXPECT_TRUE(pairs.empty());

    TestPart p = MakeBoxPart(1, 10000, MMTransformMatrix(), false);
    EXPECT_EQ(detector.AddPart(p.mesh.get(), p.placement), 0u);
    EXPECT_TRUE(Collisions(detector).empty());
}
