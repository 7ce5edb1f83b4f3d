#include <cmath>

#include "graphsearch/GraphEdgeUtilities.h"
#include "graphsearch/NelderMeadMinimize.h"
#include "graphsearch/PoreSizes.h"
#include "graphsearch/detail/PoreGridScan.h"

namespace Zodara
{
namespace geometricsearches
{
namespace
{
// The optimiser ends within this distance of its window's edge only when the window holds no maximum.
constexpr double kWindowMargin = 10.0;
constexpr double kStepFraction = 0.1;

class RStarClearance
{
public:
    explicit RStarClearance(GraphRStarTree const& tree) : m_tree(tree), m_adapter(tree.GetElementInfo()) {}
    double operator()(MMPoint3d<double> const& point) const
    {
        return std::sqrt(util::NearestDistanceSquared(m_tree, *m_adapter, point));
    }

private:
    GraphRStarTree const& m_tree;
    std::shared_ptr<GraphRStarTree::ElementInfo> m_adapter;
};

bool StrictlyInside(double value, double centre, double step)
{
    return centre - step + kWindowMargin < value && value < centre + step - kWindowMargin;
}

// Maximises the clearance within one grid step of the candidate; false when the search does not settle
// clearly inside that window.
bool RefineByNelderMead(PoreSizeInfo const& candidate, MMPoint3d<double> const& steps, RStarClearance const& clearance,
                        PoreSizeInfo& refined)
{
    MMPoint3d<double> const& c = candidate.center;
    Duduz::NelderMeadSolver solver;
    Duduz::NelderMeadSolver::Parameters& parameters = solver.GetParameters();
    parameters.relativeSteps = false;
    parameters.initialSteps.resize(3);
    parameters.initialSteps[0] = steps.x * kStepFraction;
    parameters.initialSteps[1] = steps.y * kStepFraction;
    parameters.initialSteps[2] = steps.z * kStepFraction;
    parameters.xTolerance = 10.0;

    auto objective = [&](std::vector<double> const& x)
    {
        bool const inWindow = c.x - steps.x <= x[0] && x[0] <= c.x + steps.x && c.y - steps.y <= x[1] &&
                              x[1] <= c.y + steps.y && c.z - steps.z <= x[2] && x[2] <= c.z + steps.z;
        if (!inWindow) return std::numeric_limits<double>::infinity();
        return -clearance(MMPoint3d<double>(x[0], x[1], x[2]));
    };
    std::vector<double> x{c.x - steps.x * kStepFraction * 0.5, c.y - steps.y * kStepFraction * 0.5,
                          c.z - steps.z * kStepFraction * 0.5};
    if (solver.Minimize(x, objective) != 0) return false;
    if (!StrictlyInside(x[0], c.x, steps.x) || !StrictlyInside(x[1], c.y, steps.y) ||
        !StrictlyInside(x[2], c.z, steps.z))
        return false;
    refined.center = MMPoint3d<double>(x[0], x[1], x[2]);
    refined.radius = -solver.GetStatistics().bestValue;
    refined.interior = candidate.interior;
    refined.boundaryFlags = candidate.boundaryFlags;
    return true;
}
} // namespace

PoreSizeResult GetPoreSizesRTK(MStlGraph const* ip_graph, M3DBoundingBox<double> const& i_box,
                               std::size_t i_resolution_x, std::size_t i_resolution_y, std::size_t i_resolution_z,
                               bool i_useNelderMead, std::size_t i_refineResolution, double i_overlapFactor)
{
    util::CheckPoreSearchArguments(ip_graph, i_resolution_x, i_resolution_y, i_resolution_z);
    util::CheckPoreSearchRegion(i_box, i_overlapFactor);
    GraphRStarTree const tree(ip_graph);
    // The grid rows search the tree from several threads; no lazy refresh may be left for them.
    tree.RefreshAll();
    RStarClearance const clearance(tree);
    util::ClearanceFunction const distance = [&clearance](MMPoint3d<double>& p) { return clearance(p); };

    std::vector<PoreSizeInfo> const candidates =
        util::ScanGrid(distance, i_box, i_resolution_x, i_resolution_y, i_resolution_z, kAllFaces);
    MMPoint3d<double> const steps = util::GridSteps(i_box, i_resolution_x, i_resolution_y, i_resolution_z);

    std::vector<PoreSizeInfo> refined;
    if (!i_useNelderMead)
        refined = util::RefineByLocalScan(candidates, distance, i_box, steps, i_refineResolution);
    else
        for (PoreSizeInfo const& candidate : candidates)
        {
            PoreSizeInfo pore;
            if (RefineByNelderMead(candidate, steps, clearance, pore)) refined.push_back(pore);
        }
    return PoreSizeResult{util::FilterOverlappingPores(refined, i_overlapFactor)};
}
} // namespace geometricsearches
} // namespace Zodara
