#pragma once
// Collision detection with a tolerance. With two placed parts: every triangle of each part that
// comes within the tolerance of the other part is passed to that part's callback. With one part:
// every triangle that faces another region of the same part across a gap of at most the tolerance.
#include "interfaces/Export.h"
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "interfaces/Progress.h"
#include <functional>
#include <memory>

namespace MeshQueries
{
class CollisionProgress;
}

// Entry points
//   SetFirstPart / SetSecondPart(part, marker or callback)
//       The parts, not owned: the caller keeps them alive until Operate returns. A hit triangle is
//       passed to the part's callback, or marked with the marker (null: the part's default marker;
//       no marker at all: hits are dropped). A null second part selects the one-part check.
//   SetFirstPartTransform / SetSecondPartTransform(transform)
//       Placement of each part in a common frame (identity by default). A singular placement
//       reports nothing.
//   SetAllParams(params)
//       params.Tolerance: the largest gap reported, in internal units (10 000 per millimetre for
//       parts loaded from STL); 5000 (0.5 mm) by default. A triangle exactly at the tolerance counts.
//   Operate() -> EReturnCode
//       eNoFirstPart (nothing done) without a first part, else eOK after both passes. Two parts:
//       each triangle of either part within the tolerance of the other part is reported once, to its
//       own part's callback or marker (first part's triangles first). One part: each triangle facing another region of
//       the same part across a gap of at most the tolerance is reported; the part is turned inside out for the duration
//       of the call and always restored, also when an exception passes.
// Errors: no error code for geometry; std::bad_alloc when memory runs out, and exceptions thrown by
// a callback or marker, pass to the caller after the worker threads have joined.
// Threads: Operate searches with OpenMP threads; callbacks and markers are called inside one
// critical section, never two at once, always before Operate returns. One operator object must not
// be used from two threads at once; separate objects on separate parts may run concurrently.
// Cost: per pass a tree over one part, O(n log n), then one nearest-first search per triangle of the
// other part, stopping at the first triangle within the tolerance.
class VZ_API MUserOperatorCollisionDetectorWithTolerance
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
        // The progress delegate asked to stop; see SetProgressDelegate.
        eCancelled = 2,
        // The tolerance is NaN or negative, or a placement transform holds a NaN or infinite entry;
        // nothing was done and no callback was called.
        eInvalidParameters = 3
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
