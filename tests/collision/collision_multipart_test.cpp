#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "collision/MUserOperatorCollisionDetectorWithToleranceMultipart.h"
#include "collision_reference.h"
#include "support/closed_mesh_builders.h"

namespace
{
using Detector = MUserOperatorCollisionDetectorWithToleranceMultipart;
using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;
using vz_test::Point;

struct TestPart
{
    std::unique_ptr<MStlBase> mesh = std::make_unique<MStlBase>();
    std::unique_ptr<MStlCompact> compact; // set when the part is added in compact form
    MMTransformMatrix placement;

    std::size_t Count() const { return compact ? compact->GetNumTriangles() : mesh->NumberOfTriangles(); }
    std::vector<vz_test::PlacedTriangle> Triangles(MMTransformMatrix const& m) const
    {
        return compact ? vz_test::TrianglesOf(*compact, m) : vz_test::TrianglesOf(*mesh, m);
    }
};

// A cube of side 10000 (12 n^2 triangles), placed by an offset.
TestPart Cube(int n, Point offset, bool compact)
{
    TestPart p;
    vz_test::AddBox(*p.mesh, {0, 0, 0}, {10000, 10000, 10000}, n);
    if (compact) p.compact = std::make_unique<MStlCompact>(*p.mesh);
    p.placement = MMTransformMatrix::Translation(offset);
    return p;
}

// By the definition: the larger part (count, index) first, examined largest first, each against
// the smaller ones in ascending (count, index).
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
            auto const within = vz_test::WithinTolerance(
                parts[j].Triangles(vz_test::Mapping(parts[r].placement, parts[j].placement)), tree, tolerance);
            if (std::find(within.begin(), within.end(), true) != within.end()) pairs.emplace_back(r, j);
        }
    }
    return pairs;
}

Pairs Collisions(Detector& detector)
{
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    Pairs pairs, again;
    detector.GetCollisions(pairs);
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    detector.GetCollisions(again);
    EXPECT_EQ(again, pairs) << "a second run recomputes, it does not append";
    return pairs;
}

Pairs Collisions(std::vector<TestPart> const& parts, double tolerance = 5000.0)
{
    Detector detector;
    detector.SetAllParams({tolerance});
    for (auto const& p : parts)
        p.compact ? detector.AddPart(p.compact.get(), p.placement) : detector.AddPart(p.mesh.get(), p.placement);
    return Collisions(detector);
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
            TestPart p;
            vz_test::AddBox(*p.mesh, {0, 0, 0}, {9000, 9000, 9000}, 1 + i % 2);
            p.placement = vz_test::Placement(Point(1 + i, 2 - i, 0.5), angle(rng),
                                             Point(offset(rng), offset(rng), offset(rng) / 4));
            vz_test::JitterVertices(*p.mesh, 800, rng);
            if ((i + round) % 2) p.compact = std::make_unique<MStlCompact>(*p.mesh);
            parts.push_back(std::move(p));
        }
        Pairs const expected = ExpectedPairs(parts, 3000.0);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(Collisions(parts, 3000.0), expected) << "round " << round;
    }
}

