// Progress and cancellation of the collision operators: a delegate that asks to stop ends the search
// early with eCancelled, leaves the caller's mesh and the operator as a full run would, and the
// reported steps add up; a delegate that never asks changes no result.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "collision/MUserOperatorCollisionDetectorWithToleranceMultipart.h"
#include "support/closed_mesh_builders.h"

namespace
{
using Detector = MUserOperatorCollisionDetectorWithTolerance;
using Multipart = MUserOperatorCollisionDetectorWithToleranceMultipart;

// Records what it is told; asks to stop once `stopAfter` progress calls have come (never when 0).
struct RecordingDelegate : Zodara::Common::IProgressDelegate
{
    explicit RecordingDelegate(std::size_t stopAfter_ = 0) : stopAfter(stopAfter_) {}
    void OnStart(std::string const&, std::size_t total) override { totals.push_back(total); }
    void OnProgress(std::size_t done, std::size_t) override
    {
        lastDone = done;
        ++progressCalls;
        if (throwOnProgress) throw std::runtime_error("delegate failed");
    }
    void OnFinish() override { ++finishes; }
    bool IsCancelRequested() override { return stopAfter != 0 && progressCalls >= stopAfter; }

    std::size_t stopAfter;
    bool throwOnProgress = false;
    std::vector<std::size_t> totals;
    std::size_t lastDone = 0, progressCalls = 0, finishes = 0;
};

// Two 10 mm cubes of 6 * 2 * 12 * 12 triangles each, overlapping by half their width.
struct OverlappingCubes
{
    OverlappingCubes()
    {
        vz_test::AddBox(a, {0, 0, 0}, {100000, 100000, 100000}, 12);
        vz_test::AddBox(b, {50000, 0, 0}, {150000, 100000, 100000}, 12);
    }
    MStlBase a, b;
};

std::pair<std::set<MStlTriangle const*>, std::set<MStlTriangle const*>>
RunPair(Detector& detector, OverlappingCubes& cubes, Detector::EReturnCode expected)
{
    std::set<MStlTriangle const*> first, second;
    detector.SetFirstPart(&cubes.a, [&](MStlTriangle& t) { first.insert(&t); });
    detector.SetSecondPart(&cubes.b, [&](MStlTriangle& t) { second.insert(&t); });
    EXPECT_EQ(detector.Operate(), expected);
    return {first, second};
}
} // namespace

TEST(CollisionProgress, TwoPartsCountEveryQueryTriangleAndFindTheSameHitsAsWithoutADelegate)
{
    OverlappingCubes cubes;
    Detector plain;
    auto const expected = RunPair(plain, cubes, Detector::eOK);
    ASSERT_FALSE(expected.first.empty());

    Detector watched;
    auto const delegate = std::make_shared<RecordingDelegate>();
    watched.SetProgressDelegate(delegate);
    EXPECT_EQ(RunPair(watched, cubes, Detector::eOK), expected);
    std::size_t const total = cubes.a.NumberOfTriangles() + cubes.b.NumberOfTriangles();
    EXPECT_EQ(delegate->totals, std::vector<std::size_t>{total});
    EXPECT_EQ(delegate->lastDone, total);
    EXPECT_EQ(delegate->finishes, 1u);
}

TEST(CollisionProgress, TwoPartsStopEarlyReportOnlyTrueHitsAndRunFullyAgainAfterwards)
{
    OverlappingCubes cubes;
    Detector plain;
    auto const expected = RunPair(plain, cubes, Detector::eOK);

    Detector detector;
    detector.SetProgressDelegate(std::make_shared<RecordingDelegate>(1));
    auto const stopped = RunPair(detector, cubes, Detector::eCancelled);
    EXPECT_LT(stopped.first.size() + stopped.second.size(), expected.first.size() + expected.second.size());
    for (auto const* t : stopped.first) EXPECT_EQ(expected.first.count(t), 1u);
    EXPECT_TRUE(stopped.second.empty()); // the second pass never started

    // The callbacks and transforms are back in their places: without the delegate all is found.
    detector.SetProgressDelegate(nullptr);
    EXPECT_EQ(RunPair(detector, cubes, Detector::eOK), expected);
}

