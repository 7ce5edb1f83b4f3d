#pragma once

#include <algorithm>
#include <cstdint>

#include "collision/TrianglesGroupBBox3D.h"
#include "interfaces/MeshData.h"

namespace MeshQueries
{

// Exact integer box of one triangle: the least and greatest vertex coordinate per axis, no margin.
template <class Handle>
struct TriangleBBox3D
{
    std::int32_t min[3] = {0, 0, 0};
    std::int32_t max[3] = {0, 0, 0};

    static TriangleBBox3D Of(MStlTriangle const& t)
    {
        TriangleBBox3D b;
        MStlPoint const* const p[3] = {t.GetPoint(0), t.GetPoint(1), t.GetPoint(2)};
        b.min[0] = std::min({p[0]->x, p[1]->x, p[2]->x});
        b.min[1] = std::min({p[0]->y, p[1]->y, p[2]->y});
        b.min[2] = std::min({p[0]->z, p[1]->z, p[2]->z});
        b.max[0] = std::max({p[0]->x, p[1]->x, p[2]->x});
        b.max[1] = std::max({p[0]->y, p[1]->y, p[2]->y});
        b.max[2] = std::max({p[0]->z, p[1]->z, p[2]->z});
        return b;
    }

    TrianglesGroupBBox3D ToGroupBox() const
    {
        return TrianglesGroupBBox3D(MMPoint3d<double>(min[0], min[1], min[2]),
                                    MMPoint3d<double>(max[0], max[1], max[2]));
    }
};

// Grows a group box by a triangle box; an empty group box becomes the triangle box.
template <class Handle>
inline void AddTriangleBox(TrianglesGroupBBox3D& box, TriangleBBox3D<Handle> const& t)
{
    if (box.IsEmpty())
    {
        box = t.ToGroupBox();
        return;
    }
    for (int k = 0; k < 3; ++k)
    {
        box.min[k] = std::min(box.min[k], double(t.min[k]));
        box.max[k] = std::max(box.max[k], double(t.max[k]));
    }
}

} // namespace MeshQueries
