#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "collision/TriangleDistance.h"
#include "support/closed_mesh_builders.h"
#include "thickness/MUserOperatorWallThickness.h"

namespace
{
using Point = MMPoint3d<double>;
using Params = MUserOperatorWallThickness::MParams;
using Op = MUserOperatorWallThickness;
constexpr double kPi = 3.141592653589793;
constexpr float kUntouched = -1.0f;
constexpr float kNoWall = 15000.0f; // the default maximum

// An operator set up on a mesh with an output mask that starts untouched.
struct OperatorOn
{
    MDataMask<MStlTriangle, float> out;
    Op op;
    OperatorOn(MStlBase const& mesh, Params const& params = Params())
        : out(const_cast<MStlBase&>(mesh).GetDataMaskOwner(), kUntouched)
    {
        op.SetModel(&mesh);
        op.SetParams(params);
        op.SetOutputMask(out);
    }
};

std::vector<float> Thickness(MStlBase const& mesh, Params const& params = Params())
{
    OperatorOn run(mesh, params);
    EXPECT_EQ(run.op.Operate(), Op::eOK);
    std::vector<float> values;
    for (MStlTriangle const* t : mesh.GetTriangles()) values.push_back(run.out.GetInfo(t));
    return values;
}

Params Limits(double minThickness, double maxThickness)
{
    Params p;
    p.MinThickness = minThickness;
    p.MaxThickness = maxThickness;
    return p;
}

// The opposite-wall pair test written out again from its definition, to check the operator's tree
// and bin pruning against an evaluation over all pairs.
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
                         MDataMask<MStlTriangle, bool> const& opposite)
{
    double best = p.MaxThickness * p.MaxThickness;
    for (MStlTriangle const* c : mesh.GetTriangles())
        if (opposite.GetInfo(c)) best = std::min(best, ReferencePairDistanceSqr(c, t, p));
    return float(std::min(std::max(std::sqrt(best), p.MinThickness), p.MaxThickness));
}

void AddTriangle(MStlBase& mesh, Point a, Point b, Point c)
{
    auto add = [&](Point const& p)
    {
        return mesh.AddPoint(std::int32_t(std::lround(p.x)), std::int32_t(std::lround(p.y)),
                             std::int32_t(std::lround(p.z)));
    };
    mesh.AddTriangle(add(a), add(b), add(c));
}

using Corners = std::array<Point, 3>;

// The measurement of the first of two triangles.
float MeasureFirst(Corners const& first, Corners const& second)
{
    MStlBase mesh;
    AddTriangle(mesh, first[0], first[1], first[2]);
    AddTriangle(mesh, second[0], second[1], second[2]);
    return Thickness(mesh, Limits(0.0, 15000.0)).front();
}

struct RecordingDelegate : Zodara::Common::IProgressDelegate
{
    explicit RecordingDelegate(std::size_t cancelAfter_ = std::numeric_limits<std::size_t>::max())
        : cancelAfter(cancelAfter_)
    {
    }
    void OnStart(std::string const& name, std::size_t total) override { taskName = name, totalSteps = total; }
    void OnProgress(std::size_t done, std::size_t) override
    {
        if (done == throwAt) throw std::runtime_error("delegate failed");
        lastDone = done;
    }
    void OnFinish() override { finished = true; }
    bool IsCancelRequested() override { return lastDone >= cancelAfter; }
    std::size_t cancelAfter, throwAt = std::numeric_limits<std::size_t>::max();
    std::string taskName;
    std::size_t totalSteps = 0, lastDone = 0;
    bool finished = false;
};
} // namespace

// The default limits clamp; hollow boxes are measured by the sweep over all pairs below.
TEST(WallThickness, PlateMeasuresItsWallClampedToTheDefaultLimits)
{
    struct Case
    {
        std::int32_t wall;
        float expected;
    };
    // A direction angle of 0 still accepts the exactly perpendicular pairs across the plate.
    // An opposite angle of 180 still accepts the exactly opposite normals of the two faces.
    Params perpendicularOnly, oppositeOnly;
    perpendicularOnly.DirectionAngle = 0.0;
    oppositeOnly.OppositeAngle = 180.0;
    for (Case const c : {Case{8000, 8000.0f}, Case{3000, 5000.0f}, Case{20000, 15000.0f}})
        for (Params const& params : {Params(), perpendicularOnly, oppositeOnly})
        {
            MStlBase plate;
            vz_test::AddBox(plate, {0, 0, 0}, {100000, 100000, c.wall}, 4);
            std::vector<float> const values = Thickness(plate, params);
            for (std::size_t i = 0; i < values.size(); ++i)
            {
                if (std::fabs(plate.GetTriangle(i)->GetNormal().z) > 0.999)
                {
                    EXPECT_NEAR(values[i], c.expected, 1e-3)
                        << "wall " << c.wall << " angles " << params.DirectionAngle << ", " << params.OppositeAngle;
                }
            }
        }
}

