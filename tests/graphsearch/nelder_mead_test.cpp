// The Nelder-Mead loop: start simplex, each kind of step with its counter, stopping rules.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graphsearch/NelderMeadMinimize.h"

namespace
{
using Zodara::Duduz::NelderMeadSolver;
using Points = std::vector<std::vector<double>>;

struct Counters
{
    std::uint64_t reflections, expansions, outside, inside, shrinks;
};

void ExpectCounters(NelderMeadSolver& solver, Counters const& expected)
{
    auto const& s = solver.GetStatistics();
    EXPECT_EQ(s.reflections, expected.reflections);
    EXPECT_EQ(s.expansions, expected.expansions);
    EXPECT_EQ(s.outsideContractions, expected.outside);
    EXPECT_EQ(s.insideContractions, expected.inside);
    EXPECT_EQ(s.shrinks, expected.shrinks);
}

NelderMeadSolver AbsoluteSteps(std::vector<double> steps, std::uint64_t maxIterations)
{
    NelderMeadSolver solver;
    solver.GetParameters().relativeSteps = false;
    solver.GetParameters().initialSteps = std::move(steps);
    solver.GetParameters().maxIterations = maxIterations;
    solver.GetParameters().xTolerance = 1e-12;
    return solver;
}

double Sphere(std::vector<double> const& x) { return x[0] * x[0] + x[1] * x[1]; }

// Absolute steps are added to the start; relative steps scale each coordinate (a zero one takes the
// step / 200), and a single step serves every variable.
TEST(NelderMeadStart, AbsoluteAndRelativeSteps)
{
    auto recorded = [](NelderMeadSolver& solver, std::vector<double> x)
    {
        Points calls;
        solver.Minimize(x,
                        [&calls](std::vector<double> const& p)
                        {
                            calls.push_back(p);
                            return 1.0;
                        });
        return calls;
    };
    NelderMeadSolver absolute = AbsoluteSteps({0.5, 2.0, -3.0}, 1);
    EXPECT_EQ(recorded(absolute, {0.0, 0.0, 0.0}), (Points{{0, 0, 0}, {0.5, 0, 0}, {0, 2.0, 0}, {0, 0, -3.0}}));

    NelderMeadSolver relative;
    relative.GetParameters().relativeSteps = true;
    relative.GetParameters().initialSteps = {0.1};
    relative.GetParameters().maxIterations = 1;
    Points const calls = recorded(relative, {0.0, 4.0, -2.0});
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[1], (std::vector<double>{0.1 / 200.0, 4.0, -2.0}));
    EXPECT_EQ(calls[2], (std::vector<double>{0.0, 4.0 + 4.0 * 0.1, -2.0}));
    EXPECT_EQ(calls[3], (std::vector<double>{0.0, 4.0, -2.0 + -2.0 * 0.1}));
    EXPECT_EQ(relative.GetParameters().initialSteps, (std::vector<double>{0.1, 0.1, 0.1}));
}

TEST(NelderMeadStart, InvalidPointsArePulledBackTowardTheStart)
{
    NelderMeadSolver solver = AbsoluteSteps({1.0}, 1);
    solver.GetParameters().invalidPullBack = 0.5;
    Points calls;
    std::vector<double> x{1.0};
    solver.Minimize(x,
                    [&calls](std::vector<double> const& p)
                    {
                        calls.push_back(p);
                        return p[0] >= 1.5 ? std::numeric_limits<double>::infinity() : p[0];
                    });
    EXPECT_EQ(calls, (Points{{1.0}, {2.0}, {1.5}, {1.25}}));
}

