#include "graphsearch/GraphEdgeUtilities.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "graphsearch/detail/RStarNearestSearch.h"

namespace Zodara
{
namespace geometricsearches
{
namespace util
{
namespace
{
constexpr double kRadiusWithoutInfo = 5000.0;

// Truncation toward zero, saturated so that coordinates near the 32-bit limits cannot overflow.
long TruncatedToInt32(double value)
{
    double const clamped = std::clamp(value, double(std::numeric_limits<std::int32_t>::min()),
                                      double(std::numeric_limits<std::int32_t>::max()));
    return long(std::int32_t(clamped));
}
} // namespace

M3DBoundingBox<long> GetBoundingBox(MStlGraphEdge const& edge, MStlBaseElementInfo const* info)
{
    double rA = kRadiusWithoutInfo, rB = kRadiusWithoutInfo;
    if (info != nullptr)
    {
        MStlGraphEdgeThickness thickness = info->GetEdgeThickness(edge);
        if (thickness.first == -1) thickness = info->GetDefaultEdgeThickness();
        rA = thickness.first * 0.5;
        rB = thickness.second * 0.5;
    }
    MStlPoint const* a = edge.GetFirstVertex();
    MStlPoint const* b = edge.GetSecondVertex();
    double const ax[3] = {double(a->x), double(a->y), double(a->z)};
    double const bx[3] = {double(b->x), double(b->y), double(b->z)};
    MMPoint3d<double> lo, hi;
    for (int d = 0; d < 3; ++d)
    {
        lo[d] = std::min(ax[d] - rA, bx[d] - rB);
        hi[d] = std::max(ax[d] + rA, bx[d] + rB);
    }
    M3DBoundingBox<double> box;
    box.AddPoint(lo);
    box.AddPoint(hi);
    return M3DBoundingBox<long>(TruncatedToInt32(box.min[0]), TruncatedToInt32(box.min[1]),
                                TruncatedToInt32(box.min[2]), TruncatedToInt32(box.max[0]),
                                TruncatedToInt32(box.max[1]), TruncatedToInt32(box.max[2]));
}

double NearestDistanceSquared(GraphRStarTree const& tree, GraphRStarTree::ElementInfo const& adapter,
                              MMPoint3d<double> const& point)
{
    double best = DBL_MAX;
    auto const* root = static_cast<GraphRStarTree::Branch const*>(tree.GetRoot());
    if (root != nullptr)
    {
        MStlGraphEdge const* nearest = nullptr;
        Zodara::util::NearestSearch(*root, adapter, MMVector<double, 3>(point.x, point.y, point.z), best, nearest);
    }
    return best;
}

double GetDistance(GraphRStarTree const& tree, MMPoint3d<double>& point, double /*maxDistance*/)
{
    std::shared_ptr<GraphRStarTree::ElementInfo> const adapter = tree.GetElementInfo();
    return std::sqrt(NearestDistanceSquared(tree, *adapter, point));
}
} // namespace util
} // namespace geometricsearches
} // namespace Zodara
