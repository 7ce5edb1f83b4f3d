#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "collision/TriangleDistance.h"
#include "support/ClosedMeshBuilders.h"
#include "thickness/MUserOperatorWallThickness.h"

namespace
{
using Point = MMPoint3d<double>;
using Params = MUserOperatorWallThickness::MParams;
constexpr double kPi = 3.141592653589793;
constexpr float kUntouched = -1.0f;

std::vector<float> RunThickness(MStlBase const& mesh, Params const& params,
                                MUserOperatorWallThickness::EReturnCode expected = MUserOperatorWallThickness::eOK)
{
    MDataMask<MStlTriangle, float> mask(const_cast<MStlBase&>(mesh).GetDataMaskOwner(), kUntouched);
    MUserOperatorWallThickness op;
    op.SetModel(&mesh);
    op.SetParams(params);
    op.SetOutputMask(mask);
    EXPECT_EQ(op.Operate(), expected);
    std::vector<float> values;
    for (MStlTriangle const* t : mesh.GetTriangles()) values.push_back(mask.GetInfo(t));
    return values;
}

Params WithThickness(double minThickness, double maxThickness)
{
    Params p;
    p.MinThickness = minThickness;
    p.MaxThickness = maxThickness;
    return p;
}

bool FacesAlongZ(MStlTriangle const* t) { return std::fabs(t->GetNormal().z) > 0.999; }

// The opposite-wall pair test, written out once more from its definition, to check the operator's
// tree and bin pruning against an evaluation over all pairs.
double ReferencePairDistanceSqr(MStlTriangle const* c, MStlTriangle const* t, Params const& p)
{
    double const rejected = p.MaxThickness * p.MaxThickness;
    Point const nT = t->GetNormal(), nC = c->GetNormal();
    if (nT.Dot(nC) > std::cos(p.OppositeAngle * kPi / 180.0)) return rejected;
    Point pC, pT;
    double const d2 = MeshQueries::TriangleDistanceSqr(c, t, &pC, &pT);
    if (d2 == 0.0)
    {
        int inPlane = 0;
        for (int k = 0; k < 3; ++k)
        {
            double const w = (t->GetVertex(k) - pC).Dot(nC);
            if (std::fabs(w) < 1.4901161193847656e-8)
                ++inPlane;
            else if (w > 0)
                return rejected;
        }
        return inPlane == 3 ? rejected : 0.0;
    }
    Point u = pC - pT;
    double const length = MeshQueries::SafeLength(u);
    if (length > 0) u = u / length;
    double const a = u.Dot(nC), b = u.Dot(nT);
    if (a < 0 || b > 0) return rejected;
    double const cosDirection = std::cos(p.DirectionAngle * kPi / 180.0);
    if (cosDirection > 0 && (std::fabs(a) < cosDirection || std::fabs(b) < cosDirection)) return rejected;
    return d2;
}

float ReferenceThickness(MStlBase const& mesh, MStlTriangle const* t, Params const& p,
                         MDataMask<MStlTriangle, bool> const* opposite)
{
    double best = p.MaxThickness * p.MaxThickness;
    for (MStlTriangle const* c : mesh.GetTriangles())
    {
        if (opposite && !opposite->GetInfo(c)) continue;
        double const d2 = ReferencePairDistanceSqr(c, t, p);
        if (d2 < best) best = d2;
    }
    return float(std::min(std::max(std::sqrt(best), p.MinThickness), p.MaxThickness));
}

MStlTriangle* AddTriangle(MStlBase& mesh, testmesh::IntPoint a, testmesh::IntPoint b, testmesh::IntPoint c)
{
    return mesh.AddTriangle(mesh.AddPoint(a[0], a[1], a[2]), mesh.AddPoint(b[0], b[1], b[2]),
                            mesh.AddPoint(c[0], c[1], c[2]));
}

class RecordingDelegate : public Zodara::Common::IProgressDelegate
{
public:
    explicit RecordingDelegate(std::size_t cancelAfter) : m_cancelAfter(cancelAfter) {}
    void OnStart(std::string const& name, std::size_t total) override
    {
        taskName = name;
        totalSteps = total;
    }
    void OnProgress(std::size_t done, std::size_t) override { lastDone = done; }
    void OnFinish() override { finished = true; }
    bool IsCancelRequested() override { return lastDone >= m_cancelAfter; }

