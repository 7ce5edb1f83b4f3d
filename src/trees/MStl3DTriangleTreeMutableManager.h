#pragma once

#include <cstddef>
#include <set>
#include <vector>

#include "interfaces/Export.h"
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "trees/M3DTriangleTreeMutable.h"

namespace MeshQueriesMutable
{

// Keeps a mutable triangle tree in step with a mesh that the caller goes on editing. Changes arrive
// as mesh notifications and are collected; every query first brings the tree up to date, by
// inserting the collected triangles or, when too much has changed, by rebuilding.
//
// Units: points, distances and boxes are in the mesh's internal length units (10 000 per millimetre
// for a mesh loaded from STL), as doubles.
// Lifetime: the mesh must outlive the manager; the manager registers for the mesh's change
// notifications at construction and ends them at destruction. The mesh is only read.
// Errors: no query throws for geometry; std::bad_alloc when memory runs out (a rebuild or insertion
// left half done leaves the manager usable only for destruction).
// Threads: none. Notifications arrive on the thread that edits the mesh, and queries change the
// tree (updates and lazily refreshed boxes): the caller serialises mesh edits and all calls.
// Cost: construction builds the tree, O(n log n) for n triangles. A query after k changes first
// inserts them, O(k log n), or rebuilds when k exceeds a fifth of the other triangles or the
// operation budget is spent; without changes it adds only a constant check. The searches then
// visit the nodes their box or ray can touch, O(log n) for well-spread meshes.
class VZ_API MStl3DTriangleTreeMutableManager : public MStlCallback
{
public:
    using Tree = M3DTriangleTreeMutable<StlHandle>;
    using Mode = Tree::Mode;
    using Triangle = Dovovez::StlBase::Handle::Triangle;
    using Point = MMPoint3d<double>;

    // mesh: handle of the mesh to follow. invalidateEveryN: how many single-triangle tree operations
    // may accumulate before the next update rebuilds the tree (0: every update rebuilds, and
    // notifications are ignored). mode: the tree's leaf size (FineLeaves or CoarseLeaves); any other
    // value throws std::invalid_argument("i_mode").
    MStl3DTriangleTreeMutableManager(StlHandle mesh, std::size_t invalidateEveryN, Mode mode);
    ~MStl3DTriangleTreeMutableManager() override;

    // Called by the mesh for triangles added (1), about to be removed (2), changed (3) and for lists
    // of changed triangles (19, 20); other events are ignored, and so is every event once the
    // operation budget is spent.
    void HandleEvent(MStlCallBackEventID id, void const* data) override;

    // Sets the operation budget; the count of operations since the last rebuild is kept, so a budget
    // at or below it makes the next update a rebuild.
    void SetInvalidateEveryNOperations(std::size_t n) { m_invalidateEveryN = n; }
    // Inserts the collected triangles one by one, or rebuilds (see the class comment). Every query
    // calls it first; calling it directly moves that work out of the next query.
    void UpdateTree();

    // Box of all triangles; false only when the tree has no root (never after construction). On a
    // mesh without triangles it is the empty box (its minimum at the empty marker).
    bool GetBBox(M3DBoundingBox<double>& box);
    // Nearest triangle to p at a distance of at most maxDistance (inclusive; the largest double for
    // no limit). Found(): the triangle, distance the Euclidean distance, point a copy of p. Among
    // equally near triangles of one leaf the later one wins. Not found: null triangle and mesh.
    MeshQueries::NearestTriangleResult<StlHandle> NearestTriangle(Point const& p, double maxDistance);
    // First triangle hit by the ray from p along direction (any length; normalised, so distance is
    // a length). Edges and corners count as hits; a ray parallel to a triangle's plane (within 2^-26)
    // never hits it; a zero direction finds nothing. Found(): the triangle, distance the ray
    // parameter, point = p + distance * unit direction.
    MeshQueries::ProjectPointResult<StlHandle> ProjectPoint(Point const& p, Point const& direction);
    // ProjectPoint for count rays: results[i] is what ProjectPoint(points[i], directions[i]) gives,
    // several rays being searched in turns to overlap their waits for memory.
    void ProjectPoints(Point const* points, Point const* directions, std::size_t count,
                       MeshQueries::ProjectPointResult<StlHandle>* results);
    // Appends every triangle touching the axis-aligned box with corners a and b. Appends, never clears.
    void GetTrianglesInsideBBox(std::vector<Triangle>& out, Point const& a, Point const& b);
    // Appends every triangle crossed by origin + t * direction for t in [tMin, tMax] (direction not
    // normalised: t counts multiples of its length; tMin >= tMax finds nothing). Appends, never clears.
    void GetTrianglesAlongLineSegment(std::vector<Triangle>& out, Point const& origin, Point const& direction,
                                      double const& tMin, double const& tMax);

    // State, for callers that watch the cost of keeping the tree current.
    Tree const& GetTree() const { return m_tree; }
    std::size_t GetPendingCount() const { return m_pending.size(); }
    std::size_t GetOperationCount() const { return m_operationCount; }
    std::size_t GetInvalidateEveryNOperations() const { return m_invalidateEveryN; }

private:
    void _TriangleAdded(MStlTriangle* t);
    void _TriangleRemoving(MStlTriangle* t);
    void _TriangleChanged(MStlTriangle* t);
    void _TriangleListChanged(void const* list);
    bool _PrefersIncrementalUpdate() const;

    Tree m_tree;
    StlHandle m_mesh;
    std::set<MStlTriangle*> m_pending;
    std::size_t m_invalidateEveryN;
    std::size_t m_operationCount = 0;
};

} // namespace MeshQueriesMutable
