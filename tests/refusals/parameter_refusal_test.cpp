// Settings without meaning are refused before any work: operators answer eInvalidParameters and
// leave the caller's meshes, masks and earlier results as they were; free functions throw
// std::invalid_argument naming the argument.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "collision/MUserOperatorCollisionDetectorWithToleranceMultipart.h"
#include "graphsearch/PoreSizes.h"
#include "quality/MTriangleQualityCalculator.h"
#include "support/closed_mesh_builders.h"
#include "thickness/MUserOperatorWallThickness.h"
#include "trees/IntersectionCheckerVerticalInfiniteCone.h"

namespace
{

double const kNaN = std::numeric_limits<double>::quiet_NaN();
double const kInf = std::numeric_limits<double>::infinity();

MMTransformMatrix WithEntry(double value)
{
    double linear[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, value}};
    return MMTransformMatrix(linear, MMPoint3d<double>(0, 0, 0));
}

TEST(ParameterRefusals, TwoPartAndOnePartCollisionRefuseNaNNegativeToleranceAndBadPlacements)
{
    MStlBase a, b;
    vz_test::AddBox(a, {0, 0, 0}, {10000, 10000, 10000}, 2);
    vz_test::AddBox(b, {5000, 0, 0}, {15000, 10000, 10000}, 2);
    auto const before = vz_test::TakeSnapshot(a);
    using Detector = MUserOperatorCollisionDetectorWithTolerance;
    struct Case
    {
        double tolerance;
        MMTransformMatrix placement;
        bool twoParts;
    };
    Case const cases[] = {{kNaN, MMTransformMatrix(), true},  {-1.0, MMTransformMatrix(), true},
                          {-0.5, MMTransformMatrix(), false}, {kNaN, MMTransformMatrix(), false},
                          {100.0, WithEntry(kNaN), true},     {100.0, WithEntry(kInf), false}};
    for (Case const& c : cases)
    {
        int calls = 0;
        Detector detector;
        detector.SetFirstPart(&a, [&](MStlTriangle&) { ++calls; });
        if (c.twoParts) detector.SetSecondPart(&b, [&](MStlTriangle&) { ++calls; });
        detector.SetFirstPartTransform(c.placement);
        detector.SetAllParams(Detector::MParams{c.tolerance});
        EXPECT_EQ(detector.Operate(), Detector::eInvalidParameters);
        EXPECT_EQ(calls, 0);
        EXPECT_TRUE(vz_test::TakeSnapshot(a) == before);
    }
    // Zero and an infinite tolerance are meaningful: nothing within zero... everything within infinity.
    Detector detector;
    int calls = 0;
    detector.SetFirstPart(&a, [&](MStlTriangle&) { ++calls; });
    detector.SetSecondPart(&b, [&](MStlTriangle&) {});
    detector.SetAllParams(Detector::MParams{kInf});
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    EXPECT_EQ(std::size_t(calls), a.NumberOfTriangles());
    // A missing part is still reported first.
    Detector empty;
    empty.SetAllParams(Detector::MParams{kNaN});
    EXPECT_EQ(empty.Operate(), Detector::eNoFirstPart);
}

TEST(ParameterRefusals, MultipartRefusesAndKeepsTheEarlierCollisions)
{
    MStlBase a, b;
    vz_test::AddBox(a, {0, 0, 0}, {10000, 10000, 10000}, 2);
    vz_test::AddBox(b, {5000, 0, 0}, {15000, 10000, 10000}, 2);
    using Detector = MUserOperatorCollisionDetectorWithToleranceMultipart;
    Detector detector;
    detector.AddPart(&a, MMTransformMatrix());
    detector.AddPart(&b, MMTransformMatrix());
    ASSERT_EQ(detector.Operate(), Detector::eOK);
    std::vector<std::pair<std::size_t, std::size_t>> found;
    detector.GetCollisions(found);
    ASSERT_EQ(found.size(), 1u);
    for (double tolerance : {kNaN, -1.0, -kInf})
    {
        detector.SetAllParams(Detector::MParams{tolerance});
        EXPECT_EQ(detector.Operate(), Detector::eInvalidParameters);
        std::vector<std::pair<std::size_t, std::size_t>> kept;
        detector.GetCollisions(kept);
        EXPECT_EQ(kept, found);
    }
    detector.SetAllParams(Detector::MParams{0.0});
    detector.AddPart(&b, WithEntry(kNaN));
    EXPECT_EQ(detector.Operate(), Detector::eInvalidParameters);
}

TEST(ParameterRefusals, WallThicknessRefusesMeaninglessLimitsAndAnglesLeavingTheMask)
{
    MStlBase plate;
    vz_test::AddBox(plate, {0, 0, 0}, {40000, 40000, 8000}, 2);
    float const untouched = -7.0f;
    MDataMask<MStlTriangle, float> out(plate.GetDataMaskOwner(), untouched);
    using Operator = MUserOperatorWallThickness;
    auto params = [](double minT, double maxT, double opposite, double direction)
    {
        Operator::MParams p;
        p.MinThickness = minT;
        p.MaxThickness = maxT;
        p.OppositeAngle = opposite;
        p.DirectionAngle = direction;
        return p;
    };
    Operator::MParams const refused[] = {
        params(kNaN, 15000, 120, 70),   params(5000, kNaN, 120, 70),   params(-1, 15000, 120, 70),
        params(5000, -1, 120, 70),      params(16000, 15000, 120, 70), params(5000, 15000, kNaN, 70),
        params(5000, 15000, 120, kNaN), params(5000, 15000, -0.1, 70), params(5000, 15000, 180.5, 70),
        params(5000, 15000, 120, 200),  params(kInf, 15000, 120, 70),
    };
    for (auto const& p : refused)
    {
        Operator op;
        op.SetModel(&plate);
        op.SetOutputMask(out);
        op.SetParams(p);
        EXPECT_EQ(op.Operate(), Operator::eInvalidParameters);
        for (MStlTriangle const* t : plate.GetTriangles()) ASSERT_EQ(out.GetInfo(*t), untouched);
    }
    // The edges of the valid ranges are accepted: equal limits, 0 and 180 degrees, no upper limit.
    for (auto const& p : {params(0, 0, 0, 180), params(8000, 8000, 180, 0), params(0, kInf, 120, 70)})
    {
        Operator op;
        op.SetModel(&plate);
        op.SetOutputMask(out);
        op.SetParams(p);
        EXPECT_EQ(op.Operate(), Operator::eOK);
    }
}

