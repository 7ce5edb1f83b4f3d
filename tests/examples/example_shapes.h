#pragma once
// Shapes with results known in closed form, for the tests of the example program's pictures and
// exports (10 000 internal units per mm, as the program reads STL files).
#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "meshanalysis/PartFaces.h"
#include "support/closed_mesh_builders.h"
#include "thickness/MUserOperatorWallThickness.h"
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace vz_test
{
constexpr double kUnitsPerMm = 10000.0;

// A plate 30 x 3 mm in x and y, 10 mm deep in z, with a groove from the top (+y) 6 mm wide at x
// 12..18 down to a floor 0.4 mm above the bottom: the strip under the groove is 0.4 mm thick, the
// rest 3 mm.
inline std::unique_ptr<MStlBase> MakeGroovedPlate()
{
    auto plate = std::make_unique<MStlBase>();
    AddUShape(*plate, 120000, 60000, 4000, 26000, 100000);
    return plate;
}

// That plate measured by the wall thickness operator from 0.5 to 1.5 mm: the values in mm by
// triangle, and the per-face mesh the program writes.
struct MeasuredPlate
{
    std::unique_ptr<MStlBase> plate = MakeGroovedPlate();
    std::vector<double> thicknessMm;
    visual::FaceMesh faces;

    MeasuredPlate()
    {
        MDataMask<MStlTriangle, float> values(plate->GetDataMaskOwner(), -1.0f);
        MUserOperatorWallThickness op;
        MUserOperatorWallThickness::MParams params;
        params.MinThickness = 0.5 * kUnitsPerMm;
        params.MaxThickness = 1.5 * kUnitsPerMm;
        op.SetModel(plate.get());
        op.SetParams(params);
        op.SetOutputMask(values);
        EXPECT_EQ(op.Operate(), MUserOperatorWallThickness::eOK);
        for (MStlTriangle const* t : plate->GetTriangles()) thicknessMm.push_back(values.GetInfo(t) / kUnitsPerMm);
        faces = ThicknessFaces(*plate, values, kUnitsPerMm);
    }
};

// A 10 mm cube at the origin with every face split into 4 x 4 quads.
inline std::unique_ptr<MStlBase> MakeCube()
{
    auto cube = std::make_unique<MStlBase>();
    AddBox(*cube, {0, 0, 0}, {100000, 100000, 100000}, 4);
    return cube;
}

// Two of those cubes side by side (A at x 0..10 mm, B placed at x 10..20 mm), checked for collision
// with a tolerance of 0.1 mm, and their per-face mesh as the program writes it.
struct TouchingCubes
{
    std::unique_ptr<MStlBase> a = MakeCube(), b = MakeCube();
    std::vector<bool> hitA = std::vector<bool>(a->NumberOfTriangles(), false);
    std::vector<bool> hitB = std::vector<bool>(b->NumberOfTriangles(), false);
    visual::FaceMesh faces;
    bool operated = false; // the detector answered eOK

    TouchingCubes()
    {
        MMTransformMatrix const stay, besideA = MMTransformMatrix::Translation({100000.0, 0.0, 0.0});
        MUserOperatorCollisionDetectorWithTolerance detector;
        MUserOperatorCollisionDetectorWithTolerance::MParams params;
        params.Tolerance = 0.1 * kUnitsPerMm;
        detector.SetAllParams(params);
        detector.SetFirstPart(a.get(), [this](MStlTriangle& t) { hitA[t.GetElementIndex()] = true; });
        detector.SetSecondPart(b.get(), [this](MStlTriangle& t) { hitB[t.GetElementIndex()] = true; });
        detector.SetSecondPartTransform(besideA);
        operated = detector.Operate() == MUserOperatorCollisionDetectorWithTolerance::eOK;
        faces = CollisionFaces({{a.get(), stay, &hitA}, {b.get(), besideA, &hitB}}, kUnitsPerMm);
    }
};
} // namespace vz_test
