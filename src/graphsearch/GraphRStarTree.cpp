#include "graphsearch/GraphRStarTree.h"

#include <stdexcept>

namespace Zodara
{
template class RStarTree<double, 3, MStlGraphEdge const*, 5>;

namespace
{
constexpr std::size_t kGraphMinimumFill = 2;

MStlGraph const* CheckedGraph(MStlGraph const* graph)
{
    if (graph == nullptr) throw std::invalid_argument("ip_graph");
    return graph;
}

// The interface has no virtual destructor; the adapter's storage is released from its complete object.
struct ReleaseAdapterMemory
{
    void operator()(GraphRStarTree::ElementInfo* adapter) const { ::operator delete(dynamic_cast<void*>(adapter)); }
};

std::shared_ptr<GraphRStarTree::ElementInfo> OwnedAdapter(GraphRStarTree::ElementInfo* adapter)
{
    if (adapter == nullptr) throw std::invalid_argument("ip_elementInfo");
    return std::shared_ptr<GraphRStarTree::ElementInfo>(adapter, ReleaseAdapterMemory());
}
} // namespace

GraphRStarTree::GraphRStarTree(MStlGraph const* graph)
    : RStarTree(std::make_shared<GraphElementInfo>(CheckedGraph(graph)->GetMesh()), kGraphMinimumFill)
{
    Initialize(graph);
}

GraphRStarTree::GraphRStarTree(MStlGraph const* graph, ElementInfo* adapter)
    : RStarTree(OwnedAdapter(adapter), kGraphMinimumFill)
{
    Initialize(CheckedGraph(graph));
}

void GraphRStarTree::Initialize(MStlGraph const* graph)
{
    for (auto it = MStlIteratorGraphEdgeConst::Begin(graph), end = MStlIteratorGraphEdgeConst::End(graph); it != end;
         ++it)
        Insert(&*it);
}

bool GraphRStarTree::Contains(MMPoint3d<double> point) const
{
    BranchInterface const* const root = GetRoot();
    if (root == nullptr) return false;
    return root->HasElementsContaining(MMVector<double, 3>(point.x, point.y, point.z), *GetElementInfo());
}

M3DBoundingBox<double> GraphRStarTree::CreateBoundingBox(MStlGraph const* graph)
{
    M3DBoundingBox<double> box;
    for (auto it = MStlIteratorGraphEdgeConst::Begin(graph), end = MStlIteratorGraphEdgeConst::End(graph); it != end;
         ++it)
    {
        box.AddPoint(it->GetFirstVertex()->Get());
        box.AddPoint(it->GetSecondVertex()->Get());
    }
    return box;
}

M3DBoundingBox<double> GraphRStarTree::CreateBoundingBox(MStlBase const* mesh)
{
    M3DBoundingBox<double> box;
    for (auto it = MStlIteratorStlPointConst::Begin(mesh), end = MStlIteratorStlPointConst::End(mesh); it != end; ++it)
        box.AddPoint(it->Get());
    return box;
}
} // namespace Zodara
