// The example program's built-in part: closed, consistently wound, of the stated volume.
#include <gtest/gtest.h>

#include "interfaces/MeshData.h"
#include "interfaces/StlFiles.h"
#include "meshanalysis/SamplePart.h"
#include <cmath>

TEST(SamplePart, IsClosedWithOppositelyWoundNeighboursAndEnclosesTheBlockLessHolePocketAndSlit)
{
    auto const part = MakeSamplePart();
    ASSERT_GT(part->NumberOfTriangles(), 1000u);
    MNeighbourFinder finder;
    finder.countCollapsed = true;
    // Divergence theorem: the signed tetrahedra from the origin add up to the enclosed volume.
    double sixVolume = 0.0;
    for (MStlTriangle const* t : part->GetTriangles())
    {
        EXPECT_FALSE(t->IsCollapsed());
        EXPECT_LE(t->LONGEST_SIDE_LENGTH(), std::sqrt(8.0) * 10000 + 1e-6);
        for (int k = 0; k < 3; ++k)
        {
            finder.Set(t->GetPoint(k), t->GetPoint((k + 1) % 3));
            finder.Operate();
            EXPECT_EQ(finder.NumberOfForwardNeighbours(), 1u);
            EXPECT_EQ(finder.NumberOfBackwardNeighbours(), 1u);
        }
        sixVolume += t->GetVertex(0).Dot(t->GetVertex(1).Cross(t->GetVertex(2)));
    }
    double const mm3 = sixVolume / 6.0 / 1e12;
    EXPECT_NEAR(mm3, 40.0 * 30 * 10 - 10.0 * 10 * 10 - 15.6 * 20 * 8 - 6 * 0.3 * 10, 1e-6);
    M3DBoundingBox<long> const box = part->GetBoundingBox();
    EXPECT_EQ(box.GetCornerMin(), MMPoint3d<long>(0, 0, 0));
    EXPECT_EQ(box.GetCornerMax(), MMPoint3d<long>(400000, 300000, 100000));
}

TEST(SamplePart, PartArgumentLoadsTheSamplePartOrTheNamedFile)
{
    EXPECT_EQ(LoadPartArgument("")->NumberOfTriangles(), MakeSamplePart()->NumberOfTriangles());
    EXPECT_EQ(PartArgumentName(""), "built-in sample part");
    EXPECT_THROW(LoadPartArgument(::testing::TempDir() + "vz-no-such-part.stl"), MStlFileError);
}
