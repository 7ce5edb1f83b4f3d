#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"

#include "collision/detail/ParameterChecks.h"

#include "collision/ToleranceQuery.h"
#include "collision/detail/CollisionProgress.h"
#include "thickness/MUserOperatorWallThickness.h"
#include "trees/M3DObjectTree.h"
#include "trees/OperatorTreeKind.h"
#include <exception>
#include <utility>
#include <vector>

namespace
{
// The gap width comes back through a float mask: a float epsilon of slack keeps a width of exactly
// the tolerance reported.
constexpr double kFloatSlack = 1.1920928955078125e-7;

using TriangleTree = MeshQueries::M3DObjectTree<MStlTriangle const*>;

MUserOperatorCollisionDetectorWithTolerance::Callback MarkerCallback(MStlBase* part, IStlMarkTriangles* marker)
{
    IStlMarkTriangles* const used = marker ? marker : part->GetDefaultMarker();
    if (!used) return {}; // nothing to mark with: hits are dropped
    return [used](MStlTriangle& triangle) { used->MarkTriangle(triangle); };
}

void InvertAllTriangles(MStlBase& part)
{
    for (auto it = part.BeginTriangle(); it != part.EndTriangle(); ++it) it->Invert(0);
}

// Turns a part inside out for its lifetime, so that it is restored however the scope is left.
class ScopedInversion
{
public:
    explicit ScopedInversion(MStlBase& part) : m_part(part) { InvertAllTriangles(m_part); }
    ~ScopedInversion() { InvertAllTriangles(m_part); }
    ScopedInversion(ScopedInversion const&) = delete;
    ScopedInversion& operator=(ScopedInversion const&) = delete;

private:
    MStlBase& m_part;
};

std::vector<MStlTriangle const*> TrianglesOf(MStlBase const* part)
{
    std::vector<MStlTriangle const*> triangles;
    triangles.reserve(part->NumberOfTriangles());
    for (auto it = MStlIteratorStlTriangleConst::Begin(part); it != MStlIteratorStlTriangleConst::End(part); ++it)
        triangles.push_back(&*it);
    return triangles;
}

MMTransformMatrix MappingInto(MMTransformMatrix const& treeTransform, MMTransformMatrix const& queryTransform)
{
    MMTransformMatrix mapping(treeTransform);
    mapping.Invert(); // a singular placement is not reported
    mapping.PostMultiply(queryTransform);
    return mapping;
}
} // namespace

MUserOperatorCollisionDetectorWithTolerance::MUserOperatorCollisionDetectorWithTolerance() = default;

void MUserOperatorCollisionDetectorWithTolerance::SetFirstPart(MStlBase* part, IStlMarkTriangles* marker)
{
    firstPart = part;
    firstCallback = part ? MarkerCallback(part, marker) : Callback();
}

void MUserOperatorCollisionDetectorWithTolerance::SetFirstPart(MStlBase* part, Callback callback)
{
    firstPart = part;
    firstCallback = std::move(callback);
}

void MUserOperatorCollisionDetectorWithTolerance::SetSecondPart(MStlBase* part, IStlMarkTriangles* marker)
{
    secondPart = part;
    secondCallback = part ? MarkerCallback(part, marker) : Callback();
}

void MUserOperatorCollisionDetectorWithTolerance::SetSecondPart(MStlBase* part, Callback callback)
{
    secondPart = part;
    secondCallback = std::move(callback);
}

void MUserOperatorCollisionDetectorWithTolerance::SetFirstPartTransform(MMTransformMatrix const& transform)
{
    firstTransform = transform;
}

void MUserOperatorCollisionDetectorWithTolerance::SetSecondPartTransform(MMTransformMatrix const& transform)
{
    secondTransform = transform;
}

void MUserOperatorCollisionDetectorWithTolerance::SetAllParams(MParams const& params_) { params = params_; }

void MUserOperatorCollisionDetectorWithTolerance::SetProgressDelegate(
    std::shared_ptr<Zodara::Common::IProgressDelegate> const& delegate)
{
    progressDelegate = delegate;
}

MUserOperatorCollisionDetectorWithTolerance::EReturnCode MUserOperatorCollisionDetectorWithTolerance::Operate()
{
    if (!firstPart) return eNoFirstPart;
    if (!parameterchecks::IsLengthLimit(params.Tolerance) || !parameterchecks::IsFiniteTransform(firstTransform) ||
        !parameterchecks::IsFiniteTransform(secondTransform))
        return eInvalidParameters;
    bool const completed = secondPart ? _Operate_2Parts() : _Operate_1Part();
    return completed ? eOK : eCancelled;
}

void MUserOperatorCollisionDetectorWithTolerance::_SwapRoles()
{
    std::swap(firstCallback, secondCallback);
    std::swap(firstTransform, secondTransform);
}

