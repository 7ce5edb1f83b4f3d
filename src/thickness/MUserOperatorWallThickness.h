#pragma once
// Wall thickness: for each triangle of a mesh, the distance through the material to the nearest
// triangle of the opposite wall, written as a float into the caller's data mask.
#include "interfaces/Export.h"
#include "interfaces/MeshData.h"
#include "interfaces/Progress.h"
#include "thickness/detail/WallThicknessDirectionBin.h"
#include <boost/ptr_container/ptr_vector.hpp>
#include <memory>

class WallThicknessQuery;
struct WallThicknessLimits;

// Entry points
//   SetModel(model), SetOutputMask(mask)
//       The mesh and the float mask that receives one value per triangle; both required, not owned,
//       kept alive and unchanged by the caller until Operate returns.
//   SetInputMaskOpposite(mask), SetInputMaskOperate(mask)
//       Optional bool masks: which triangles may form the opposite wall, and which are measured
//       (unset: all). Referenced, not copied; once set they cannot be unset.
//   SetParams(params)
//       MinThickness, MaxThickness: bounds of every written value, in internal units (10 000 per
//       millimetre for meshes loaded from STL); MaxThickness is also the search radius.
//       OppositeAngle: degrees, least angle between the two normals for a candidate to count as the
//       opposite wall. DirectionAngle: degrees, largest angle between the line joining the closest
//       points and each normal.
//   SetProgressDelegate(delegate)
//       Receives one step per measured triangle and may ask for cancellation.
//   Operate() -> EReturnCode
//       eNoModel or eNoOutputMask (nothing done, mask untouched) when either is missing; eCancelled
//       when the delegate cancelled (triangles not yet started keep their old values); else eOK.
//       Each measured triangle gets min(max(distance to the nearest accepted opposite triangle,
//       MinThickness), MaxThickness), MaxThickness when there is none. Other triangles keep their
//       values.
// Errors: no error code for geometry; std::bad_alloc when memory runs out, and exceptions from the
// progress delegate, pass to the caller after the worker threads have joined.
// Threads: Operate measures with OpenMP threads (one per processor); the mask writes and progress
// steps happen inside one critical section. One operator object must not be used from two threads
// at once. The direction bins and their trees are kept until the next Operate or destruction.
// Cost: trees over the candidates of 32 normal-direction bins, O(n log n); then one nearest search
// per measured triangle in the bins whose normals can be opposite.
class VZ_API MUserOperatorWallThickness
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
