#include "graphsearch/detail/ObjectTreeClearance.h"

#include <cmath>

#include "graphsearch/GraphEdgeUtilities.h"
#include "graphsearch/detail/SignedBeamDistance.h"

namespace Zodara
{
namespace geometricsearches
{
namespace util
{
namespace
{
constexpr double kRadiusWithoutInfo = 5000.0;

class BeamClearanceQuery
{
public:
    BeamClearanceQuery(MMPoint3d<double> const& point, MStlBaseElementInfo const* info) : m_point(point), m_info(info)
    {
    }

    double BoxDistance(M3DBoundingBox<double> const& box) const
    {
        double sum = 0.0;
        for (int d = 0; d < 3; ++d)
        {
            double const p = m_point[d];
            if (p < box.min[d])
                sum += (box.min[d] - p) * (box.min[d] - p);
            else if (p > box.max[d])
                sum += (p - box.max[d]) * (p - box.max[d]);
        }
        return sum;
    }

    double ElementDistance(MStlGraphEdge const& edge) const
    {
        double rA = kRadiusWithoutInfo, rB = kRadiusWithoutInfo;
        if (m_info != nullptr)
        {
            MStlGraphEdgeThickness const thickness = m_info->GetEdgeThickness(edge);
            rA = double(thickness.first / 2);
            rB = double(thickness.second / 2);
        }
        double const s =
            SignedBeamDistanceSquared(edge.GetFirstVertex()->Get(), edge.GetSecondVertex()->Get(), rA, rB, m_point);
        return s >= 0.0 ? s : 0.0;
    }

private:
    MMPoint3d<double> m_point;
    MStlBaseElementInfo const* m_info;
};

bool InfiniteOrNaN(double value) { return std::isinf(value) || std::isnan(value); }
} // namespace

EdgeBoxFunction MakeEdgeBoxFunction(MStlBaseElementInfo const* info)
{
    return [info](MStlGraphEdge const& edge)
    {
        M3DBoundingBox<long> const box = GetBoundingBox(edge, info);
        return M3DBoundingBox<double>(double(box.min[0]), double(box.min[1]), double(box.min[2]), double(box.max[0]),
                                      double(box.max[1]), double(box.max[2]));
    };
}

double GetDistance(MeshQueries::M3DObjectTree<MStlGraphEdge> const& tree, MStlBaseElementInfo const* info,
                   MMPoint3d<double>& point, double maxDistance)
{
    double bestDistance = InfiniteOrNaN(maxDistance) ? maxDistance : maxDistance * maxDistance;
    MStlGraphEdge bestElement;
    tree.FindNearest(BeamClearanceQuery(point, info), bestDistance, bestElement);
    return InfiniteOrNaN(bestDistance) ? bestDistance : std::sqrt(bestDistance);
}
} // namespace util
} // namespace geometricsearches
} // namespace Zodara
