#pragma once
// Collision detection with a tolerance. With two placed parts: every triangle of each part that
// comes within the tolerance of the other part is passed to that part's callback. With one part:
// every triangle that faces another region of the same part across a gap of at most the tolerance.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include <functional>

class MUserOperatorCollisionDetectorWithTolerance
{
public:
    struct MParams
    {
        // Mesh units; valid: 0 <= Tolerance <= +infinity (NaN and negative values are refused).
        double Tolerance = 5000.0;
    };

    enum EReturnCode
    {
        eOK = 0,
        eNoFirstPart = 1,
        // The tolerance is NaN or negative, or a placement transform holds a NaN or infinite entry;
        // nothing was done and no callback was called.
        eInvalidParameters = 2
    };

    using Callback = std::function<void(MStlTriangle&)>;

    MUserOperatorCollisionDetectorWithTolerance();
    MUserOperatorCollisionDetectorWithTolerance(MUserOperatorCollisionDetectorWithTolerance const&) = default;
    MUserOperatorCollisionDetectorWithTolerance&
    operator=(MUserOperatorCollisionDetectorWithTolerance const&) = default;
    ~MUserOperatorCollisionDetectorWithTolerance() = default;

    // A null marker means the part's own default triangle marker. A null part empties the callback.
    void SetFirstPart(MStlBase* part, IStlMarkTriangles* marker);
    void SetFirstPart(MStlBase* part, Callback callback);
    void SetSecondPart(MStlBase* part, IStlMarkTriangles* marker);
    void SetSecondPart(MStlBase* part, Callback callback);
    // Placements: every entry finite.
    void SetFirstPartTransform(MMTransformMatrix const& transform);
    void SetSecondPartTransform(MMTransformMatrix const& transform);
    void SetAllParams(MParams const& params);

    EReturnCode Operate();

private:
    void _Operate_2Parts();
    void _Operate_1Part();
    // One pass: reports the query part's triangles near the tree part, through firstCallback, with
    // firstTransform placing the query part and secondTransform the tree part.
    void _ReportQueryTriangles(MStlBase const* treePart, MStlBase const* queryPart);
    void _SwapRoles();

    MStlBase* firstPart = nullptr;
    MStlBase* secondPart = nullptr;
    Callback firstCallback;
    Callback secondCallback;
    MMTransformMatrix firstTransform;
    MMTransformMatrix secondTransform;
    MParams params;
};
