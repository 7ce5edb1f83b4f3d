#pragma once

#include <cstddef>
#include <limits>

#include "collision/TriangleDistance.h"
#include "collision/detail/ToleranceSearch.h"
#include "interfaces/Export.h"
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "trees/M3DObjectTree.h"

namespace MeshQueries
{

// Asks a static object tree whether any of its triangles lies within the tolerance of one query
// triangle. The answer is yes or no, not the nearest triangle: once one triangle is within the
// tolerance, every further distance is +infinity, which ends the search at once. One query per
// query triangle, owned by the thread that runs it. Lengths are in the parts' internal units; the
// distances returned are squared. Nothing here throws; each test costs a constant number of
// operations, and a search with IsWithinTolerance visits the tree nearest-first.
struct VZ_API ToleranceQuery
{
    // The query triangle, mapped into the coordinates of the searched part.
    MMPoint3d<double> vertices[3];
    MMPoint3d<double> normal;
    bool found = false;
    // Integer box of the mapped query triangle, grown by one unit on every side.
    M3DBoundingBox<long> box;
    double tolerance = 0.0;
    // The searched part's compact mesh, which resolves compact triangle indexes; null for trees of
    // mesh triangles.
    MStlCompact const* partRef = nullptr;

    // Lower bound of the squared distance to anything inside the node box: the squared gap between
    // the node box and the query's grown box.
    double BoxDistance(M3DBoundingBox<double> const& nodeBox) const;

    // Squared distance to one tree triangle; sets found when it is within the tolerance (inclusive).
    double ElementDistance(MStlTriangle const* triangle);
    double ElementDistance(std::size_t compactTriangle);
};

// The query for a mesh triangle, mapped by the transform from its own part's coordinates into the
// searched part's.
VZ_API ToleranceQuery MakeToleranceQuery(MStlTriangle const* triangle, MMTransformMatrix const& mapping,
                                         double tolerance, MStlCompact const* partRef = nullptr);

// The query for triangle index `triangle` of the compact mesh `queryPart`.
VZ_API ToleranceQuery MakeToleranceQuery(MStlCompact const& queryPart, std::size_t triangle,
                                         MMTransformMatrix const& mapping, double tolerance,
                                         MStlCompact const* partRef = nullptr);

// The sentinel that no tree element can take.
inline MStlTriangle const* NoElement(MStlTriangle const*) { return nullptr; }
inline std::size_t NoElement(std::size_t) { return std::numeric_limits<std::size_t>::max(); }

// True when a triangle of the tree lies within the query's tolerance. Trees of compact triangles
// need the query's partRef to be their compact mesh.
template <class T>
bool IsWithinTolerance(M3DObjectTree<T> const& tree, ToleranceQuery& query)
{
    double const infinity = std::numeric_limits<double>::infinity();
    double bestDistance = query.tolerance < infinity ? query.tolerance * query.tolerance : infinity;
    T const sentinel = NoElement(T());
    T bestElement = sentinel;
    tree.FindNearest(detail::ToleranceSearch<ToleranceQuery>(query), bestDistance, bestElement);
    return bestElement != sentinel;
}

} // namespace MeshQueries
