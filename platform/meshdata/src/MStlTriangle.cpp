#include "meshdata/MStlTriangle.h"

#include "meshdata/MStlBase.h"
#include "meshdata/detail/MStlEdgeIndex.h"
#include <algorithm>
#include <cmath>
#include <limits>

void MStlPoint::Set(MMPoint3dIntegerTypes<long> const& p)
{
    auto saturate = [](long v)
    {
        return std::int32_t(std::min<long>(std::max<long>(v, std::numeric_limits<std::int32_t>::min()),
                                           std::numeric_limits<std::int32_t>::max()));
    };
    x = saturate(p.x);
    y = saturate(p.y);
    z = saturate(p.z);
}

MMPoint3d<double> MStlTriangle::GetNormal() const
{
    MMPoint3d<double> const a = GetVertex(0), b = GetVertex(1), c = GetVertex(2);
    MMPoint3d<double> const n = (b - a).Cross(c - a);
    double const len = n.Length();
    return len > 0.0 ? n / len : MMPoint3d<double>(0, 0, 0);
}

MStlTriangle* MStlTriangle::FindAdjacentTriangle(std::size_t i, bool) const
{
    if (!m_mesh) return nullptr;
    MStlPoint const* const a = m_points[i % 3];
    MStlPoint const* const b = m_points[(i + 1) % 3];
    MStlEdgeIndex const& edges = m_mesh->GetEdgeIndex();
    if (MStlTriangle* const opposite = edges.FirstRunning(b, a, this)) return opposite;
    return edges.FirstRunning(a, b, this);
}

double MStlTriangle::SurfaceArea() const
{
    MMPoint3d<double> const a = GetVertex(0), b = GetVertex(1), c = GetVertex(2);
    return 0.5 * (b - a).Cross(c - a).Length();
}

double MStlTriangle::LONGEST_SIDE_LENGTH() const
{
    MMPoint3d<double> const a = GetVertex(0), b = GetVertex(1), c = GetVertex(2);
    return std::sqrt(std::max({(b - a).LengthSquared(), (c - b).LengthSquared(), (a - c).LengthSquared()}));
}

bool MStlTriangle::IsCollapsed() const
{
    // Exact in 128-bit integers: coordinate differences fit 33 bits, their products 66.
    using Wide = __int128;
    MStlPoint const &p = *m_points[0], &q = *m_points[1], &r = *m_points[2];
    Wide const ux = Wide(q.x) - p.x, uy = Wide(q.y) - p.y, uz = Wide(q.z) - p.z;
    Wide const vx = Wide(r.x) - p.x, vy = Wide(r.y) - p.y, vz = Wide(r.z) - p.z;
    return uy * vz - uz * vy == 0 && uz * vx - ux * vz == 0 && ux * vy - uy * vx == 0;
}

void MStlTriangle::Invert(char)
{
    // Links sit in the slot of each point's first occurrence; keep them with their points.
    MStlPoint* const points[3] = {m_points[0], m_points[1], m_points[2]};
    MStlTriangle* const next[3] = {m_next[0], m_next[1], m_next[2]};
    std::swap(m_points[1], m_points[2]);
    for (int k = 0; k < 3; ++k) m_next[k] = nullptr;
    for (int k = 0; k < 3; ++k)
    {
        int const oldSlot = (points[0] == points[k]) ? 0 : ((points[1] == points[k]) ? 1 : 2);
        if (oldSlot != k) continue; // only first occurrences carry a link
        m_next[LinkSlot(points[k])] = next[k];
    }
    if (m_mesh)
        if (MStlEdgeIndex* const edges = m_mesh->EdgeIndexToMaintain()) edges->Relink(this, points);
}

void MStlTriangle::GetBoundingBox(M3DBoundingBox<long>& box) const
{
    box.MakeEmpty();
    for (MStlPoint const* p : m_points) box.AddPoint(p->GetInteger());
}

void MStlTriangle::LinkToPoints()
{
    m_linkSequence = m_mesh->m_nextLinkSequence++;
    for (int k = 0; k < 3; ++k)
    {
        MStlPoint* const p = m_points[k];
        if (LinkSlot(p) != k) continue;
        m_next[k] = p->m_firstTriangle;
        p->m_firstTriangle = this;
    }
    if (MStlEdgeIndex* const edges = m_mesh->EdgeIndexToMaintain()) edges->Link(this);
}

void MStlTriangle::UnlinkFromPoints()
{
    if (MStlEdgeIndex* const edges = m_mesh->EdgeIndexToMaintain()) edges->Unlink(this);
    for (int k = 0; k < 3; ++k)
    {
        MStlPoint* const p = m_points[k];
        if (LinkSlot(p) != k) continue;
        if (p->m_firstTriangle == this)
        {
            p->m_firstTriangle = m_next[k];
        }
        else
        {
            MStlTriangle* u = p->m_firstTriangle;
            while (u)
            {
                int const s = u->LinkSlot(p);
                if (u->m_next[s] == this)
                {
                    u->m_next[s] = m_next[k];
                    break;
                }
                u = u->m_next[s];
            }
        }
        m_next[k] = nullptr;
    }
}
