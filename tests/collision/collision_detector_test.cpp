// The collision detector on one part (its own gaps) and on two placed parts: hits against the
// all-pairs reference under rotated placements on any thread count, the inclusive tolerance, markers,
// refusals, progress and cancellation, and the caller's meshes coming back unchanged.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <vector>

#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "collision_reference.h"
#include "support/closed_mesh_builders.h"

namespace
{
using Detector = MUserOperatorCollisionDetectorWithTolerance;
using vz_test::Point;
using Counts = std::map<MStlTriangle const*, int>;
MMTransformMatrix const kStay;

struct Hits
{
    Counts first, second;
    std::vector<int> sequence; // 1 or 2 per call, in call order
};

Hits RunBoth(Detector& detector, MStlBase& a, MStlBase& b, Detector::EReturnCode code = Detector::eOK)
{
    Hits hits;
    detector.SetFirstPart(&a, [&](MStlTriangle& t) { ++hits.first[&t], hits.sequence.push_back(1); });
    detector.SetSecondPart(&b, [&](MStlTriangle& t) { ++hits.second[&t], hits.sequence.push_back(2); });
    EXPECT_EQ(detector.Operate(), code);
    return hits;
}

Counts Expected(MStlBase const& query, MMTransformMatrix const& queryPlacement, MStlBase const& tree,
                MMTransformMatrix const& treePlacement, double tolerance)
{
    auto const within =
        vz_test::WithinTolerance(vz_test::TrianglesOf(query, vz_test::Mapping(treePlacement, queryPlacement)),
                                 vz_test::TrianglesOf(tree, kStay), tolerance);
    Counts expected;
    for (std::size_t i = 0; i < within.size(); ++i)
        if (within[i]) expected[query.GetTriangle(i)] = 1;
    return expected;
}

void AddCube(MStlBase& part, int n) { vz_test::AddBox(part, {0, 0, 0}, {10000, 10000, 10000}, n); }

struct ThreadCount
{
    explicit ThreadCount(int n) : saved(omp_get_max_threads()) { omp_set_num_threads(n); }
    ~ThreadCount() { omp_set_num_threads(saved); }
    int saved;
};

std::set<MStlTriangle const*> RunOnePart(MStlBase& part, double tolerance)
{
    std::set<MStlTriangle const*> reported;
    Detector detector;
    detector.SetAllParams({tolerance});
    detector.SetFirstPart(&part, [&](MStlTriangle& t) { EXPECT_TRUE(reported.insert(&t).second) << "reported twice"; });
    detector.SetFirstPartTransform(MMTransformMatrix::Translation({1e6, 0, 0})); // plays no part here
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    return reported;
}

// The triangles in the U's gap planes x = 10000 and x = 18000.
std::set<MStlTriangle const*> GapFaces(MStlBase const& part)
{
    std::set<MStlTriangle const*> faces;
    for (MStlTriangle const* t : part.GetTriangles())
    {
        double const x = t->GetVertex(0).x;
        if ((x == 10000.0 || x == 18000.0) && t->GetVertex(1).x == x && t->GetVertex(2).x == x) faces.insert(t);
    }
    return faces;
}
} // namespace

TEST(CollisionTwoParts, HitsMatchAllPairsUnderRotatedPlacementsOnAnyThreadCount)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 3; ++round)
    {
        MStlBase a, b;
        for (auto [part, n] : {std::pair<MStlBase*, int>{&a, 3}, {&b, 2 + round}})
        {
            vz_test::AddBox(*part, {0, 0, 0}, {30000, 24000, 18000}, n);
            vz_test::AddBox(*part, {8000, 7000, 6000}, {22000, 17000, 12000}, 1, true);
            vz_test::JitterVertices(*part, 1500, rng);
        }
        // Turned about their centres, then set side by side, overlapping a little.
        auto place = [](Point const& axis, double angle, Point const& centre)
        {
            MMTransformMatrix m = vz_test::Placement(axis, angle, centre);
            m.PostMultiply(MMTransformMatrix::Translation(Point(-15000, -12000, -9000)));
            return m;
        };
        MMTransformMatrix const placeA = place(Point(1, 2, 3), 0.4 + round, Point(1000, -2000, 500));
        MMTransformMatrix const placeB = place(Point(-2, 1, 0.5), 1.1, Point(27000.0 + 2000 * round, 1000, -3000));
        double const tolerance = 2500.0 + 1000 * round;
        Counts const expectedA = Expected(a, placeA, b, placeB, tolerance);
        Counts const expectedB = Expected(b, placeB, a, placeA, tolerance);
        ASSERT_FALSE(expectedA.empty());
        ASSERT_LT(expectedA.size(), a.NumberOfTriangles());

        for (int threads : {1, 2, 3})
        {
            ThreadCount const use(threads);
            Detector detector;
            detector.SetFirstPartTransform(placeA);
            detector.SetSecondPartTransform(placeB);
            detector.SetAllParams({tolerance});
            // A second run reports the same to the same callbacks: the object keeps its configuration.
            for (int run = 0; run < 2; ++run)
            {
                Hits const hits = RunBoth(detector, a, b);
                EXPECT_EQ(hits.first, expectedA) << "round " << round << ", " << threads << " threads, run " << run;
                EXPECT_EQ(hits.second, expectedB) << "round " << round << ", " << threads << " threads, run " << run;
                EXPECT_TRUE(std::is_sorted(hits.sequence.begin(), hits.sequence.end())) << "first part reported first";
            }
        }
    }
}