    std::string taskName;
    std::size_t totalSteps = 0;
    std::size_t lastDone = 0;
    bool finished = false;

private:
    std::size_t m_cancelAfter;
};
} // namespace

TEST(WallThickness, PlateFacesMeasureTheWallAndAreClampedToTheLimits)
{
    struct Case
    {
        std::int32_t wall;
        float expected;
    };
    for (Case const c : {Case{8000, 8000.0f}, Case{3000, 5000.0f}, Case{20000, 15000.0f}})
    {
        MStlBase plate;
        testmesh::AddBox(plate, {0, 0, 0}, {100000, 100000, c.wall}, 4);
        std::vector<float> const values = RunThickness(plate, Params());
        for (std::size_t i = 0; i < values.size(); ++i)
        {
            if (FacesAlongZ(plate.GetTriangle(i)))
            {
                EXPECT_NEAR(values[i], c.expected, 1e-3) << "wall " << c.wall;
            }
        }
    }
}

TEST(WallThickness, HollowBoxMeasuresItsWallEverywhere)
{
    MStlBase box;
    testmesh::AddBox(box, {0, 0, 0}, {60000, 60000, 60000}, 3);
    testmesh::AddBox(box, {7000, 7000, 7000}, {53000, 53000, 53000}, 2, true);
    std::vector<float> const values = RunThickness(box, WithThickness(0.0, 20000.0));
    for (float v : values) EXPECT_NEAR(v, 7000.0f, 1e-3);
}

TEST(WallThickness, OpenSheetGetsTheMaximum)
{
    MStlBase sheet;
    AddTriangle(sheet, {0, 0, 0}, {10000, 0, 0}, {0, 10000, 0});
    AddTriangle(sheet, {10000, 0, 0}, {10000, 10000, 0}, {0, 10000, 0});
    for (float v : RunThickness(sheet, Params())) EXPECT_EQ(v, 15000.0f);
}

TEST(WallThickness, TiltedConnectionBeyondTheDirectionAngleIsNotMeasured)
{
    auto measure = [](std::int32_t shift)
    {
        MStlBase mesh;
        AddTriangle(mesh, {0, 0, 0}, {1000, 0, 0}, {0, 1000, 0});                             // faces +z
        AddTriangle(mesh, {shift, 0, -2000}, {shift, 1000, -2000}, {shift + 1000, 0, -2000}); // faces -z
        return RunThickness(mesh, WithThickness(0.0, 15000.0)).front();
    };
    // Closest points (1000,0,0) and (shift,0,-2000): tilted atan(500/2000) = 14 degrees, then 77.5.
    EXPECT_NEAR(measure(1500), std::sqrt(500.0 * 500.0 + 2000.0 * 2000.0), 1e-3);
    EXPECT_EQ(measure(10000), 15000.0f);
}

TEST(WallThickness, NormalsLessThanTheOppositeAngleApartDoNotMeasureEachOther)
{
    auto measure = [](double normalAngleDegrees)
    {
        MStlBase mesh;
        AddTriangle(mesh, {-1000, -1000, 0}, {1000, -1000, 0}, {0, 1000, 0}); // faces +z
        // A triangle below, its normal turned from +z by the given angle about the x axis.
        double const a = normalAngleDegrees * kPi / 180.0;
        Point const n(0, -std::sin(a), std::cos(a));
        Point const e1(1, 0, 0), e2 = n.Cross(e1); // e1 x e2 = n
        Point const centre(0, 0, -3000);
        auto at = [&](double s, double t)
        {
            Point const p = centre + e1 * s + e2 * t;
            return testmesh::IntPoint{std::int32_t(std::lround(p.x)), std::int32_t(std::lround(p.y)),
                                      std::int32_t(std::lround(p.z))};
        };
        AddTriangle(mesh, at(-800, -800), at(800, -800), at(0, 800));
        return RunThickness(mesh, WithThickness(0.0, 15000.0)).front();
    };
    EXPECT_EQ(measure(110.0), 15000.0f);
    EXPECT_LT(measure(130.0), 15000.0f);
}

