#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "support/ClosedMeshBuilders.h"

namespace
{
using Detector = MUserOperatorCollisionDetectorWithTolerance;

std::set<MStlTriangle const*> RunOnePart(MStlBase& part, double tolerance)
{
    std::set<MStlTriangle const*> reported;
    Detector detector;
    Detector::MParams params;
    params.Tolerance = tolerance;
    detector.SetAllParams(params);
    detector.SetFirstPart(&part, [&](MStlTriangle& t) { EXPECT_TRUE(reported.insert(&t).second); });
    // Placement plays no part in this mode.
    detector.SetFirstPartTransform(MMTransformMatrix::Translation({1e6, 0, 0}));
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    return reported;
}

// The U's gap faces lie in the planes x = 10000 and x = 18000.
std::set<MStlTriangle const*> GapFaces(MStlBase const& part)
{
    std::set<MStlTriangle const*> faces;
    for (MStlTriangle const* t : part.GetTriangles())
    {
        bool onPlane = true;
        for (int k = 0; k < 3; ++k)
        {
            double const x = t->GetVertex(k).x;
            onPlane = onPlane && (x == t->GetVertex(0).x);
        }
        double const x = t->GetVertex(0).x;
        if (onPlane && (x == 10000.0 || x == 18000.0)) faces.insert(t);
    }
    return faces;
}
} // namespace

TEST(CollisionOnePart, UShapeReportsBothSidesOfItsGapAndComesBackUnchanged)
{
    MStlBase u;
    testmesh::AddUShape(u, 10000, 8000, 10000, 30000, 20000);
    testmesh::MeshSnapshot const before = testmesh::TakeSnapshot(u);
    std::set<MStlTriangle const*> const gap = GapFaces(u);
    ASSERT_EQ(gap.size(), 4u);

    EXPECT_EQ(RunOnePart(u, 9000.0), gap);
    EXPECT_EQ(testmesh::TakeSnapshot(u), before);
    EXPECT_EQ(RunOnePart(u, 8000.0), gap); // a gap of exactly the tolerance
    EXPECT_TRUE(RunOnePart(u, 7999.0).empty());
    EXPECT_EQ(testmesh::TakeSnapshot(u), before);
}

TEST(CollisionOnePart, ConvexPartReportsNothing)
{
    MStlBase box;
    testmesh::AddBox(box, {0, 0, 0}, {20000, 10000, 5000}, 3);
    testmesh::MeshSnapshot const before = testmesh::TakeSnapshot(box);
    EXPECT_TRUE(RunOnePart(box, 100000.0).empty());
    EXPECT_EQ(testmesh::TakeSnapshot(box), before);
}

TEST(CollisionOnePart, MarkerReceivesTheGapTrianglesAndMasksAreReleased)
{
    MStlBase u;
    testmesh::AddUShape(u, 10000, 8000, 10000, 30000, 20000);
    Detector detector;
    Detector::MParams params;
    params.Tolerance = 9000.0;
    detector.SetAllParams(params);
    detector.SetFirstPart(&u, static_cast<IStlMarkTriangles*>(nullptr));
    EXPECT_EQ(detector.Operate(), Detector::eOK);
    std::set<MStlTriangle const*> const gap = GapFaces(u);
    for (MStlTriangle const* t : u.GetTriangles()) EXPECT_EQ(t->IsMarkedAnyMode(), gap.count(t) == 1);
    // The temporary mask left the mesh's registry: a mask made now is the only one that follows it.
    MDataMask<MStlTriangle, float> probe(u.GetDataMaskOwner(), 1.0f);
    EXPECT_EQ(probe.Size(), u.NumberOfTriangles());
}