TEST(WallThickness, HandWorkedPairsAtTheAngleAndContactBoundaries)
{
    // A lone triangle has no opposite wall.
    MStlBase sheet;
    AddTriangle(sheet, {0, 0, 0}, {10000, 0, 0}, {0, 10000, 0});
    EXPECT_EQ(Thickness(sheet).front(), kNoWall);

    // Facing -z, shifted sideways: the closest points (1000,0,0) and (x,0,-2000) are tilted 14 degrees
    // from the normals for x = 1500, 77.5 (beyond the 70-degree direction angle) for x = 10000.
    Corners const up{Point(0, 0, 0), Point(1000, 0, 0), Point(0, 1000, 0)};
    auto below = [&](double x) {
        return MeasureFirst(up, {Point(x, 0, -2000), Point(x, 1000, -2000), Point(x + 1000, 0, -2000)});
    };
    EXPECT_NEAR(below(1500), std::sqrt(500.0 * 500.0 + 2000.0 * 2000.0), 1e-3);
    EXPECT_EQ(below(10000), kNoWall);

    // Below, its normal turned from +z by the given angle: 110 degrees is within the 120-degree
    // opposite angle (not an opposite wall), 130 is beyond it.
    auto tilted = [](double normalAngleDegrees)
    {
        double const a = normalAngleDegrees * kPi / 180.0;
        Point const n(0, -std::sin(a), std::cos(a)), e1(1, 0, 0), e2 = n.Cross(e1), centre(0, 0, -3000);
        return MeasureFirst({Point(-1000, -1000, 0), Point(1000, -1000, 0), Point(0, 1000, 0)},
                            {centre + e1 * -800 + e2 * -800, centre + e1 * 800 + e2 * -800, centre + e2 * 800});
    };
    EXPECT_EQ(tilted(110.0), kNoWall);
    EXPECT_LT(tilted(130.0), kNoWall);

    // In the plane x + y + 2z = k, normal along -(1, 1, 2): the first triangle's vertex touching its
    // interior with the other vertices behind measures zero (clamped to the minimum); shifted so that
    // it cuts through with a vertex in front, it is rejected.
    auto crossing = [](double s)
    {
        MStlBase mesh;
        AddTriangle(mesh, {0, 0, 0}, {10000, 0, 0}, {0, 10000, 0});
        AddTriangle(mesh, {-4000 + s, -4000 + s, 4000}, {-2000 + s, 6000 + s, -2000}, {6000 + s, -2000 + s, -2000});
        return Thickness(mesh).front();
    };
    EXPECT_EQ(crossing(0), 5000.0f);
    EXPECT_EQ(crossing(2000), kNoWall);
}

TEST(WallThickness, MatchesTheEvaluationOverAllPairsOnRandomClosedMeshes)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round)
    {
        MStlBase mesh;
        vz_test::AddBox(mesh, {0, 0, 0}, {40000, 30000, 20000}, 3);
        vz_test::AddBox(mesh, {6000, 5000, 4000}, {34000, 25000, 16000}, 2, true);
        vz_test::JitterVertices(mesh, 2500, rng);
        Params p = Limits(round % 2 ? 0.0 : 3000.0, round < 3 ? 15000.0 : 40000.0);
        p.OppositeAngle = round == 4 ? 100.0 : 120.0;
        p.DirectionAngle = round == 5 ? 95.0 : 70.0;
        MDataMask<MStlTriangle, bool> opposite(mesh.GetDataMaskOwner(), true);
        if (round >= 2)
            for (std::size_t i = 0; i < mesh.NumberOfTriangles(); i += 5) opposite.SetInfoByIndex(i, false);
        OperatorOn run(mesh, p);
        run.op.SetInputMaskOpposite(opposite);
        ASSERT_EQ(run.op.Operate(), Op::eOK);
        std::size_t between = 0;
        for (MStlTriangle const* t : mesh.GetTriangles())
        {
            float const expected = ReferenceThickness(mesh, t, p, opposite);
            ASSERT_EQ(run.out.GetInfo(t), expected) << "round " << round << " triangle " << t->GetElementIndex();
            between += expected > p.MinThickness && expected < p.MaxThickness;
        }
        EXPECT_GT(between, mesh.NumberOfTriangles() / 4) << "many walls are measured, not clamped";
    }
}

