#pragma once
// Collision detection with a tolerance. With two placed parts: every triangle of each part that
// comes within the tolerance of the other part is passed to that part's callback. With one part:
// every triangle that faces another region of the same part across a gap of at most the tolerance.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "interfaces/Progress.h"
#include <functional>
#include <memory>

namespace MeshQueries
{
class CollisionProgress;
}

class MUserOperatorCollisionDetectorWithTolerance
{
public:
    struct MParams
    {
        double Tolerance = 5000.0;
    };

    enum EReturnCode
    {
        eOK = 0,
        eNoFirstPart = 1,
        // The progress delegate asked to stop; see SetProgressDelegate.
        eCancelled = 2
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
    void SetFirstPartTransform(MMTransformMatrix const& transform);
    void SetSecondPartTransform(MMTransformMatrix const& transform);
    void SetAllParams(MParams const& params);
    // Optional; null by default. With a delegate, Operate reports its progress (two parts: one
    // step per query triangle of both passes; one part: the wall-thickness measurement's steps) and
    // polls it for cancellation. When it asks to stop, the triangles already found are still passed
    // to their callbacks, the rest of the search is skipped, the mesh and the object are left as
    // after a full run, and Operate returns eCancelled. In the two-part mode the delegate is called
    // from worker threads, inside the library's critical section; an exception it throws stops the
    // search and is rethrown by Operate. Without a delegate Operate works exactly as before.
    void SetProgressDelegate(std::shared_ptr<Zodara::Common::IProgressDelegate> const& delegate);

    EReturnCode Operate();

private:
    // Both return false when the progress delegate asked to stop.
    bool _Operate_2Parts();
    bool _Operate_1Part();
    // One pass: reports the query part's triangles near the tree part, through firstCallback, with
    // firstTransform placing the query part and secondTransform the tree part.
    void _ReportQueryTriangles(MStlBase const* treePart, MStlBase const* queryPart,
                               MeshQueries::CollisionProgress& progress);
    void _SwapRoles();

    MStlBase* firstPart = nullptr;
    MStlBase* secondPart = nullptr;
    Callback firstCallback;
    Callback secondCallback;
    MMTransformMatrix firstTransform;
    MMTransformMatrix secondTransform;
    MParams params;
    std::shared_ptr<Zodara::Common::IProgressDelegate> progressDelegate;
};
