#include <gtest/gtest.h>
#include <omp.h>

#include <map>
#include <random>
#include <vector>

#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "collision_reference.h"
#include "support/ClosedMeshBuilders.h"

namespace
{
using Detector = MUserOperatorCollisionDetectorWithTolerance;
using collisionref::Point;

struct Hits
{
    std::map<MStlTriangle const*, int> first, second;
    std::vector<int> sequence; // 1 or 2 per call, in call order
};

Hits RunBoth(Detector& detector, MStlBase& a, MStlBase& b)
{
    Hits hits;
    detector.SetFirstPart(&a,
                          [&](MStlTriangle& t)
                          {
                              ++hits.first[&t];
                              hits.sequence.push_back(1);
                          });
    detector.SetSecondPart(&b,
                           [&](MStlTriangle& t)
                           {
                               ++hits.second[&t];
                               hits.sequence.push_back(2);
                           });
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    return hits;
}

std::map<MStlTriangle const*, int> Expected(MStlBase const& query, MMTransformMatrix const& queryPlacement,
                                            MStlBase const& tree, MMTransformMatrix const& treePlacement,
                                            double tolerance)
{
    auto const mapping = collisionref::Mapping(treePlacement, queryPlacement);
    auto const within = collisionref::WithinTolerance(collisionref::TrianglesOf(query, mapping),
                                                      collisionref::TrianglesOf(tree, MMTransformMatrix()), tolerance);
    std::map<MStlTriangle const*, int> expected;
    for (std::size_t i = 0; i < within.size(); ++i)
        if (within[i]) expected[query.GetTriangle(i)] = 1;
    return expected;
}

void MakeRandomPart(MStlBase& part, std::mt19937& rng, int n)
{
    testmesh::AddBox(part, {0, 0, 0}, {30000, 24000, 18000}, n);
    testmesh::AddBox(part, {8000, 7000, 6000}, {22000, 17000, 12000}, 1, true);
    testmesh::JitterVertices(part, 1500, rng);
}

class ThreadCount
{
public:
    explicit ThreadCount(int n) : m_saved(omp_get_max_threads()) { omp_set_num_threads(n); }
    ~ThreadCount() { omp_set_num_threads(m_saved); }

private:
    int m_saved;
};
} // namespace

TEST(CollisionTwoParts, HitsMatchAllPairsUnderRotatedPlacementsOnAnyThreadCount)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 3; ++round)
    {
        MStlBase a, b;
        MakeRandomPart(a, rng, 3);
        MakeRandomPart(b, rng, 2 + round);
        // Turned about their centres (15000, 12000, 9000), then set side by side, overlapping a little.
        auto place = [](Point const& axis, double angle, Point const& centre)
        {
            MMTransformMatrix m = collisionref::Placement(axis, angle, centre);
            m.PostMultiply(MMTransformMatrix::Translation(Point(-15000, -12000, -9000)));
            return m;
        };
        MMTransformMatrix const placeA = place(Point(1, 2, 3), 0.4 + round, Point(1000, -2000, 500));
        MMTransformMatrix const placeB = place(Point(-2, 1, 0.5), 1.1, Point(27000.0 + 2000 * round, 1000, -3000));
        Detector::MParams params;
        params.Tolerance = 2500.0 + 1000 * round;

        auto const expectedA = Expected(a, placeA, b, placeB, params.Tolerance);
        auto const expectedB = Expected(b, placeB, a, placeA, params.Tolerance);
        ASSERT_FALSE(expectedA.empty());
        ASSERT_LT(expectedA.size(), a.NumberOfTriangles());

        for (int threads : {1, 2, 3})
        {
            ThreadCount const use(threads);
            Detector detector;
            detector.SetFirstPartTransform(placeA);
            detector.SetSecondPartTransform(placeB);
            detector.SetAllParams(params);
            Hits const hits = RunBoth(detector, a, b);
            EXPECT_EQ(hits.first, expectedA) << "round " << round << ", " << threads << " threads";
            EXPECT_EQ(hits.second, expectedB) << "round " << round << ", " << threads << " threads";
            EXPECT_TRUE(std::is_sorted(hits.sequence.begin(), hits.sequence.end()));

            // The object keeps its configuration: a second run reports the same to the same callbacks.
            Hits const again = RunBoth(detector, a, b);
            EXPECT_EQ(again.first, expectedA);
            EXPECT_EQ(again.second, expectedB);
        }
    }
}

TEST(CollisionTwoParts, PartsExactlyTheToleranceApartCollideAndOneUnitFartherDoNot)
{
    double const tolerance = 2000.0;
    MStlBase a, b;
    testmesh::AddBox(a, {0, 0, 0}, {10000, 10000, 10000}, 2);
    testmesh::AddBox(b, {0, 0, 0}, {10000, 10000, 10000}, 2);
    Detector::MParams params;
    params.Tolerance = tolerance;

    for (int extra : {0, 1})
    {
        Detector detector;
        detector.SetAllParams(params);
        MMTransformMatrix const placeB = MMTransformMatrix::Translation(Point(10000 + tolerance + extra, 0, 0));
        detector.SetSecondPartTransform(placeB);
        Hits const hits = RunBoth(detector, a, b);
        if (extra)
        {
            EXPECT_TRUE(hits.first.empty());
            EXPECT_TRUE(hits.second.empty());
            continue;
        }
        EXPECT_EQ(hits.first, Expected(a, MMTransformMatrix(), b, placeB, tolerance));
        EXPECT_EQ(hits.second, Expected(b, placeB, a, MMTransformMatrix(), tolerance));
        // The facing walls: all of a's +x face and all of b's -x face.
        for (MStlTriangle const* t : a.GetTriangles())
            if (t->GetNormal().x > 0.999)
            {
                EXPECT_EQ(hits.first.count(t), 1u);
            }
        for (MStlTriangle const* t : b.GetTriangles())
            if (t->GetNormal().x < -0.999)
            {
                EXPECT_EQ(hits.second.count(t), 1u);
            }
    }
}