// Two cubes a gap of exactly the default tolerance (5000) apart collide, one unit farther they do not.
// Marks go to the given marker or, without one, to the part's own; a copy reports to the same marker.
TEST(CollisionTwoParts, MarkersReachAGapOfExactlyTheDefaultToleranceAndCopiesKeepTheConfiguration)
{
    struct CountingMarker : IStlMarkTriangles
    {
        void MarkTriangle(MStlTriangle&) override { ++count; }
        int count = 0;
    };
    for (int extra : {0, 1})
    {
        MStlBase a, b;
        AddCube(a, 2);
        AddCube(b, 2);
        MMTransformMatrix const placeB = MMTransformMatrix::Translation(Point(15000 + extra, 0, 0));
        CountingMarker marker;
        Detector detector;
        detector.SetFirstPart(&a, &marker);
        detector.SetSecondPart(&b, static_cast<IStlMarkTriangles*>(nullptr));
        detector.SetSecondPartTransform(placeB);
        EXPECT_EQ(detector.Operate(), Detector::eOK);
        Counts const expectedA = Expected(a, kStay, b, placeB, 5000.0);
        Counts const expectedB = Expected(b, placeB, a, kStay, 5000.0);
        EXPECT_EQ(expectedB.empty(), extra == 1);
        EXPECT_EQ(std::size_t(marker.count), expectedA.size()) << "gap " << 5000 + extra;
        for (MStlTriangle const* t : b.GetTriangles())
        {
            EXPECT_EQ(t->IsMarkedAnyMode(), expectedB.count(t) == 1) << "gap " << 5000 + extra;
            EXPECT_TRUE(extra || t->GetNormal().x >= -0.999 || t->IsMarkedAnyMode()) << "b's whole -x face";
        }
        for (MStlTriangle const* t : a.GetTriangles()) EXPECT_FALSE(t->IsMarkedAnyMode());

        marker.count = 0;
        Detector copy(detector);
        EXPECT_EQ(copy.Operate(), Detector::eOK);
        EXPECT_EQ(std::size_t(marker.count), expectedA.size());
    }
}

TEST(CollisionTwoParts, NoFirstPartCallsNothingAndAThrowingCallbackLeavesTheRolesInPlace)
{
    MStlBase a, b;
    AddCube(a, 2);
    AddCube(b, 2);
    int firstCalls = 0;
    Detector detector;
    EXPECT_EQ(detector.Operate(), Detector::eNoFirstPart);
    detector.SetFirstPart(nullptr, b.GetDefaultMarker());
    detector.SetSecondPart(&b, [&](MStlTriangle&) { ++firstCalls; });
    EXPECT_EQ(detector.Operate(), Detector::eNoFirstPart);
    EXPECT_EQ(firstCalls, 0);

    detector.SetFirstPart(&a, [&](MStlTriangle&) { ++firstCalls; });
    detector.SetSecondPart(&b, [](MStlTriangle&) { throw std::runtime_error("stop"); });
    EXPECT_THROW(detector.Operate(), std::runtime_error);
    // The roles were exchanged when the second pass threw.
    firstCalls = 0;
    detector.SetSecondPart(&b, [](MStlTriangle&) {});
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    EXPECT_EQ(std::size_t(firstCalls), a.NumberOfTriangles());
}

