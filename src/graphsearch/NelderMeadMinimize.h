#pragma once
// The downhill-simplex loop of the solver object: reflection 1, expansion 2, contractions 1/2, shrink 1/2.
//
// NelderMeadSolver::Minimize(x, objective) -> status
//   x: start point on entry, best point found on return (any number of coordinates; none returns
//   eConverged at once). objective: callable taking std::vector<double> const& and returning a
//   double; values equal to the solver's invalidValue are pulled back toward the simplex. Units are
//   the objective's. Settings come from GetParameters (initialSteps, relativeSteps, xTolerance,
//   maxIterations, targetValue); counters and bestValue go to GetStatistics.
//   Returns eConverged (0) once the simplex size is at most xTolerance or its best value at most
//   targetValue, eIterationLimit (1) after maxIterations. Throws only what the objective throws,
//   and std::bad_alloc. One solver object per thread; the loop itself keeps no shared state. Cost:
//   one to n + 1 objective evaluations per iteration for n coordinates.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "interfaces/Solvers.h"

namespace Zodara
{
namespace Duduz
{
namespace nelder_mead_detail
{
struct Vertex
{
    double value;
    std::vector<double> point;
};

// Unordered values (NaN) sort last so that the ordering stays a strict weak one.
inline bool ValueBefore(Vertex const& a, Vertex const& b)
{
    if (std::isnan(b.value)) return !std::isnan(a.value);
    return a.value < b.value;
}

inline void SortSimplex(std::vector<Vertex>& simplex) { std::stable_sort(simplex.begin(), simplex.end(), ValueBefore); }

// Guards the pull-back loops against an objective that never leaves the invalid value: by this many
// halvings (or any factor below one) the point has collapsed onto its base point.
constexpr int kMaxPullBacks = 2200;

// Evaluates y; while the value is the invalid marker, pulls y toward base along the given coordinates.
template <class Objective>
double EvaluatePullingBack(Objective& objective, std::vector<double>& y, std::vector<double> const& base,
                           std::size_t firstCoordinate, std::size_t endCoordinate,
                           NelderMeadSolver::Parameters const& parameters)
{
    double value = objective(y);
    for (int pull = 0; value == parameters.invalidValue && pull < kMaxPullBacks; ++pull)
    {
        for (std::size_t j = firstCoordinate; j < endCoordinate; ++j)
            y[j] = (y[j] - base[j]) * parameters.invalidPullBack + base[j];
        value = objective(y);
    }
    return value;
}

// a·p + b·q, coordinate by coordinate.
inline std::vector<double> Combine(double a, std::vector<double> const& p, double b, std::vector<double> const& q)
{
    std::vector<double> result(p.size());
    for (std::size_t j = 0; j < p.size(); ++j) result[j] = a * p[j] + b * q[j];
    return result;
}

inline double SimplexSize(std::vector<Vertex> const& simplex)
{
    double size = 0.0;
    std::vector<double> const& best = simplex[0].point;
    for (std::size_t k = 1; k < simplex.size(); ++k)
        for (std::size_t j = 0; j < best.size(); ++j) size = std::max(size, std::fabs(simplex[k].point[j] - best[j]));
    return size;
}

inline std::vector<double> CentroidOfAllButWorst(std::vector<Vertex> const& simplex)
{
    std::size_t const n = simplex.size() - 1;
    std::vector<double> centroid(simplex[0].point.size(), 0.0);
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t j = 0; j < centroid.size(); ++j) centroid[j] += simplex[k].point[j];
    for (double& c : centroid) c /= double(n);
    return centroid;
}
} // namespace nelder_mead_detail

template <class Objective>
int NelderMeadSolver::Minimize(std::vector<double>& x, Objective objective)
{
    using namespace nelder_mead_detail;
    Statistics& statistics = GetStatistics();
    Parameters& parameters = GetParameters();
    statistics.Clear();
    std::size_t const n = x.size();
    if (n == 0) return eConverged;

    if (parameters.initialSteps.size() < n)
    {
        // With no step at all there is nothing to copy; one unit is the neutral choice.
        double const first = parameters.initialSteps.empty() ? 1.0 : parameters.initialSteps.front();
        parameters.initialSteps.resize(n, first);
    }

    double const startValue = objective(x);
    if (parameters.maxIterations == 0) return eIterationLimit;

    std::vector<Vertex> simplex;
    simplex.reserve(n + 1);
    simplex.push_back({startValue, x});
    for (std::size_t i = 0; i < n; ++i)
    {
        std::vector<double> y = x;
        double const step = parameters.initialSteps[i];
        if (y[i] == 0.0 && parameters.relativeSteps)
            y[i] = step / 200.0;
        else
            y[i] = y[i] + (parameters.relativeSteps ? y[i] * step : step);
        double const value = EvaluatePullingBack(objective, y, x, i, i + 1, parameters);
        simplex.push_back({value, std::move(y)});
    }
    SortSimplex(simplex);

    std::uint64_t iteration = 0;
    int status = eConverged;
    for (;;)
    {
        ++iteration;
        if (SimplexSize(simplex) <= parameters.xTolerance || simplex[0].value <= parameters.targetValue)
        {
            status = eConverged;
            break;
        }
        if (iteration >= parameters.maxIterations)
        {
            status = eIterationLimit;
            break;
        }

        std::vector<double> const centroid = CentroidOfAllButWorst(simplex);
        Vertex& worst = simplex[n];
        double const fBest = simplex[0].value;
        double const fSecondWorst = simplex[n - 1].value;
        double const fWorst = worst.value;

        std::vector<double> reflected = Combine(2.0, centroid, -1.0, worst.point);
        double const fReflected = objective(reflected);
        bool shrink = false;
        if (fBest <= fReflected && fReflected < fSecondWorst)
        {
            worst = {fReflected, std::move(reflected)};
            ++statistics.reflections;
        }
        else if (fReflected < fBest)
        {
            std::vector<double> expanded = Combine(3.0, centroid, -2.0, worst.point);
            double const fExpanded = objective(expanded);
            if (fReflected <= fExpanded)
                worst = {fReflected, std::move(reflected)};
            else
                worst = {fExpanded, std::move(expanded)};
            ++statistics.expansions;
        }
        else if (fReflected < fWorst)
        {
            std::vector<double> contracted = Combine(1.5, centroid, -0.5, worst.point);
            double const fContracted = objective(contracted);
            if (fContracted <= fReflected)
            {
                worst = {fContracted, std::move(contracted)};
                ++statistics.outsideContractions;
            }
            else
                shrink = true;
        }
        else
        {
            std::vector<double> contracted = Combine(0.5, centroid, -(-0.5), worst.point);
            double const fContracted = objective(contracted);
            if (fContracted <= fWorst)
            {
                worst = {fContracted, std::move(contracted)};
                ++statistics.insideContractions;
            }
            else
                shrink = true;
        }

        if (shrink)
        {
            ++statistics.shrinks;
            std::vector<double> const best = simplex[0].point;
            for (std::size_t k = 1; k <= n; ++k)
            {
                std::vector<double> y(n);
                for (std::size_t j = 0; j < n; ++j) y[j] = best[j] + 0.5 * (simplex[k].point[j] - best[j]);
                double const value = EvaluatePullingBack(objective, y, best, 0, n, parameters);
                simplex[k] = {value, std::move(y)};
            }
        }
        SortSimplex(simplex);
    }

    x = simplex[0].point;
    statistics.bestValue = simplex[0].value;
    statistics.iterations = iteration;
    SetStatus(status);
    return status;
}
} // namespace Duduz
} // namespace Zodara