TEST(CollisionTwoParts, IdenticalPartsReportEveryTriangleOnceAndDistantPartsNothing)
{
    MStlBase a, b;
    testmesh::AddBox(a, {0, 0, 0}, {10000, 8000, 6000}, 3);
    testmesh::AddBox(b, {0, 0, 0}, {10000, 8000, 6000}, 3);
    MMTransformMatrix const place = collisionref::Placement(Point(0, 1, 1), 0.3, Point(5, 6, 7));
    Detector detector;
    detector.SetFirstPartTransform(place);
    detector.SetSecondPartTransform(place);
    Hits const same = RunBoth(detector, a, b);
    ASSERT_EQ(same.first.size(), a.NumberOfTriangles());
    ASSERT_EQ(same.second.size(), b.NumberOfTriangles());
    for (auto const& h : same.first) EXPECT_EQ(h.second, 1);
    for (auto const& h : same.second) EXPECT_EQ(h.second, 1);

    detector.SetSecondPartTransform(MMTransformMatrix::Translation(Point(1e6, 0, 0)));
    Hits const far = RunBoth(detector, a, b);
    EXPECT_TRUE(far.sequence.empty());
}

TEST(CollisionTwoParts, MarkersDefaultToThePartsOwnMarker)
{
    struct CountingMarker : IStlMarkTriangles
    {
        void MarkTriangle(MStlTriangle&) override { ++count; }
        int count = 0;
    };
    MStlBase a, b;
    testmesh::AddBox(a, {0, 0, 0}, {10000, 10000, 10000}, 1);
    testmesh::AddBox(b, {0, 0, 0}, {10000, 10000, 10000}, 1);
    CountingMarker marker;
    Detector detector;
    detector.SetFirstPart(&a, &marker);
    detector.SetSecondPart(&b, static_cast<IStlMarkTriangles*>(nullptr));
    detector.SetSecondPartTransform(MMTransformMatrix::Translation(Point(10000, 0, 0)));
    EXPECT_EQ(detector.Operate(), Detector::eOK);

    auto expectedB = Expected(b, MMTransformMatrix::Translation(Point(10000, 0, 0)), a, MMTransformMatrix(), 5000.0);
    EXPECT_EQ(std::size_t(marker.count),
              Expected(a, MMTransformMatrix(), b, MMTransformMatrix::Translation(Point(10000, 0, 0)), 5000.0).size());
    for (MStlTriangle const* t : b.GetTriangles()) EXPECT_EQ(t->IsMarkedAnyMode(), expectedB.count(t) == 1);
    for (MStlTriangle const* t : a.GetTriangles()) EXPECT_FALSE(t->IsMarkedAnyMode());

    // A copy is configured the same.
    marker.count = 0;
    Detector copy(detector);
    EXPECT_EQ(copy.Operate(), Detector::eOK);
    EXPECT_GT(marker.count, 0);
}

TEST(CollisionTwoParts, NoFirstPartIsReportedAndCallsNothing)
{
    MStlBase b;
    testmesh::AddBox(b, {0, 0, 0}, {10000, 10000, 10000}, 1);
    int calls = 0;
    Detector detector;
    EXPECT_EQ(detector.Operate(), Detector::eNoFirstPart);
    detector.SetFirstPart(nullptr, b.GetDefaultMarker());
    detector.SetSecondPart(&b, [&](MStlTriangle&) { ++calls; });
    EXPECT_EQ(detector.Operate(), Detector::eNoFirstPart);
    EXPECT_EQ(calls, 0);
}

TEST(CollisionTwoParts, AnExceptionFromACallbackReachesTheCallerAndLeavesTheObjectUsable)
{
    MStlBase a, b;
    testmesh::AddBox(a, {0, 0, 0}, {10000, 10000, 10000}, 2);
    testmesh::AddBox(b, {0, 0, 0}, {10000, 10000, 10000}, 2);
    Detector detector;
    int firstCalls = 0;
    detector.SetFirstPart(&a, [&](MStlTriangle&) { ++firstCalls; });
    detector.SetSecondPart(&b, [](MStlTriangle&) { throw std::runtime_error("stop"); });
    EXPECT_THROW(detector.Operate(), std::runtime_error);
    // The roles were exchanged when the second pass threw; they must be back in place.
    firstCalls = 0;
    detector.SetSecondPart(&b, [](MStlTriangle&) {});
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    EXPECT_EQ(std::size_t(firstCalls), a.NumberOfTriangles());
}