// Two cubes of 6 * 2 * 12 * 12 triangles each, overlapping by half their width. A delegate that never
// asks to stop sees every query triangle counted and changes no hit; one that asks after the first
// step ends the search with eCancelled, having reported only true hits of the first part; one that
// throws stops the search and the exception reaches the caller. Afterwards a full run finds all.
TEST(CollisionTwoParts, ProgressCountsEveryQueryTriangleAndAStopReportsOnlyTrueHits)
{
    MStlBase a, b;
    vz_test::AddBox(a, {0, 0, 0}, {100000, 100000, 100000}, 12);
    vz_test::AddBox(b, {50000, 0, 0}, {150000, 100000, 100000}, 12);
    Detector detector;
    Hits const expected = RunBoth(detector, a, b);
    ASSERT_FALSE(expected.first.empty());

    auto const watching = std::make_shared<vz_test::RecordingDelegate>();
    detector.SetProgressDelegate(watching);
    Hits const watched = RunBoth(detector, a, b);
    EXPECT_EQ(watched.first, expected.first);
    EXPECT_EQ(watched.second, expected.second);
    std::size_t const total = a.NumberOfTriangles() + b.NumberOfTriangles();
    EXPECT_EQ(watching->totals, std::vector<std::size_t>{total});
    EXPECT_EQ(watching->lastDone, total);
    EXPECT_EQ(watching->finishes, 1u);

    detector.SetProgressDelegate(std::make_shared<vz_test::RecordingDelegate>(1));
    Hits const stopped = RunBoth(detector, a, b, Detector::eCancelled);
    EXPECT_LT(stopped.first.size(), expected.first.size());
    for (auto const& hit : stopped.first) EXPECT_EQ(expected.first.count(hit.first), 1u);
    EXPECT_TRUE(stopped.second.empty()); // the second pass never started

    auto const throwing = std::make_shared<vz_test::RecordingDelegate>();
    throwing->throwOnProgress = true;
    detector.SetProgressDelegate(throwing);
    EXPECT_THROW(detector.Operate(), std::runtime_error);
    EXPECT_EQ(throwing->progressCalls, 1u);

    // The callbacks and transforms are back in their places: without the delegate all is found.
    detector.SetProgressDelegate(nullptr);
    Hits const again = RunBoth(detector, a, b);
    EXPECT_EQ(again.first, expected.first);
    EXPECT_EQ(again.second, expected.second);
}

TEST(CollisionOnePart, UShapeReportsBothSidesOfItsGapToAnyMarkerConvexPartNothingAndBothComeBackUnchanged)
{
    MStlBase u, box;
    vz_test::AddUShape(u, 10000, 8000, 10000, 30000, 20000);
    vz_test::AddBox(box, {0, 0, 0}, {20000, 10000, 5000}, 3);
    vz_test::MeshSnapshot const uBefore = vz_test::TakeSnapshot(u), boxBefore = vz_test::TakeSnapshot(box);
    std::set<MStlTriangle const*> const gap = GapFaces(u);
    ASSERT_EQ(gap.size(), 4u);

    EXPECT_EQ(RunOnePart(u, 9000.0), gap);
    EXPECT_EQ(RunOnePart(u, 8000.0), gap) << "a gap of exactly the tolerance";
    EXPECT_TRUE(RunOnePart(u, 7999.0).empty());
    EXPECT_EQ(vz_test::TakeSnapshot(u), uBefore);
    EXPECT_TRUE(RunOnePart(box, 100000.0).empty());
    EXPECT_EQ(vz_test::TakeSnapshot(box), boxBefore);

    // Without a marker the part's own marks receive the gap triangles.
    Detector detector;
    detector.SetAllParams({9000.0});
    detector.SetFirstPart(&u, static_cast<IStlMarkTriangles*>(nullptr));
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    for (MStlTriangle const* t : u.GetTriangles()) EXPECT_EQ(t->IsMarkedAnyMode(), gap.count(t) == 1);
    // Only a mask made now follows the mesh's triangles if the temporary one left the registry.
    MDataMask<MStlTriangle, float> probe(u.GetDataMaskOwner(), 1.0f);
    EXPECT_EQ(probe.Size(), u.NumberOfTriangles());

    // A delegate that asks to stop ends the search after the first triangle; the triangles never
    // measured are not reported, and the part comes back as it was.
    std::size_t hits = 0;
    detector.SetFirstPart(&u, [&](MStlTriangle&) { ++hits; });
    detector.SetProgressDelegate(std::make_shared<vz_test::RecordingDelegate>(1));
    EXPECT_EQ(detector.Operate(), Detector::eCancelled);
    EXPECT_LE(hits, 1u);
    EXPECT_EQ(vz_test::TakeSnapshot(u), uBefore);
}
