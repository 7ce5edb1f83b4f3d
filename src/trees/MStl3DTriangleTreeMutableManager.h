#pragma once

#include <cstddef>
#include <set>
#include <vector>

#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "trees/M3DTriangleTreeMutable.h"

namespace MeshQueriesMutable
{

// Keeps a mutable triangle tree in step with a mesh that the caller goes on editing. Changes arrive
// as mesh notifications and are collected; every query first brings the tree up to date, by
// inserting the collected triangles or, when too much has changed, by rebuilding. Mesh edits and
// calls must be serialised by the caller.
class MStl3DTriangleTreeMutableManager : public MStlCallback
{
public:
    using Tree = M3DTriangleTreeMutable<StlHandle>;
    using Mode = Tree::Mode;
    using Triangle = Dovovez::StlBase::Handle::Triangle;
    using Point = MMPoint3d<double>;

    MStl3DTriangleTreeMutableManager(StlHandle mesh, std::size_t invalidateEveryN, Mode mode);
    ~MStl3DTriangleTreeMutableManager() override;

    void HandleEvent(MStlCallBackEventID id, void const* data) override;

    // The count of operations since the last rebuild is kept.
    void SetInvalidateEveryNOperations(std::size_t n) { m_invalidateEveryN = n; }
    void UpdateTree();

    bool GetBBox(M3DBoundingBox<double>& box);
    MeshQueries::NearestTriangleResult<StlHandle> NearestTriangle(Point const& p, double maxDistance);
    MeshQueries::ProjectPointResult<StlHandle> ProjectPoint(Point const& p, Point const& direction);
    // Both append to out and never clear it.
    void GetTrianglesInsideBBox(std::vector<Triangle>& out, Point const& a, Point const& b);
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
