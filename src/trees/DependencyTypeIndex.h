#pragma once

#include <cstddef>

#include <boost/shared_ptr.hpp>

#include "interfaces/Export.h"
#include "interfaces/MeshData.h"
#include "meshdata/HandleTags.h"
#include "trees/MeshQueriesForMStlCommonImp.h"
#include "trees/MeshQueriesMutableForMStlCommonImp.h"

// The dependency wrappers under which this library's trees are cached on a mesh. Each has one
// exported GetDepTypeIndex instance; the wrapper type is the key.
//
// GetDepTypeIndex<Wrapper>(ip_mesh) returns the wrapper's index in the mesh library's dependency
// registry. The index is taken from the registry of the first mesh that asks and then kept for the
// life of the process, the same for every mesh; later calls only read it and ignore the mesh. Throws
// std::invalid_argument("ip_mesh") when the index is still to be taken and the mesh is null, and
// passes on what the registry throws (then nothing is kept and the next call asks again). Safe to
// call from many threads at once: concurrent first calls take a single index. Constant time.
namespace MeshQueries
{
namespace DependencyKeys
{

namespace Stl = Dovovez::StlBase::Handle;
namespace Generic = Dovovez::Generic::Handle;

using StlBaseConst = Stl::StlConstImpl<Stl::StlBasePolicy>;
using StlBaseMutable = Stl::StlImpl<Stl::StlBasePolicy>;
using VisibleConst = Stl::StlConstImpl<Stl::VisibleTrianglesPolicy>;
using MarkedMutable = Stl::StlImpl<Stl::MarkedTrianglesPolicy>;

template <class H>
using TriangleTree = boost::shared_ptr<typename MeshQueriesForMStlCommonImp<H>::M3DTriangleTreeProperty>;
template <class H>
using PointTree = boost::shared_ptr<typename MeshQueriesForMStlCommonImp<H>::M3DPointTreeProperty>;
template <class H>
using GraphEdgeTree = boost::shared_ptr<typename MeshQueriesForMStlCommonImp<H>::M3DGraphEdgeTreeProperty>;
template <class H>
using GraphEdgeWithoutThicknessTree =
    boost::shared_ptr<typename MeshQueriesForMStlCommonImp<H>::M3DGraphEdgeWithoutThicknessTreeProperty>;
template <class H>
using TriangleTreeMutable = boost::shared_ptr<
    typename MeshQueriesMutable::MeshQueriesMutableForMStlCommonImp<H>::M3DTriangleTreeMutableProperty>;

template <class Predicate, class H>
using PredicativeTriangleTree =
    typename Generic::PredicativeConst<StlBaseConst, Predicate>::template GenericPropertyContainer<TriangleTree<H>>;

using TriangleTreeOfStlConst = Stl::StlConstDependencyWrapper<TriangleTree<StlBaseConst>, Stl::StlBasePolicy>;
using TriangleTreeOfStl = Stl::StlConstDependencyWrapper<TriangleTree<StlBaseMutable>, Stl::StlBasePolicy>;
using TriangleTreeOfVisibleConst =
    Stl::StlConstDependencyWrapper<TriangleTree<VisibleConst>, Stl::VisibleTrianglesPolicy>;
using TriangleTreeOfMarked = Stl::StlConstDependencyWrapper<TriangleTree<MarkedMutable>, Stl::MarkedTrianglesPolicy>;
using TriangleTreeOfSurface = Stl::SurfaceConstDependencyWrapper<TriangleTree<Stl::Surface>>;
using TriangleTreeOfSurfaceConst = Stl::SurfaceConstDependencyWrapper<TriangleTree<Stl::SurfaceConst>>;
using TriangleTreeOfFeature = Stl::FeatureConstDependencyWrapper<TriangleTree<Stl::Feature>>;
using TriangleTreeOfFeatureConst = Stl::FeatureConstDependencyWrapper<TriangleTree<Stl::FeatureConst>>;
using TriangleTreeOfMarkedTrianglesConst =
    Stl::StlConstDependencyWrapper<PredicativeTriangleTree<Stl::MarkedTrianglesPredicate, Stl::MarkedTrianglesConst>,
                                   Stl::StlBasePolicy>;
using TriangleTreeOfBitMaskTriangles =
    Stl::StlConstDependencyWrapper<PredicativeTriangleTree<Stl::BitMaskTringlesPredicate, Stl::BitMaskTriangles>,
                                   Stl::StlBasePolicy>;
using TriangleTreeOfBitMaskTrianglesConst =
    Stl::StlConstDependencyWrapper<PredicativeTriangleTree<Stl::BitMaskTringlesPredicate, Stl::BitMaskTrianglesConst>,
                                   Stl::StlBasePolicy>;
using PointTreeOfStlConst = Stl::StlConstDependencyWrapper<PointTree<StlBaseConst>, Stl::StlBasePolicy>;
using PointTreeOfStl = Stl::StlConstDependencyWrapper<PointTree<StlBaseMutable>, Stl::StlBasePolicy>;
using GraphEdgeTreeOfStlConst = Stl::StlConstDependencyWrapper<GraphEdgeTree<StlBaseConst>, Stl::StlBasePolicy>;
using GraphEdgeTreeOfStl = Stl::StlConstDependencyWrapper<GraphEdgeTree<StlBaseMutable>, Stl::StlBasePolicy>;
using GraphEdgeWithoutThicknessTreeOfStlConst =
    Stl::StlConstDependencyWrapper<GraphEdgeWithoutThicknessTree<StlBaseConst>, Stl::StlBasePolicy>;
using GraphEdgeWithoutThicknessTreeOfStl =
    Stl::StlConstDependencyWrapper<GraphEdgeWithoutThicknessTree<StlBaseMutable>, Stl::StlBasePolicy>;
using TriangleTreeMutableOfStlConst =
    Stl::StlConstDependencyWrapper<TriangleTreeMutable<StlBaseConst>, Stl::StlBasePolicy>;
using TriangleTreeMutableOfStl =
    Stl::StlConstDependencyWrapper<TriangleTreeMutable<StlBaseMutable>, Stl::StlBasePolicy>;

} // namespace DependencyKeys
} // namespace MeshQueries

// The nineteen instances, defined in this library.
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfStlConst>(MStlBase const*);
extern template VZ_API std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfStl>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfVisibleConst>(MStlBase const*);
extern template VZ_API std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfMarked>(MStlBase const*);
extern template VZ_API std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfSurface>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfSurfaceConst>(MStlBase const*);
extern template VZ_API std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfFeature>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfFeatureConst>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfMarkedTrianglesConst>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfBitMaskTriangles>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeOfBitMaskTrianglesConst>(MStlBase const*);
extern template VZ_API std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::PointTreeOfStlConst>(MStlBase const*);
extern template VZ_API std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::PointTreeOfStl>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::GraphEdgeTreeOfStlConst>(MStlBase const*);
extern template VZ_API std::size_t GetDepTypeIndex<MeshQueries::DependencyKeys::GraphEdgeTreeOfStl>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::GraphEdgeWithoutThicknessTreeOfStlConst>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::GraphEdgeWithoutThicknessTreeOfStl>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeMutableOfStlConst>(MStlBase const*);
extern template VZ_API std::size_t
GetDepTypeIndex<MeshQueries::DependencyKeys::TriangleTreeMutableOfStl>(MStlBase const*);