TEST(WallThickness, TouchingIsZeroButCrossingWithAVertexInFrontIsRejected)
{
    // C lies in the plane x + y + 2z = k with its normal along -(1, 1, 2), 145 degrees from T's +z.
    auto measureT = [](std::int32_t shift)
    {
        MStlBase mesh;
        AddTriangle(mesh, {0, 0, 0}, {10000, 0, 0}, {0, 10000, 0});
        AddTriangle(mesh, {-4000 + shift, -4000 + shift, 4000}, {-2000 + shift, 6000 + shift, -2000},
                    {6000 + shift, -2000 + shift, -2000});
        EXPECT_GT(mesh.GetTriangle(1)->GetNormal().Dot(Point(-1, -1, -2)), 0.0);
        return RunThickness(mesh, Params()).front();
    };
    // T's vertex (0,0,0) touches C's interior and its other vertices lie behind C.
    EXPECT_EQ(measureT(0), 5000.0f);
    // Shifted, C cuts through T with T's first vertex in front of it.
    EXPECT_EQ(measureT(2000), 15000.0f);
}

TEST(WallThickness, MatchesTheEvaluationOverAllPairsOnRandomClosedMeshes)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round)
    {
        MStlBase mesh;
        testmesh::AddBox(mesh, {0, 0, 0}, {40000, 30000, 20000}, 3);
        testmesh::AddBox(mesh, {6000, 5000, 4000}, {34000, 25000, 16000}, 2, true);
        testmesh::JitterVertices(mesh, 2500, rng);
        Params p;
        p.MinThickness = round % 2 ? 0.0 : 3000.0;
        p.MaxThickness = round < 3 ? 15000.0 : 40000.0;
        p.OppositeAngle = round == 4 ? 100.0 : 120.0;
        p.DirectionAngle = round == 5 ? 95.0 : 70.0;

        MDataMask<MStlTriangle, bool> opposite(mesh.GetDataMaskOwner(), true);
        if (round >= 2)
            for (std::size_t i = 0; i < mesh.NumberOfTriangles(); i += 5) opposite.SetInfoByIndex(i, false);
        MDataMask<MStlTriangle, float> out(mesh.GetDataMaskOwner(), kUntouched);
        MUserOperatorWallThickness op;
        op.SetModel(&mesh);
        op.SetParams(p);
        op.SetOutputMask(out);
        op.SetInputMaskOpposite(opposite);
        ASSERT_EQ(op.Operate(), MUserOperatorWallThickness::eOK);
        std::size_t between = 0;
        for (MStlTriangle const* t : mesh.GetTriangles())
        {
            float const expected = ReferenceThickness(mesh, t, p, &opposite);
            ASSERT_EQ(out.GetInfo(t), expected) << "round " << round << " triangle " << t->GetElementIndex();
            between += expected > p.MinThickness && expected < p.MaxThickness;
        }
        EXPECT_GT(between, mesh.NumberOfTriangles() / 4) << "many walls are measured, not clamped";
    }
}

TEST(WallThickness, InputMasksSelectMeasuredTrianglesAndOppositeWalls)
{
    MStlBase plate;
    testmesh::AddBox(plate, {0, 0, 0}, {50000, 50000, 8000}, 2);
    auto isTop = [](MStlTriangle const* t) { return t->GetNormal().z > 0.999; };
    auto isBottom = [](MStlTriangle const* t) { return t->GetNormal().z < -0.999; };

    MDataMask<MStlTriangle, bool> onlyTop(plate.GetDataMaskOwner(), false);
    MDataMask<MStlTriangle, bool> notBottom(plate.GetDataMaskOwner(), true);
    for (MStlTriangle const* t : plate.GetTriangles())
    {
        onlyTop.SetInfo(t, isTop(t));
        notBottom.SetInfo(t, !isBottom(t));
    }

    MDataMask<MStlTriangle, float> out(plate.GetDataMaskOwner(), kUntouched);
    MUserOperatorWallThickness op;
    op.SetModel(&plate);
    op.SetOutputMask(out);
    op.SetInputMaskOperate(onlyTop);
    ASSERT_EQ(op.Operate(), MUserOperatorWallThickness::eOK);
    for (MStlTriangle const* t : plate.GetTriangles()) EXPECT_EQ(out.GetInfo(t), isTop(t) ? 8000.0f : kUntouched);

    // Without the bottom as an opposite wall the top sees nothing; the operator can be run again.
    op.SetInputMaskOpposite(notBottom);
    ASSERT_EQ(op.Operate(), MUserOperatorWallThickness::eOK);
    for (MStlTriangle const* t : plate.GetTriangles()) EXPECT_EQ(out.GetInfo(t), isTop(t) ? 15000.0f : kUntouched);
}

