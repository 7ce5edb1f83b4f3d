#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "collision_reference.h"
#include "support/closed_mesh_builders.h"

namespace
{
using Detector = MUserOperatorCollisionDetectorWithTolerance;

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

TEST(CollisionOnePart, UShapeReportsBothSidesOfItsGapConvexPartNothingAndBothComeBackUnchanged)
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
}

TEST(CollisionOnePart, DefaultMarkerReceivesTheGapTrianglesAndTheTemporaryMaskIsReleased)
{
    MStlBase u;
    vz_test::AddUShape(u, 10000, 8000, 10000, 30000, 20000);
    Detector detector;
    detector.SetAllParams({9000.0});
    detector.SetFirstPart(&u, static_cast<IStlMarkTriangles*>(nullptr));
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    std::set<MStlTriangle const*> const gap = GapFaces(u);
    for (MStlTriangle const* t : u.GetTriangles()) EXPECT_EQ(t->IsMarkedAnyMode(), gap.count(t) == 1);
    // Only a mask made now follows the mesh's triangles if the temporary one left the registry.
    MDataMask<MStlTriangle, float> probe(u.GetDataMaskOwner(), 1.0f);
    EXPECT_EQ(probe.Size(), u.NumberOfTriangles());
}

// A delegate that asks to stop ends the search early and leaves the part as it was.
TEST(CollisionOnePart, AStopEndsTheSearchAndRestoresTheMesh)
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
    detector.SetAllParams({5000.0});
    std::size_t hits = 0;
    detector.SetFirstPart(&part, [&](MStlTriangle&) { ++hits; });
    detector.SetProgressDelegate(std::make_shared<vz_test::RecordingDelegate>(1));
    EXPECT_EQ(detector.Operate(), Detector::eCancelled);
    EXPECT_LE(hits, 1u); // at most the one triangle measured before the stop
    EXPECT_TRUE(vz_test::TakeSnapshot(part) == before);
    std::size_t i = 0;
    for (MStlTriangle const* t : part.GetTriangles()) EXPECT_EQ(t->GetNormal().x > 0.5, inward[i++]);

    detector.SetProgressDelegate(std::make_shared<vz_test::RecordingDelegate>());
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    EXPECT_GT(hits, 1u);
}
