#include "thickness/MUserOperatorWallThickness.h"

#include "collision/detail/ParameterChecks.h"

#include "thickness/detail/WallThicknessQuery.h"
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <omp.h>

namespace
{
constexpr double kPi = 3.141592653589793;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
char const* const kTaskName = "MUserOperatorWallThickness::EReturnCode MUserOperatorWallThickness::Operate()";

bool IsSelected(MDataMask<MStlTriangle, bool> const* mask, MStlTriangle const& triangle)
{
    return !mask || mask->GetInfo(triangle);
}

double Squared(double x) { return x < kInfinity ? x * x : kInfinity; }
} // namespace

MUserOperatorWallThickness::MUserOperatorWallThickness() { CreateDirectionBins(bins); }

MUserOperatorWallThickness::~MUserOperatorWallThickness() = default;

void MUserOperatorWallThickness::SetModel(MStlBase const* model_) { model = model_; }
void MUserOperatorWallThickness::SetParams(MParams const& params_) { params = params_; }
void MUserOperatorWallThickness::SetOutputMask(MDataMask<MStlTriangle, float>& mask) { outputMask = &mask; }
void MUserOperatorWallThickness::SetInputMaskOpposite(MDataMask<MStlTriangle, bool> const& mask)
{
    oppositeMask = &mask;
}
void MUserOperatorWallThickness::SetInputMaskOperate(MDataMask<MStlTriangle, bool> const& mask) { operateMask = &mask; }
void MUserOperatorWallThickness::SetProgressDelegate(std::shared_ptr<Zodara::Common::IProgressDelegate> const& delegate)
{
    progressDelegate = delegate;
}

MUserOperatorWallThickness::EReturnCode MUserOperatorWallThickness::Operate()
{
    cancelled = false;
    if (!model) return eNoModel;
    if (!outputMask) return eNoOutputMask;
    if (!parameterchecks::IsLengthLimit(params.MinThickness) || !parameterchecks::IsLengthLimit(params.MaxThickness) ||
        params.MinThickness > params.MaxThickness || !parameterchecks::IsAngleInDegrees(params.OppositeAngle) ||
        !parameterchecks::IsAngleInDegrees(params.DirectionAngle))
        return eInvalidParameters;
    std::vector<MMPoint3d<double>> const candidateNormals = _FillBins();
    _BuildTrees();
    _Measure(_CollectMeasuredTriangles(), candidateNormals);
    return cancelled ? eCancelled : eOK;
}

std::vector<MMPoint3d<double>> MUserOperatorWallThickness::_FillBins()
{
    std::vector<MMPoint3d<double>> normals(model->NumberOfTriangles());
    for (auto it = MStlIteratorStlTriangleConst::Begin(model); it != MStlIteratorStlTriangleConst::End(model); ++it)
    {
        if (!IsSelected(oppositeMask, *it)) continue;
        MMPoint3d<double> const n = it->GetNormal();
        normals[it->GetElementIndex()] = n;
        DirectionBin& bin = bins[NearestDirectionBin(bins, n)];
        bin.candidates.push_back(&*it);
        // An acos pushed to NaN by rounding compares false and leaves the radius as it was.
        double const angle = std::acos(bin.direction.Dot(n));
        if (angle > bin.radius) bin.radius = angle;
    }
    return normals;
}

void MUserOperatorWallThickness::_BuildTrees()
{
    int const binCount = int(bins.size());
    // An exception must not leave the parallel loop; each bin keeps its own, without a lock.
    std::vector<std::exception_ptr> failures(bins.size());
#pragma omp parallel for schedule(dynamic, 1) num_threads(omp_get_num_procs())
    for (int i = 0; i < binCount; ++i)
    {
        try
        {
            bins[i].RebuildTree();
        }
        catch (...)
        {
            failures[std::size_t(i)] = std::current_exception();
        }
    }
    for (std::exception_ptr const& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

std::vector<MStlTriangle const*> MUserOperatorWallThickness::_CollectMeasuredTriangles() const
{
    std::vector<MStlTriangle const*> triangles;
    triangles.reserve(model->NumberOfTriangles());
    for (auto it = MStlIteratorStlTriangleConst::Begin(model); it != MStlIteratorStlTriangleConst::End(model); ++it)
        if (IsSelected(operateMask, *it)) triangles.push_back(&*it);
    return triangles;
}

void MUserOperatorWallThickness::_Measure(std::vector<MStlTriangle const*> const& triangles,
                                          std::vector<MMPoint3d<double>> const& candidateNormals)
{
    double const oppositeRadians = params.OppositeAngle * kPi / 180.0;
    double const directionRadians = params.DirectionAngle * kPi / 180.0;
    WallThicknessLimits limits;
    limits.cosOpposite = std::cos(oppositeRadians);
    limits.cosDirection = std::cos(directionRadians);
    limits.rejectedDistanceSqr = params.MaxThickness * params.MaxThickness;
    limits.candidateNormals = candidateNormals.data();
    double const binLimit = kPi - oppositeRadians;

    Zodara::Common::IncrementalProgressReporter reporter(progressDelegate, kTaskName, triangles.size(), true);
    long const count = long(triangles.size());
    bool stop = false;
    // The caller's delegate may throw while reporting; that stops the work like a cancellation and
    // the exception is rethrown once the threads have joined.
    std::exception_ptr failure;
#pragma omp parallel for schedule(dynamic, 100) num_threads(omp_get_num_procs())
    for (long i = 0; i < count; ++i)
    {
        bool stopNow;
#pragma omp atomic read
        stopNow = stop;
        if (stopNow) continue;
        MStlTriangle const& triangle = *triangles[std::size_t(i)];
        float const value = float(_MeasureTriangle(triangle, limits, binLimit));
#pragma omp critical
        {
            if (!failure)
            {
                outputMask->SetInfo(triangle, value);
                try
                {
                    ++reporter;
                    if (reporter.IsCancelled()) cancelled = true;
                }
                catch (...)
                {
                    failure = std::current_exception();
                }
                if (cancelled || failure)
                {
#pragma omp atomic write
                    stop = true;
                }
            }
        }
    }
    if (failure) std::rethrow_exception(failure);
}

double MUserOperatorWallThickness::_MeasureTriangle(MStlTriangle const& triangle, WallThicknessLimits const& limits,
                                                    double binLimit) const
{
    WallThicknessQuery const query(triangle, limits);
    double const thickness = _SearchBins(query, binLimit);
    return std::min(std::max(thickness, params.MinThickness), params.MaxThickness);
}

double MUserOperatorWallThickness::_SearchBins(WallThicknessQuery const& query, double binLimit) const
{
    MMPoint3d<double> const away = -query.MeasuredNormal();
    double thickness = params.MaxThickness;
    for (DirectionBin const& bin : bins)
    {
        if (bin.tree->NumberOfElements() == 0) continue; // would find nothing; spares the acos
        // Lower bound of the angle between `away` and any normal in the bin. A NaN (an acos of a
        // dot product rounded past 1) fails the test, so the bin is not searched.
        double const angle = std::acos(away.Dot(bin.direction)) - bin.radius;
        if (!(std::max(angle, 0.0) <= binLimit)) continue;
        double bestDistance = Squared(thickness);
        MStlTriangle const* bestElement = nullptr;
        bin.tree->FindNearest(query, bestDistance, bestElement);
        if (bestDistance < kInfinity) thickness = std::sqrt(bestDistance);
    }
    return thickness;
}
