#pragma once
// The solver object of a downhill-simplex minimiser: its settings, run statistics and last status.
// The minimisation loop, Minimize, is a member template whose definition the caller supplies.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace Zodara
{
namespace Duduz
{
class NelderMeadSolver
{
public:
    struct Parameters
    {
        std::uint64_t maxIterations = 1000;
        double xTolerance = 1e-8;
        bool relativeSteps = false;
        std::vector<double> initialSteps{1.0};
        double invalidValue = std::numeric_limits<double>::infinity();
        double invalidPullBack = 0.5;
        double targetValue = -std::numeric_limits<double>::infinity();
    };

    struct Statistics
    {
        std::uint64_t iterations = 0;
        std::uint64_t reflections = 0;
        std::uint64_t expansions = 0;
        std::uint64_t outsideContractions = 0;
        std::uint64_t insideContractions = 0;
        std::uint64_t shrinks = 0;
        double bestValue = std::numeric_limits<double>::quiet_NaN();
        void Clear() { *this = Statistics(); }
    };

    enum Status : int
    {
        eConverged = 0,
        eIterationLimit = 1,
        eNotRun = -1
    };

    NelderMeadSolver() = default;
    ~NelderMeadSolver() = default;

    Parameters& GetParameters() { return m_parameters; }
    Parameters const& GetParameters() const { return m_parameters; }
    Statistics& GetStatistics() { return m_statistics; }
    Statistics const& GetStatistics() const { return m_statistics; }
    int GetStatus() const { return m_status; }
    void SetStatus(int status) { m_status = status; }

    // Minimises objective from the start point x; x holds the best point on return.
    template <class Objective>
    int Minimize(std::vector<double>& x, Objective objective);

private:
    Parameters m_parameters;
    Statistics m_statistics;
    int m_status = eNotRun;
};
} // namespace Duduz
} // namespace Zodara
