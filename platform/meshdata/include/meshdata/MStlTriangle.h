#pragma once
// A mesh triangle: three shared vertices in winding order and its element index, the key of its
// entry in every data mask of the mesh.
#include "mathcore/M3DBoundingBox.h"
#include "mathcore/MMPoint3d.h"
#include "meshdata/MStlFwd.h"
#include "meshdata/MStlPoint.h"
#include <cstddef>
#include <cstdint>

class MStlTriangle
{
public:
    // Triangles are made by MStlBase::AddTriangle; a default one belongs to no mesh.
    MStlTriangle() = default;
    MStlTriangle(MStlTriangle const&) = delete;
    MStlTriangle& operator=(MStlTriangle const&) = delete;

    MMPoint3d<double> GetVertex(std::size_t const& i) const { return m_points[i]->Get(); }
    MStlPoint* GetPoint(std::size_t i) const { return m_points[i]; }
    std::uint64_t GetElementIndex() const { return m_elementIndex; }
    MStlBase* GetMesh() const { return m_mesh; }

    // Unit normal oriented by the winding; the zero vector for a collapsed triangle.
    MMPoint3d<double> GetNormal() const;
    // The triangle across edge i (vertex i to vertex (i+1) mod 3) or null. A neighbour that runs
    // the edge the opposite way is preferred; otherwise one that runs it the same way is returned;
    // among several, the one first in the list of triangles at vertex i (the most recently linked).
    // Constant time whatever the number of triangles at the edge. The flag is reserved and ignored.
    MStlTriangle* FindAdjacentTriangle(std::size_t i, bool reserved = false) const;

    double SurfaceArea() const;
    double LONGEST_SIDE_LENGTH() const;
    // True when the three vertices are collinear or coincide (exact integer test).
    bool IsCollapsed() const;

    bool IsMarkedAnyMode() const { return m_marked; }
    void Mark() { m_marked = true; }
    void Unmark() { m_marked = false; }

    // Reverses the winding; the mode argument is reserved (pass 0).
    void Invert(char mode);
    // Integer box of the three vertices (replaces the box's contents).
    void GetBoundingBox(M3DBoundingBox<long>& box) const;

    // Within the list of triangles using point p (which must be a vertex of this triangle), the
    // next triangle, or null.
    MStlTriangle* NextTriangleAround(MStlPoint const* p) const { return m_next[LinkSlot(p)]; }

private:
    friend class MStlBase;
    friend class MStlEdgeIndex;

    // Each distinct vertex links the triangle once, in the slot of its first occurrence.
    int LinkSlot(MStlPoint const* p) const { return m_points[0] == p ? 0 : (m_points[1] == p ? 1 : 2); }
    void LinkToPoints();
    void UnlinkFromPoints();

    MStlPoint* m_points[3] = {nullptr, nullptr, nullptr};
    MStlTriangle* m_next[3] = {nullptr, nullptr, nullptr};
    MStlBase* m_mesh = nullptr;
    std::uint64_t m_elementIndex = 0;
    // Order of linking into the mesh: every triangle list of a point or an edge runs from the
    // highest number to the lowest.
    std::uint64_t m_linkSequence = 0;
    // Links of the mesh's edge lists, one per edge slot k (from vertex k to vertex (k+1) mod 3).
    MStlTriangle* m_edgeNext[3] = {nullptr, nullptr, nullptr};
    MStlTriangle* m_edgePrev[3] = {nullptr, nullptr, nullptr};
    bool m_marked = false;
};
