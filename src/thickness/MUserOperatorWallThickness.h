#pragma once
// Wall thickness: for each triangle of a mesh, the distance through the material to the nearest
// triangle of the opposite wall, written as a float into the caller's data mask.
#include "interfaces/MeshData.h"
#include "interfaces/Progress.h"
#include "thickness/detail/WallThicknessDirectionBin.h"
#include <boost/ptr_container/ptr_vector.hpp>
#include <memory>

class WallThicknessQuery;
struct WallThicknessLimits;

class MUserOperatorWallThickness
{
public:
    struct MParams
    {
        // Mesh units; valid: 0 <= MinThickness <= MaxThickness <= +infinity.
        double MinThickness = 5000.0;
        double MaxThickness = 15000.0;
        // Degrees; valid: 0 to 180 inclusive.
        double OppositeAngle = 120.0;
        double DirectionAngle = 70.0;
    };

    enum EReturnCode
    {
        eOK = 0,
        eNoModel = 1,
        eNoOutputMask = 2,
        eCancelled = 3,
        // A NaN or negative thickness, MinThickness > MaxThickness, or an angle outside 0-180 degrees;
        // checked before any work: the output mask is left untouched.
        eInvalidParameters = 4
    };

    MUserOperatorWallThickness();
    ~MUserOperatorWallThickness();
    MUserOperatorWallThickness(MUserOperatorWallThickness const&) = delete;
    MUserOperatorWallThickness& operator=(MUserOperatorWallThickness const&) = delete;

    void SetModel(MStlBase const* model);
    void SetParams(MParams const& params);
    void SetOutputMask(MDataMask<MStlTriangle, float>& mask);
    void SetInputMaskOpposite(MDataMask<MStlTriangle, bool> const& mask);
    void SetInputMaskOperate(MDataMask<MStlTriangle, bool> const& mask);
    void SetProgressDelegate(std::shared_ptr<Zodara::Common::IProgressDelegate> const& delegate);

    EReturnCode Operate();

private:
    // Returns the normals of the candidates by element index.
    std::vector<MMPoint3d<double>> _FillBins();
    void _BuildTrees();
    std::vector<MStlTriangle const*> _CollectMeasuredTriangles() const;
    void _Measure(std::vector<MStlTriangle const*> const& triangles,
                  std::vector<MMPoint3d<double>> const& candidateNormals);
    double _MeasureTriangle(MStlTriangle const& triangle, WallThicknessLimits const& limits, double binLimit) const;
    double _SearchBins(WallThicknessQuery const& query, double binLimit) const;

    MStlBase const* model = nullptr;
    MParams params;
    MDataMask<MStlTriangle, float>* outputMask = nullptr;
    MDataMask<MStlTriangle, bool> const* oppositeMask = nullptr;
    MDataMask<MStlTriangle, bool> const* operateMask = nullptr;
    boost::ptr_vector<DirectionBin> bins;
    std::shared_ptr<Zodara::Common::IProgressDelegate> progressDelegate;
    bool cancelled = false;
};