bool MUserOperatorCollisionDetectorWithTolerance::_Operate_2Parts()
{
    MStlBase const* treePart = secondPart;
    MStlBase const* queryPart = firstPart;
    MeshQueries::CollisionProgress progress(progressDelegate, "collision",
                                            firstPart->NumberOfTriangles() + secondPart->NumberOfTriangles());
    // The roles are exchanged between the passes; a throwing or stopped pass must not leave them
    // exchanged.
    bool swapped = false;
    try
    {
        for (int pass = 0; pass < 2 && !progress.IsStopRequested(); ++pass)
        {
            _ReportQueryTriangles(treePart, queryPart, progress);
            _SwapRoles();
            swapped = !swapped;
            std::swap(treePart, queryPart);
        }
    }
    catch (...)
    {
        if (swapped) _SwapRoles();
        throw;
    }
    if (swapped) _SwapRoles();
    return !progress.WasCancelled();
}

void MUserOperatorCollisionDetectorWithTolerance::_ReportQueryTriangles(MStlBase const* treePart,
                                                                        MStlBase const* queryPart,
                                                                        MeshQueries::CollisionProgress& progress)
{
    MeshQueries::M3DObjectTreeBase::Parameters parameters;
    parameters.cacheBoxes = true;
    parameters.maxLeafSize = MaxLeafSizeOfTreeKind(eCollisionTree);
    TriangleTree const tree(MStlIteratorStlTriangleConst::Begin(treePart), MStlIteratorStlTriangleConst::End(treePart),
                            parameters);
    std::vector<MStlTriangle const*> const queries = TrianglesOf(queryPart);
    MMTransformMatrix const mapping = MappingInto(secondTransform, firstTransform);
    double const tolerance = params.Tolerance;
    Callback const& report = firstCallback;
    long const count = long(queries.size());
    long const chunk = 100;
    std::exception_ptr failure;

#pragma omp parallel
    {
        std::vector<MStlTriangle const*> hits;
        // An exception must not cross the parallel region; the first one is rethrown after it.
        std::exception_ptr threadFailure;
#pragma omp for schedule(dynamic, chunk) nowait
        for (long i = 0; i < count; ++i)
        {
            // Every index passes here once, so the chunks counted add up whatever is skipped.
            progress.AdvanceAtChunkEnd(i, count, chunk);
            if (threadFailure || progress.IsStopRequested()) continue;
            MStlTriangle const* triangle = queries[std::size_t(i)];
            MeshQueries::ToleranceQuery query = MeshQueries::MakeToleranceQuery(triangle, mapping, tolerance);
            if (!MeshQueries::IsWithinTolerance(tree, query)) continue;
            try
            {
                hits.push_back(triangle);
            }
            catch (...)
            {
                threadFailure = std::current_exception();
            }
        }
#pragma omp critical
        {
            if (threadFailure && !failure) failure = threadFailure;
            // Without a callback the hits have nowhere to go and are dropped.
            if (report && !failure)
            {
                try
                {
                    // The part is the caller's mutable mesh; only the search saw it as const.
                    for (MStlTriangle const* hit : hits) report(const_cast<MStlTriangle&>(*hit));
                }
                catch (...)
                {
                    failure = std::current_exception();
                }
            }
        }
    }
    if (failure) std::rethrow_exception(failure);
    progress.RethrowFailure();
}

bool MUserOperatorCollisionDetectorWithTolerance::_Operate_1Part()
{
    MStlBase& part = *firstPart;
    double const tolerance = params.Tolerance;
    ScopedInversion const insideOut(part);

    MUserOperatorWallThickness thickness;
    MUserOperatorWallThickness::MParams thicknessParams;
    thicknessParams.MinThickness = tolerance;
    thicknessParams.MaxThickness = tolerance + 1.0;
    thicknessParams.OppositeAngle = 120.0;
    thicknessParams.DirectionAngle = 70.0;
    thickness.SetModel(&part);
    thickness.SetParams(thicknessParams);
    MDataMask<MStlTriangle, float> gaps(part.GetDataMaskOwner(), float(tolerance + 1.0));
    thickness.SetOutputMask(gaps);
    if (progressDelegate) thickness.SetProgressDelegate(progressDelegate);
    // A stopped measurement leaves the default, not reported, in the triangles it did not reach.
    bool const completed = thickness.Operate() != MUserOperatorWallThickness::eCancelled;

    double const reportLimit = tolerance + kFloatSlack;
    for (auto it = part.BeginTriangle(); it != part.EndTriangle(); ++it)
        if (double(gaps.GetInfo(*it)) <= reportLimit && firstCallback) firstCallback(*it);
    return completed;
}
