#pragma once
// Which pairs of placed parts come within a tolerance of each other. Parts are meshes or compact
// meshes in any mix; the examination of a pair stops at its first triangle within the tolerance.
#include "interfaces/Export.h"
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "interfaces/Progress.h"
#include <cstddef>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

struct MultipartPart
{
    std::variant<MStlBase const*, MStlCompact const*> part;
    MMTransformMatrix transform;
};

namespace MeshQueries
{
class CollisionProgress;
}

// Entry points
//   AddPart(part, transform) -> index
//       A mesh or compact mesh, not owned (kept alive and unchanged until Operate returns), placed by
//       transform; parts are numbered 0, 1, ... in the order added.
//   SetAllParams(params)
//       params.Tolerance: the largest gap that counts as a collision, in internal units (10 000 per
//       millimetre for parts loaded from STL); 5000 (0.5 mm) by default.
//   Operate() -> EReturnCode
//       eNoParts without parts, else eOK. Each pair of parts is examined once, the larger part's
//       tree searched with the smaller part's triangles; the pair collides when some triangle comes
//       within the tolerance (the search stops there). Parts without triangles collide with
//       nothing.
//   GetCollisions(out)
//       Replaces out with the colliding pairs (index of the larger part, index of the other) of the
//       last Operate.
// Errors: no error code for geometry; std::bad_alloc when memory runs out passes to the caller.
// Threads: Operate searches each pair with OpenMP threads and joins them before returning; one
// operator object must not be used from two threads at once.
// Cost: one tree per part examined, O(n log n); a pair costs at most one search per triangle of the
// smaller part and usually far less, since the first hit ends it.
class VZ_API MUserOperatorCollisionDetectorWithToleranceMultipart
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
        eNoParts = 1,
        // The progress delegate asked to stop; see SetProgressDelegate.
        eCancelled = 2,
        // The tolerance is NaN or negative, or a part's transform holds a NaN or infinite entry;
        // nothing was examined and the collisions of an earlier run are kept.
        eInvalidParameters = 3
    };

    MUserOperatorCollisionDetectorWithToleranceMultipart();

    // Transforms: every entry finite.
    std::size_t AddPart(MStlBase const* part, MMTransformMatrix transform);
    std::size_t AddPart(MStlCompact const* part, MMTransformMatrix transform);
    void SetAllParams(MParams const& params);
    // Optional; null by default. With a delegate, Operate reports its progress (one step per query
    // triangle of every pair examined; a pair that ends early or cannot collide counts whole) and
    // polls it for cancellation. When it asks to stop, the rest of the search is skipped,
    // `collisions` holds the pairs found so far and Operate returns eCancelled. The delegate is
    // called from worker threads, inside the library's critical section; an exception it throws
    // stops the search and is rethrown by Operate. Without a delegate Operate works exactly as before.
    void SetProgressDelegate(std::shared_ptr<Zodara::Common::IProgressDelegate> const& delegate);
    EReturnCode Operate();
    void GetCollisions(std::vector<std::pair<std::size_t, std::size_t>>& collisions) const;

private:
    // Part indexes by ascending (triangle count, index).
    std::vector<std::size_t> _SizeOrder() const;
    // Appends (r, j) for every part j of `others` that comes within the tolerance of part r.
    void _ExaminePart(std::size_t r, std::vector<std::size_t> const& others, MeshQueries::CollisionProgress& progress);

    std::vector<MultipartPart> parts;
    std::vector<std::pair<std::size_t, std::size_t>> collisions;
    MParams params;
    std::shared_ptr<Zodara::Common::IProgressDelegate> progressDelegate;
};
