#include "graphsearch/PoreSizes.h"

#include <cfloat>

#include "graphsearch/detail/ObjectTreeClearance.h"
#include "graphsearch/detail/PoreGridScan.h"
#include "trees/OperatorTreeKind.h"

namespace Zodara
{
namespace geometricsearches
{
namespace
{
MeshQueries::M3DObjectTreeBase::Parameters EdgeTreeParameters()
{
    MeshQueries::M3DObjectTreeBase::Parameters parameters;
    parameters.cacheBoxes = true;
    parameters.maxLeafSize = MaxLeafSizeOfTreeKind(eWideTree);
    return parameters;
}
} // namespace

PoreSizeResult GetPoreSizes(MStlGraph const* ip_graph, M3DBoundingBox<double> const& i_box, std::size_t i_resolution_x,
                            std::size_t i_resolution_y, std::size_t i_resolution_z, std::size_t i_refineResolution,
                            double i_overlapFactor)
{
    util::CheckPoreSearchArguments(ip_graph, i_resolution_x, i_resolution_y, i_resolution_z);
    util::CheckPoreSearchRegion(i_box, i_overlapFactor);
    MStlBaseElementInfo const* const info = MStlBaseElementInfoStlDependency::GetDependency(ip_graph->GetMesh(), true);
    MeshQueries::M3DObjectTree<MStlGraphEdge> const tree(MStlIteratorGraphEdgeConst::Begin(ip_graph),
                                                         MStlIteratorGraphEdgeConst::End(ip_graph),
                                                         util::MakeEdgeBoxFunction(info), EdgeTreeParameters());
    util::ClearanceFunction const distance = [&tree, info](MMPoint3d<double>& p)
    { return util::GetDistance(tree, info, p, DBL_MAX); };

    std::vector<PoreSizeInfo> const candidates =
        util::ScanGrid(distance, i_box, i_resolution_x, i_resolution_y, i_resolution_z, kAllFaces);
    MMPoint3d<double> const steps = util::GridSteps(i_box, i_resolution_x, i_resolution_y, i_resolution_z);
    std::vector<PoreSizeInfo> const refined =
        util::RefineByLocalScan(candidates, distance, i_box, steps, i_refineResolution);
    return PoreSizeResult{util::FilterOverlappingPores(refined, i_overlapFactor)};
}
} // namespace geometricsearches
} // namespace Zodara