TEST(WallThickness, ReturnCodesForMissingInputsAndAnEmptyModel)
{
    MStlBase plate;
    testmesh::AddBox(plate, {0, 0, 0}, {50000, 50000, 8000}, 1);
    MDataMask<MStlTriangle, float> out(plate.GetDataMaskOwner(), kUntouched);

    MUserOperatorWallThickness noModel;
    noModel.SetOutputMask(out);
    EXPECT_EQ(noModel.Operate(), MUserOperatorWallThickness::eNoModel);

    MUserOperatorWallThickness noMask;
    noMask.SetModel(&plate);
    EXPECT_EQ(noMask.Operate(), MUserOperatorWallThickness::eNoOutputMask);
    for (MStlTriangle const* t : plate.GetTriangles()) EXPECT_EQ(out.GetInfo(t), kUntouched);

    MStlBase empty;
    MDataMask<MStlTriangle, float> emptyOut(empty.GetDataMaskOwner(), kUntouched);
    MUserOperatorWallThickness onEmpty;
    onEmpty.SetModel(&empty);
    onEmpty.SetOutputMask(emptyOut);
    EXPECT_EQ(onEmpty.Operate(), MUserOperatorWallThickness::eOK);
    EXPECT_EQ(emptyOut.Size(), 0u);
}

TEST(WallThickness, ReportsProgressAndCancellationLeavesUnstartedTrianglesUntouched)
{
    MStlBase box;
    testmesh::AddBox(box, {0, 0, 0}, {60000, 60000, 60000}, 12);
    testmesh::AddBox(box, {7000, 7000, 7000}, {53000, 53000, 53000}, 12, true);

    auto complete = std::make_shared<RecordingDelegate>(std::numeric_limits<std::size_t>::max());
    {
        MDataMask<MStlTriangle, float> out(box.GetDataMaskOwner(), kUntouched);
        MUserOperatorWallThickness op;
        op.SetModel(&box);
        op.SetOutputMask(out);
        op.SetProgressDelegate(complete);
        EXPECT_EQ(op.Operate(), MUserOperatorWallThickness::eOK);
    }
    EXPECT_EQ(complete->taskName, "MUserOperatorWallThickness::EReturnCode MUserOperatorWallThickness::Operate()");
    EXPECT_EQ(complete->totalSteps, box.NumberOfTriangles());
    EXPECT_EQ(complete->lastDone, box.NumberOfTriangles());
    EXPECT_TRUE(complete->finished);

    auto cancelling = std::make_shared<RecordingDelegate>(1);
    MDataMask<MStlTriangle, float> out(box.GetDataMaskOwner(), kUntouched);
    MUserOperatorWallThickness op;
    op.SetModel(&box);
    op.SetOutputMask(out);
    op.SetProgressDelegate(cancelling);
    EXPECT_EQ(op.Operate(), MUserOperatorWallThickness::eCancelled);
    std::size_t written = 0;
    for (MStlTriangle const* t : box.GetTriangles()) written += out.GetInfo(t) != kUntouched;
    // The triangle that cancelled, plus at most one already started on each other thread.
    EXPECT_GE(written, 1u);
    EXPECT_LE(written, std::size_t(omp_get_num_procs()));
    EXPECT_EQ(cancelling->lastDone, written);
}

TEST(WallThickness, AnExceptionFromTheDelegateReachesTheCaller)
{
    struct ThrowingDelegate : Zodara::Common::IProgressDelegate
    {
        void OnStart(std::string const&, std::size_t) override {}
        void OnProgress(std::size_t done, std::size_t) override
        {
            if (done == 3) throw std::runtime_error("delegate failed");
        }
        void OnFinish() override {}
        bool IsCancelRequested() override { return false; }
    };
    MStlBase plate;
    testmesh::AddBox(plate, {0, 0, 0}, {50000, 50000, 8000}, 8);
    MDataMask<MStlTriangle, float> out(plate.GetDataMaskOwner(), kUntouched);
    MUserOperatorWallThickness op;
    op.SetModel(&plate);
    op.SetOutputMask(out);
    op.SetProgressDelegate(std::make_shared<ThrowingDelegate>());
    EXPECT_THROW(op.Operate(), std::runtime_error);

    op.SetProgressDelegate(std::make_shared<RecordingDelegate>(std::numeric_limits<std::size_t>::max()));
    EXPECT_EQ(op.Operate(), MUserOperatorWallThickness::eOK);
    for (MStlTriangle const* t : plate.GetTriangles()) EXPECT_NE(out.GetInfo(t), kUntouched);
}