template <class Call>
void ExpectRefusedNaming(Call&& call, std::string const& argument)
{
    try
    {
        call();
        ADD_FAILURE() << "accepted; expected a refusal of " << argument;
    }
    catch (std::invalid_argument const& e)
    {
        EXPECT_EQ(std::string(e.what()).rfind(argument, 0), 0u) << e.what();
    }
}

// Both pore searches check, in this order, the graph, the three resolutions (two points per axis
// suffice), the box and the overlap factor.
TEST(ParameterRefusals, PoreSearchesRefuseMissingGraphsCoarseGridsAndBoxesAndFactorsWithoutMeaning)
{
    using namespace Zodara::geometricsearches;
    MStlBase mesh;
    MStlGraph* const graph = mesh.AddGraph();
    graph->AddEdge(mesh.AddPoint(0, 0, 0), mesh.AddPoint(10000, 0, 0));
    M3DBoundingBox<double> const good(0, 0, 0, 10000, 10000, 10000);
    M3DBoundingBox<double> const nanCorner(0, kNaN, 0, 10000, 10000, 10000);
    M3DBoundingBox<double> const infinite(0, 0, -kInf, 10000, 10000, 10000);
    M3DBoundingBox<double> const inverted(0, 0, 0, 10000, -10000, 10000);
    for (bool rtk : {false, true})
    {
        auto search = [&](MStlGraph const* g, M3DBoundingBox<double> const& box, std::size_t nx, std::size_t ny,
                          std::size_t nz, double factor) {
            return rtk ? GetPoreSizesRTK(g, box, nx, ny, nz, false, 0, factor)
                       : GetPoreSizes(g, box, nx, ny, nz, 0, factor);
        };
        ExpectRefusedNaming([&] { search(nullptr, nanCorner, 0, 0, 0, kNaN); }, "ip_graph");
        ExpectRefusedNaming([&] { search(graph, nanCorner, 1, 0, 0, kNaN); }, "i_resolution_x too small");
        ExpectRefusedNaming([&] { search(graph, nanCorner, 2, 1, 0, kNaN); }, "i_resolution_y too small");
        ExpectRefusedNaming([&] { search(graph, nanCorner, 2, 2, 1, kNaN); }, "i_resolution_z too small");
        ExpectRefusedNaming([&] { search(graph, nanCorner, 2, 2, 2, kNaN); }, "i_box");
        ExpectRefusedNaming([&] { search(graph, infinite, 3, 3, 3, 1.0); }, "i_box");
        ExpectRefusedNaming([&] { search(graph, inverted, 3, 3, 3, 1.0); }, "i_box");
        ExpectRefusedNaming([&] { search(graph, good, 3, 3, 3, kNaN); }, "i_overlapFactor");
        EXPECT_NO_THROW(search(graph, good, 2, 2, 2, 1.0));
    }
}

TEST(ParameterRefusals, BadTriangleCountRefusesANaNThreshold)
{
    using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
    MStlBase mesh;
    vz_test::AddBox(mesh, {0, 0, 0}, {1000, 1000, 1000}, 1);
    ExpectRefusedNaming([&] { Calc::GetNumberOfBadTriangles(&mesh, kNaN, Calc::RadiusRatio); }, "i_threshold");
    EXPECT_EQ(Calc::GetNumberOfBadTriangles(&mesh, kInf, Calc::RadiusRatio), int(mesh.NumberOfTriangles()));
    EXPECT_EQ(Calc::GetNumberOfBadTriangles(&mesh, -kInf, Calc::RadiusRatio), 0);
}

TEST(ParameterRefusals, ConeCheckerRefusesHalfAnglesOutsideZeroToPiAndOpenApexes)
{
    using MeshQueries::WrapperTreeUtilities::IntersectionCheckerVerticalInfiniteCone;
    MMPoint3d<double> const apex(1, 2, 3);
    double const pi = 3.141592653589793;
    for (double angle : {kNaN, -1e-12, std::nextafter(pi, 4.0), kInf})
        EXPECT_THROW(IntersectionCheckerVerticalInfiniteCone(apex, angle), std::invalid_argument) << angle;
    for (double angle : {0.0, pi}) EXPECT_NO_THROW(IntersectionCheckerVerticalInfiniteCone(apex, angle)) << angle;
    EXPECT_THROW(IntersectionCheckerVerticalInfiniteCone(MMPoint3d<double>(kNaN, 0, 0), 0.5), std::invalid_argument);
    EXPECT_THROW(IntersectionCheckerVerticalInfiniteCone(MMPoint3d<double>(0, 0, kInf), 0.5), std::invalid_argument);
}

} // namespace