TEST(NelderMeadStart, NoVariablesReturnsAtOnceZeroIterationsEvaluateTheStartOnly)
{
    NelderMeadSolver solver = AbsoluteSteps({1.0}, 0);
    int calls = 0;
    auto counted = [&calls](std::vector<double> const& p) { return ++calls, p.empty() ? 0.0 : Sphere(p); };
    std::vector<double> none;
    EXPECT_EQ(solver.Minimize(none, counted), 0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(solver.GetStatus(), NelderMeadSolver::eNotRun);
    solver.GetStatistics().iterations = 42;
    std::vector<double> x{3.0, 4.0};
    EXPECT_EQ(solver.Minimize(x, counted), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(x, (std::vector<double>{3.0, 4.0}));
    EXPECT_EQ(solver.GetStatistics().iterations, 0u);
    EXPECT_TRUE(std::isnan(solver.GetStatistics().bestValue));
    EXPECT_EQ(solver.GetStatus(), NelderMeadSolver::eNotRun);
}

// A start simplex within the tolerance stops in the first pass without a step; otherwise the target
// value or the iteration limit (status 1) ends the search.
TEST(NelderMeadStart, StopsWhenConvergedAtTheTargetOrAtTheIterationLimit)
{
    NelderMeadSolver converged = AbsoluteSteps({1.0, 1.0}, 100);
    converged.GetParameters().xTolerance = 1.0;
    std::vector<double> x{0.0, 0.0};
    auto f = [](std::vector<double> const& p) { return (p[0] - 1) * (p[0] - 1) + (p[1] - 2) * (p[1] - 2); };
    EXPECT_EQ(converged.Minimize(x, f), 0);
    EXPECT_EQ(converged.GetStatistics().iterations, 1u);
    ExpectCounters(converged, {0, 0, 0, 0, 0});
    EXPECT_EQ(x, (std::vector<double>{0.0, 1.0})); // f 2, the best of 5, 4, 2
    EXPECT_EQ(converged.GetStatistics().bestValue, 2.0);
    EXPECT_EQ(converged.GetStatus(), 0);

    NelderMeadSolver targeted = AbsoluteSteps({1.0, 1.0}, 100);
    targeted.GetParameters().targetValue = 0.5;
    std::vector<double> y{3.0, 0.0};
    EXPECT_EQ(targeted.Minimize(y, Sphere), 0);
    EXPECT_LE(targeted.GetStatistics().bestValue, 0.5);
    EXPECT_EQ(targeted.GetStatistics().bestValue, Sphere(y));

    NelderMeadSolver limited = AbsoluteSteps({0.5, 0.5}, 10);
    std::vector<double> z{-1.2, 1.0};
    EXPECT_EQ(limited.Minimize(z, Sphere), 1);
    EXPECT_EQ(limited.GetStatistics().iterations, 10u);
    EXPECT_EQ(limited.GetStatus(), 1);
}

using Objective = double (*)(std::vector<double> const&);

double ShiftedQuadratic(std::vector<double> const& p) { return (p[0] - 1) * (p[0] - 1) + (p[1] - 2) * (p[1] - 2); }
double Rosenbrock(std::vector<double> const& p)
{
    return (1 - p[0]) * (1 - p[0]) + 100 * (p[1] - p[0] * p[0]) * (p[1] - p[0] * p[0]);
}
double Square(std::vector<double> const& p) { return p[0] * p[0]; }

// One simplex step (the run stops at the second pass), worked by hand.
struct FirstIteration
{
    char const* what;
    Objective f;
    std::vector<double> start, steps;
    Counters counters;
    std::vector<double> best; // empty: not checked (ties in the final sort)
    double bestValue;
};

TEST(NelderMeadFirstIteration, EachKindOfStepAndItsCounter)
{
    FirstIteration const cases[] = {
        // (0,1) 2, (1,0) 4, (0,0) 5; centroid (0.5,0.5); reflection (1,1) 1 beats the best; expansion
        // (1.5,1.5) 0.5 beats the reflection.
        {"quadratic expands", ShiftedQuadratic, {0, 0}, {1, 1}, {0, 1, 0, 0, 0}, {1.5, 1.5}, 0.5},
        // (-1.1,1) 8.82, (-1.2,1.1) 16.4, (-1.2,1) 24.2; centroid (-1.15,1.05); reflection (-1.1,1.1) 5.62;
        // expansion (-1.05,1.15) 4.428125.
        {"Rosenbrock expands", Rosenbrock, {-1.2, 1}, {0.1, 0.1}, {0, 1, 0, 0, 0}, {-1.05, 1.15}, 4.428125},
        // (1,0) 1, (1,1) 2, (2,0) 4; reflection (0,1) 1 equals the best: a reflection.
        {"reflection equal to the best", Sphere, {1, 0}, {1, 1}, {1, 0, 0, 0, 0}, {}, 1.0},
        // 1 at 1, 4 at 2; reflection 0 gives 0, expansion -1 gives 1: the reflection stays, counted as an
        // expansion.
        {"reflection kept after a failed expansion", Square, {1}, {1}, {0, 1, 0, 0, 0}, {0.0}, 0.0},
        // 1 at 1, 9 at 3; reflection -1 gives 1 (not below the best, below the worst); outside
        // contraction 1.5 - 1.5 = 0.
        {"outside contraction", Square, {1}, {2}, {0, 0, 1, 0, 0}, {0.0}, 0.0},
        // (0,0) 0, (1,0) 1, (0,2) 4; reflection (1,-2) 5 is no better than the worst; inside contraction
        // (0.25,1) 1.0625.
        {"inside contraction", Sphere, {0, 0}, {1, 2}, {0, 0, 0, 1, 0}, {0.0, 0.0}, 0.0},
    };
    for (FirstIteration const& c : cases)
    {
        SCOPED_TRACE(c.what);
        NelderMeadSolver solver = AbsoluteSteps(c.steps, 2);
        std::vector<double> x = c.start;
        EXPECT_EQ(solver.Minimize(x, c.f), 1);
        EXPECT_EQ(solver.GetStatistics().iterations, 2u);
        ExpectCounters(solver, c.counters);
        EXPECT_NEAR(solver.GetStatistics().bestValue, c.bestValue, 1e-9);
        for (std::size_t j = 0; j < c.best.size(); ++j) EXPECT_NEAR(x[j], c.best[j], 1e-12);
    }
}

// Piecewise 2x² (x > 0), x² (x ≤ 0), except 5 near -0.5. From 0, step 1: 0 at 0, 2 at 1. Reflection -1
// gives 1; the outside contraction -0.5 gives 5, worse than the reflection: shrink toward 0, new vertex
// 0.5 with 0.5.
TEST(NelderMeadFirstIteration, FailedContractionShrinks)
{
    NelderMeadSolver solver = AbsoluteSteps({1.0}, 2);
    std::vector<double> x{0.0};
    Points calls;
    solver.Minimize(x,
                    [&calls](std::vector<double> const& p)
                    {
                        calls.push_back(p);
                        double const v = p[0];
                        if (v > -0.75 && v < -0.25) return 5.0;
                        return v > 0 ? 2 * v * v : v * v;
                    });
    ExpectCounters(solver, {0, 0, 0, 0, 1});
    EXPECT_EQ(calls, (Points{{0.0}, {1.0}, {-1.0}, {-0.5}, {0.5}}));
}

TEST(NelderMeadConvergence, QuadraticAndRosenbrockReachTheirMinima)
{
    NelderMeadSolver solver = AbsoluteSteps({0.5, 0.5}, 5000);
    solver.GetParameters().xTolerance = 1e-9;
    std::vector<double> x{-1.2, 1.0};
    EXPECT_EQ(solver.Minimize(x, Rosenbrock), 0);
    EXPECT_NEAR(x[0], 1.0, 1e-6);
    EXPECT_NEAR(x[1], 1.0, 1e-6);
    auto const& s = solver.GetStatistics();
    // Every pass but the stopping one takes exactly one step.
    auto expectOneStepPerPass = [&s]
    {
        EXPECT_EQ(s.reflections + s.expansions + s.outsideContractions + s.insideContractions + s.shrinks,
                  s.iterations - 1);
    };
    expectOneStepPerPass();
    EXPECT_EQ(s.bestValue, Rosenbrock(x));

    std::vector<double> y{5.0, -3.0};
    EXPECT_EQ(solver.Minimize(y, Sphere), 0);
    EXPECT_NEAR(y[0], 0.0, 1e-8);
    EXPECT_NEAR(y[1], 0.0, 1e-8);
    expectOneStepPerPass();
}
} // namespace