TEST(CollisionMultipart, HandPlacedPartsGiveTheLargerPartFirstAndAnInclusiveTolerance)
{
    std::vector<TestPart> parts;
    // 108, 48 and 12 triangles: only the two smaller cubes are within the tolerance.
    parts.push_back(Cube(3, {100000, 0, 0}, false));
    parts.push_back(Cube(2, {0, 0, 0}, true));
    parts.push_back(Cube(1, {0, 14000, 0}, false));
    EXPECT_EQ(Collisions(parts), (Pairs{{1, 2}}));
    // Equal counts put the higher index first; a gap of exactly the tolerance collides, on either side.
    for (double side : {1.0, -1.0})
        for (int extra : {0, 1})
        {
            parts.clear();
            parts.push_back(Cube(2, {0, 0, 0}, false));
            parts.push_back(Cube(2, {side * (15000.0 + extra), 0, 0}, true));
            EXPECT_EQ(Collisions(parts), extra ? Pairs{} : (Pairs{{1, 0}}))
                << "gap " << 5000 + extra << " side " << side;
        }
    // A rotated mesh and its compact copy under the same placement.
    parts.clear();
    parts.push_back(Cube(2, {0, 0, 0}, false));
    parts.push_back(Cube(2, {0, 0, 0}, true));
    for (auto& p : parts) p.placement = MMTransformMatrix::Rotation({1, 1, 0}, 0.7);
    EXPECT_EQ(Collisions(parts), (Pairs{{1, 0}}));
    // A one-triangle compact part reaching the cube with its first vertex only, exactly at the
    // tolerance: the part's box, which decides whether its triangles are looked at, holds every vertex.
    parts.clear();
    parts.push_back(Cube(2, {0, 0, 0}, false));
    TestPart sliver;
    MStlPoint* const tip = sliver.mesh->AddPoint(15000, 5000, 5000);
    MStlPoint* const a = sliver.mesh->AddPoint(40000, 0, 5000);
    MStlPoint* const b = sliver.mesh->AddPoint(40000, 9000, 5000);
    sliver.mesh->AddTriangle(tip, a, b);
    sliver.compact = std::make_unique<MStlCompact>(*sliver.mesh);
    parts.push_back(std::move(sliver));
    EXPECT_EQ(Collisions(parts), (Pairs{{0, 1}}));
    EXPECT_EQ(Collisions(parts), ExpectedPairs(parts, 5000.0));
    // A smaller part modelled far from its origin, long in x, and placed back to exactly the
    // tolerance below the other's lower x face.
    parts.clear();
    parts.push_back(Cube(2, {30000, 0, 0}, false));
    TestPart far;
    vz_test::AddBox(*far.mesh, {100000, 0, 0}, {110000, 10000, 10000}, 1);
    far.placement = MMTransformMatrix::Translation({-85000, 0, 0});
    parts.push_back(std::move(far));
    EXPECT_EQ(Collisions(parts), (Pairs{{0, 1}}));
    // The same with the part modelled far off in y, placed back beside the other's upper x face.
    parts[0] = Cube(2, {-15000, 0, 0}, false);
    parts[1].mesh = std::make_unique<MStlBase>();
    vz_test::AddBox(*parts[1].mesh, {0, 200000, 0}, {10000, 210000, 10000}, 1);
    parts[1].placement = MMTransformMatrix::Translation({0, -200000, 0});
    EXPECT_EQ(Collisions(parts), (Pairs{{0, 1}}));
}

TEST(CollisionMultipart, NoEmptyAndNullPartsCollideWithNothing)
{
    Detector detector;
    Pairs pairs{{7, 7}};
    EXPECT_EQ(detector.Operate(), Detector::eNoParts);
    detector.GetCollisions(pairs);
    EXPECT_TRUE(pairs.empty());
    TestPart box = Cube(1, {0, 0, 0}, false);
    MStlBase empty;
    MStlCompact emptyCompact;
    // Each form of AddPart returns the number the part is reported under.
    EXPECT_EQ(detector.AddPart(box.mesh.get(), box.placement), 0u);
    EXPECT_TRUE(Collisions(detector).empty()) << "one part alone";
    EXPECT_EQ(detector.AddPart(&empty, box.placement), 1u);
    EXPECT_EQ(detector.AddPart(&emptyCompact, box.placement), 2u);
    EXPECT_EQ(detector.AddPart(static_cast<MStlBase const*>(nullptr), box.placement), 3u);
    EXPECT_EQ(detector.AddPart(box.mesh.get(), box.placement), 4u);
    EXPECT_EQ(Collisions(detector), (Pairs{{4, 0}}));
}

TEST(CollisionMultipart, ProgressCountsEveryPairsQueriesAndAStopKeepsFewerPairs)
{
    // Four cubes in a row, each touching the next: pairs (1,0), (2,1), (3,2) by position.
    std::vector<std::unique_ptr<MStlBase>> cubes;
    Detector detector;
    for (int k = 0; k < 4; ++k)
    {
        cubes.push_back(std::make_unique<MStlBase>());
        vz_test::AddBox(*cubes.back(), {k * 10000, 0, 0}, {(k + 1) * 10000, 10000, 10000}, 2 + k);
        detector.AddPart(cubes.back().get(), MMTransformMatrix());
    }
    std::vector<std::pair<std::size_t, std::size_t>> expected, found;
    ASSERT_EQ(detector.Operate(), Detector::eOK);
    detector.GetCollisions(expected);
    ASSERT_EQ(expected.size(), 3u);

    auto const delegate = std::make_shared<vz_test::RecordingDelegate>();
    detector.SetProgressDelegate(delegate);
    ASSERT_EQ(detector.Operate(), Detector::eOK);
    detector.GetCollisions(found);
    EXPECT_EQ(found, expected);
    // Triangle counts 6 * 2 * n^2 for n = 2..5, in ascending order: part k is queried 3 - k times.
    std::size_t total = 0;
    for (int k = 0; k < 4; ++k) total += std::size_t(12 * (2 + k) * (2 + k)) * std::size_t(3 - k);
    EXPECT_EQ(delegate->totals, std::vector<std::size_t>{total});
    EXPECT_EQ(delegate->lastDone, total);

    detector.SetProgressDelegate(std::make_shared<vz_test::RecordingDelegate>(1));
    EXPECT_EQ(detector.Operate(), Detector::eCancelled);
    detector.GetCollisions(found);
    EXPECT_LT(found.size(), expected.size());
}
