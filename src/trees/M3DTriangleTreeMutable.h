#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include <boost/pool/pool.hpp>

#include "collision/TrianglesGroupBBox3D.h"
#include "interfaces/Export.h"
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "trees/ChunkedArray.h"
#include "trees/MutableTreeQueryResults.h"
#include "trees/detail/CacheLineAllocator.h"
#include "trees/detail/TriangleBBox3D.h"

namespace MeshQueriesMutable
{

using StlHandle = Dovovez::StlBase::Handle::StlImpl<Dovovez::StlBase::Handle::StlBasePolicy>;

template <class Handle>
class M3DTriangleTreeMutable;

// Bounding-box tree over all triangles of one mesh that accepts single triangles being added and
// removed after the build. Leaves only grow and shrink; nodes are never split, merged or rebalanced.
// Node boxes are refreshed lazily by the queries, so no use, queries included, may overlap another.
// Most callers want MStl3DTriangleTreeMutableManager, which keeps the tree in step with mesh edits.
//
// Units: points and distances in the mesh's internal length units, as doubles. The mesh must
// outlive the tree. Errors: the constructor throws std::invalid_argument("i_mode") for an unknown
// mode; std::bad_alloc when memory runs out. Cost: Rebuild O(n log n); AddTriangle descends one path,
// O(depth); RemoveTriangle finds the leaf through the leaf map and marks the boxes above it stale,
// O(depth); the queries visit the nodes whose boxes can hold the answer, nearest or first along the
// ray first.
template <>
class M3DTriangleTreeMutable<StlHandle>
{
public:
    enum Mode
    {
        FineLeaves = 0,
        CoarseLeaves = 1
    };

    using Triangle = Dovovez::StlBase::Handle::Triangle;
    using TriangleBox = MeshQueries::TriangleBBox3D<StlHandle>;
    using GroupBox = MeshQueries::TrianglesGroupBBox3D;
    using Point = MMPoint3d<double>;

    class BaseNode;
    class Node;
    class Leaf;
    using LeafMap = MDataMask<MStlTriangle, Leaf*>;

    // Throws std::invalid_argument("i_mode") for a mode other than FineLeaves or CoarseLeaves.
    VZ_API explicit M3DTriangleTreeMutable(Mode mode);
    VZ_API ~M3DTriangleTreeMutable();
    M3DTriangleTreeMutable(M3DTriangleTreeMutable const&) = delete;
    M3DTriangleTreeMutable& operator=(M3DTriangleTreeMutable const&) = delete;

    void SetMesh(StlHandle const& mesh) { m_mesh = mesh; }
    StlHandle const& GetMesh() const { return m_mesh; }
    Mode GetMode() const { return m_mode; }
    std::size_t GetLeafCapacity() const { return m_leafCapacity; }

    // Discards the tree and builds it again from every triangle of the mesh.
    VZ_API void Rebuild();
    // Destroys every node and leaf, releases the pools and the leaf map; the root becomes null.
    VZ_API void Clear();

    BaseNode* GetRoot() const { return m_root; }
    // The leaf of each triangle in the tree, null for any other; null itself while there is no root.
    LeafMap* GetLeafMap() const { return m_leafMap.get(); }

    // Inserts t where it enlarges the boxes least; null when there is no root or t is null. The
    // caller records the returned leaf in the leaf map.
    VZ_API Leaf* AddTriangle(MStlTriangle* t);
    // False when t is not in the tree (null, or a triangle of another mesh, included).
    VZ_API bool RemoveTriangle(MStlTriangle* t);

    // maxDistance is the largest double for no limit.
    VZ_API MeshQueries::NearestTriangleResult<StlHandle> NearestTriangle(Point const& p, double maxDistance);
    VZ_API MeshQueries::ProjectPointResult<StlHandle> ProjectPoint(Point const& origin, Point const& direction);
    // ProjectPoint for count rays at once: results[i] is exactly what ProjectPoint(origins[i],
    // directions[i]) gives. Several rays are searched in turns, so that one ray's wait for memory
    // overlaps the others' work. Exhausted memory raises std::bad_alloc, with results written for
    // some of the rays only.
    VZ_API void ProjectPoints(Point const* origins, Point const* directions, std::size_t count,
                              MeshQueries::ProjectPointResult<StlHandle>* results);

private:
    friend class Node;
    friend class Leaf;
    using BoxMask = MDataMask<MStlTriangle, TriangleBox>;
    using TriangleArray = MeshQueries::ChunkedArray<MStlTriangle*>;

    // The triangles [begin, end) of the rebuild's temporary array, with their boxes.
    struct BuildRange
    {
        TriangleArray& triangles;
        BoxMask const& boxes;
    };

    // Both build into a block already taken from the matching pool.
    BaseNode* _BuildNode(void* block, BuildRange const& all, std::size_t begin, std::size_t end, int firstAxis,
                         unsigned usedAxes, Node* parent);
    BaseNode* _BuildLeaf(void* block, BuildRange const& all, std::size_t begin, std::size_t end, Node* parent);
    void* _AllocateNode();
    void* _AllocateLeaf();

    StlHandle m_mesh;
    Mode m_mode;
    std::size_t m_leafCapacity;
    BaseNode* m_root = nullptr;
    bool m_precomputeBoxes = true;
    boost::pool<CacheLineAllocator> m_nodePool;
    boost::pool<CacheLineAllocator> m_leafPool;
    std::unique_ptr<LeafMap> m_leafMap;
};

using M3DTriangleTreeMutableStl = M3DTriangleTreeMutable<StlHandle>;

} // namespace MeshQueriesMutable

#include "trees/detail/M3DTriangleTreeMutableNodes.h"
