#include "trees/DependencyTypeIndex.h"

#include "trees/detail/DependencyTypeIndexSlot.h"

// Each instance keeps its own slot, so every wrapper type receives its own index.
template <class Wrapper>
std::size_t GetDepTypeIndex(MStlBase const* ip_mesh)
{
    static MeshQueries::DependencyTypeIndexSlot slot;
    return slot.Get(ip_mesh);
}

template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfStlConst>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfStl>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfVisibleConst>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfMarked>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfSurface>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfSurfaceConst>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfFeature>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfFeatureConst>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfMarkedTrianglesConst>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfBitMaskTriangles>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfBitMaskTrianglesConst>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::PointTreeOfStlConst>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::PointTreeOfStl>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::GraphEdgeTreeOfStlConst>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::GraphEdgeTreeOfStl>(MStlBase const*);
template std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::GraphEdgeWithoutThicknessTreeOfStlConst>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::GraphEdgeWithoutThicknessTreeOfStl>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeMutableOfStlConst>(MStlBase const*);
template std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeMutableOfStl>(MStlBase const*);