// Opposite-wall masks are part of the sweep over all pairs.
TEST(WallThickness, InputMaskSelectsTheMeasuredTriangles)
{
    MStlBase plate;
    vz_test::AddBox(plate, {0, 0, 0}, {50000, 50000, 8000}, 2);
    auto isTop = [](MStlTriangle const* t) { return t->GetNormal().z > 0.999; };
    MDataMask<MStlTriangle, bool> onlyTop(plate.GetDataMaskOwner(), false);
    for (MStlTriangle const* t : plate.GetTriangles()) onlyTop.SetInfo(t, isTop(t));
    OperatorOn run(plate);
    run.op.SetInputMaskOperate(onlyTop);
    ASSERT_EQ(run.op.Operate(), Op::eOK);
    for (MStlTriangle const* t : plate.GetTriangles()) EXPECT_EQ(run.out.GetInfo(t), isTop(t) ? 8000.0f : kUntouched);
}

TEST(WallThickness, ReturnCodesForMissingInputsAndAnEmptyModel)
{
    MStlBase plate, empty;
    vz_test::AddBox(plate, {0, 0, 0}, {50000, 50000, 8000}, 1);
    MDataMask<MStlTriangle, float> out(plate.GetDataMaskOwner(), kUntouched);
    Op noModel, noMask;
    noModel.SetOutputMask(out);
    EXPECT_EQ(noModel.Operate(), Op::eNoModel);
    noMask.SetModel(&plate);
    EXPECT_EQ(noMask.Operate(), Op::eNoOutputMask);
    for (MStlTriangle const* t : plate.GetTriangles()) EXPECT_EQ(out.GetInfo(t), kUntouched);
    OperatorOn onEmpty(empty);
    EXPECT_EQ(onEmpty.op.Operate(), Op::eOK);
    EXPECT_EQ(onEmpty.out.Size(), 0u);
}

TEST(WallThickness, ReportsProgressCancelsLeavingUnstartedTrianglesUntouchedAndPassesDelegateExceptionsOn)
{
    MStlBase box;
    vz_test::AddBox(box, {0, 0, 0}, {60000, 60000, 60000}, 12);
    vz_test::AddBox(box, {7000, 7000, 7000}, {53000, 53000, 53000}, 12, true);
    auto complete = std::make_shared<RecordingDelegate>();
    {
        OperatorOn run(box);
        run.op.SetProgressDelegate(complete);
        EXPECT_EQ(run.op.Operate(), Op::eOK);
    }
    EXPECT_EQ(complete->taskName, "MUserOperatorWallThickness::EReturnCode MUserOperatorWallThickness::Operate()");
    EXPECT_EQ(complete->totalSteps, box.NumberOfTriangles());
    EXPECT_EQ(complete->lastDone, box.NumberOfTriangles());
    EXPECT_TRUE(complete->finished);

    auto cancelling = std::make_shared<RecordingDelegate>(1);
    OperatorOn run(box);
    run.op.SetProgressDelegate(cancelling);
    EXPECT_EQ(run.op.Operate(), Op::eCancelled);
    std::size_t written = 0;
    for (MStlTriangle const* t : box.GetTriangles()) written += run.out.GetInfo(t) != kUntouched;
    // The triangle that cancelled, plus at most one already started on each other thread.
    EXPECT_GE(written, 1u);
    EXPECT_LE(written, std::size_t(omp_get_num_procs()));
    EXPECT_EQ(cancelling->lastDone, written);

    // An exception from the delegate reaches the caller; the operator can run again afterwards.
    auto throwing = std::make_shared<RecordingDelegate>();
    throwing->throwAt = 3;
    run.op.SetProgressDelegate(throwing);
    EXPECT_THROW(run.op.Operate(), std::runtime_error);
    run.op.SetProgressDelegate(std::make_shared<RecordingDelegate>());
    EXPECT_EQ(run.op.Operate(), Op::eOK);
    for (MStlTriangle const* t : box.GetTriangles()) EXPECT_NE(run.out.GetInfo(t), kUntouched);
}