TEST(CollisionProgress, ADelegateThatThrowsStopsTheSearchAndTheExceptionReachesTheCaller)
{
    OverlappingCubes cubes;
    Detector detector;
    auto const delegate = std::make_shared<RecordingDelegate>();
    delegate->throwOnProgress = true;
    detector.SetProgressDelegate(delegate);
    detector.SetFirstPart(&cubes.a, [](MStlTriangle&) {});
    detector.SetSecondPart(&cubes.b, [](MStlTriangle&) {});
    EXPECT_THROW(detector.Operate(), std::runtime_error);
    EXPECT_EQ(delegate->progressCalls, 1u);
}

TEST(CollisionProgress, OnePartStopsThroughTheThicknessMeasurementAndRestoresTheMesh)
{
    MStlBase part;
    vz_test::AddUShape(part, 40000, 3000, 20000, 60000, 50000);
    auto const before = vz_test::TakeSnapshot(part);
    std::vector<bool> const inward = [&]
    {
        std::vector<bool> n;
        for (MStlTriangle const* t : part.GetTriangles()) n.push_back(t->GetNormal().x > 0.5);
        return n;
    }();
    Detector detector;
    MUserOperatorCollisionDetectorWithTolerance::MParams params;
    params.Tolerance = 5000.0;
    detector.SetAllParams(params);
    std::size_t hits = 0;
    detector.SetFirstPart(&part, [&](MStlTriangle&) { ++hits; });
    detector.SetProgressDelegate(std::make_shared<RecordingDelegate>(1));
    EXPECT_EQ(detector.Operate(), Detector::eCancelled);
    EXPECT_LE(hits, 1u); // at most the one triangle measured before the stop
    EXPECT_TRUE(vz_test::TakeSnapshot(part) == before);
    std::size_t i = 0;
    for (MStlTriangle const* t : part.GetTriangles()) EXPECT_EQ(t->GetNormal().x > 0.5, inward[i++]);

    detector.SetProgressDelegate(std::make_shared<RecordingDelegate>());
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    EXPECT_GT(hits, 1u);
}

TEST(CollisionProgress, MultipartCountsEveryPairsQueriesStopsOnRequestAndKeepsItsPairsWithoutADelegate)
{
    // Four cubes in a row, each touching the next: pairs (1,0), (2,1), (3,2) by position.
    std::vector<std::unique_ptr<MStlBase>> cubes;
    Multipart detector;
    for (int k = 0; k < 4; ++k)
    {
        cubes.push_back(std::make_unique<MStlBase>());
        vz_test::AddBox(*cubes.back(), {k * 10000, 0, 0}, {(k + 1) * 10000, 10000, 10000}, 2 + k);
        detector.AddPart(cubes.back().get(), MMTransformMatrix());
    }
    std::vector<std::pair<std::size_t, std::size_t>> expected, found;
    ASSERT_EQ(detector.Operate(), Multipart::eOK);
    detector.GetCollisions(expected);
    ASSERT_EQ(expected.size(), 3u);

    auto const delegate = std::make_shared<RecordingDelegate>();
    detector.SetProgressDelegate(delegate);
    ASSERT_EQ(detector.Operate(), Multipart::eOK);
    detector.GetCollisions(found);
    EXPECT_EQ(found, expected);
    // Triangle counts 6 * 2 * n^2 for n = 2..5, in ascending order: part k is queried 3 - k times.
    std::size_t total = 0;
    for (int k = 0; k < 4; ++k) total += std::size_t(12 * (2 + k) * (2 + k)) * std::size_t(3 - k);
    EXPECT_EQ(delegate->totals, std::vector<std::size_t>{total});
    EXPECT_EQ(delegate->lastDone, total);

    detector.SetProgressDelegate(std::make_shared<RecordingDelegate>(1));
    EXPECT_EQ(detector.Operate(), Multipart::eCancelled);
    detector.GetCollisions(found);
    EXPECT_LT(found.size(), expected.size());
}
