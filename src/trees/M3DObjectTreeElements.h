#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"

namespace MeshQueries
{

// Truncation toward zero that saturates at the 32-bit range (NaN gives 0), so that an empty or
// out-of-range double box stays well defined when stored as integers.
inline std::int32_t TruncateToInt32(double value)
{
    if (!(value > -2147483649.0)) return value != value ? 0 : INT32_MIN;
    if (!(value < 2147483648.0)) return INT32_MAX;
    return static_cast<std::int32_t>(value);
}

inline M3DBoundingBox<double> ToDoubleBox(M3DBoundingBox<long> const& box)
{
    return M3DBoundingBox<double>(double(box.min[0]), double(box.min[1]), double(box.min[2]), double(box.max[0]),
                                  double(box.max[1]), double(box.max[2]));
}

inline M3DBoundingBox<long> ToTruncatedIntegerBox(M3DBoundingBox<double> const& box)
{
    return M3DBoundingBox<long>(TruncateToInt32(box.min[0]), TruncateToInt32(box.min[1]), TruncateToInt32(box.min[2]),
                                TruncateToInt32(box.max[0]), TruncateToInt32(box.max[1]), TruncateToInt32(box.max[2]));
}

// Each vertex is added once moved by -1 and once by +1 on every axis, so the box is a closed cover of
// the triangle with a margin of one unit.
inline void AddGrownVertex(M3DBoundingBox<long>& box, long x, long y, long z)
{
    box.AddPoint(MMPoint3dIntegerTypes<long>(x - 1, y - 1, z - 1));
    box.AddPoint(MMPoint3dIntegerTypes<long>(x + 1, y + 1, z + 1));
}

// One element's box as the build's box cache keeps it: 32-bit bounds without the element kind's
// margin, half the size of a box of longs, which halves what every partition pass moves. Adding
// the margin back gives the element's integer box exactly. Starts as the empty box.
struct M3DObjectTreeCachedBox
{
    std::int32_t min[3] = {INT32_MAX, INT32_MAX, INT32_MAX};
    std::int32_t max[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
};

inline void GrowCachedBox(M3DObjectTreeCachedBox& box, std::int32_t x, std::int32_t y, std::int32_t z)
{
    std::int32_t const v[3] = {x, y, z};
    for (int k = 0; k < 3; ++k)
    {
        box.min[k] = std::min(box.min[k], v[k]);
        box.max[k] = std::max(box.max[k], v[k]);
    }
}

// What the object tree needs to know about one kind of stored element: the source that resolves it
// and its box. The primary template is left undefined: only the kinds below can be stored.
template <class T>
struct M3DObjectTreeElement;

template <>
struct M3DObjectTreeElement<MStlTriangle const*>
{
    struct Source
    {
    };
    static constexpr bool kParallelBoxCache = true;
    static constexpr bool kIntegralBoxes = true;

    static M3DBoundingBox<long> IntegerBox(MStlTriangle const* triangle, Source const&)
    {
        M3DBoundingBox<long> box;
        for (std::size_t i = 0; i < 3; ++i)
        {
            MStlPoint const* p = triangle->GetPoint(i);
            AddGrownVertex(box, p->x, p->y, p->z);
        }
        return box;
    }
    static M3DBoundingBox<double> DoubleBox(MStlTriangle const* triangle, Source const& source)
    {
        return ToDoubleBox(IntegerBox(triangle, source));
    }

    // The vertices' own bounds; the integer box is one unit larger on every side.
    static constexpr long kCacheMargin = 1;
    static M3DObjectTreeCachedBox CachedBox(MStlTriangle const* triangle, Source const&)
    {
        M3DObjectTreeCachedBox box;
        for (std::size_t i = 0; i < 3; ++i)
        {
            MStlPoint const* p = triangle->GetPoint(i);
            GrowCachedBox(box, p->x, p->y, p->z);
        }
        return box;
    }

    static void Prefetch(MStlTriangle const* triangle) { __builtin_prefetch(triangle); }
    static void PrefetchVertices(MStlTriangle const* triangle)
    {
        for (std::size_t i = 0; i < 3; ++i) __builtin_prefetch(triangle->GetPoint(i));
    }

    static MStlTriangle const* FromRange(MStlTriangle const& triangle) { return &triangle; }
    static MStlTriangle const* FromRange(MStlTriangle const* triangle) { return triangle; }
};

// Triangle indexes into an MStlCompact, which the source points to.
template <>
struct M3DObjectTreeElement<std::size_t>
{
    using Source = MStlCompact const*;
    static constexpr bool kParallelBoxCache = true;
    static constexpr bool kIntegralBoxes = true;

    static M3DBoundingBox<long> IntegerBox(std::size_t triangle, Source const& compact)
    {
        M3DBoundingBox<long> box;
        MStlCompact::MTriangle const& t = compact->GetTriangle(triangle);
        for (std::size_t i = 0; i < 3; ++i)
        {
            MStlCompact::MVertex const& v = compact->GetVertex(t.v[i]);
            AddGrownVertex(box, v.x, v.y, v.z);
        }
        return box;
    }
    static M3DBoundingBox<double> DoubleBox(std::size_t triangle, Source const& compact)
    {
        return ToDoubleBox(IntegerBox(triangle, compact));
    }

    static constexpr long kCacheMargin = 1;
    static M3DObjectTreeCachedBox CachedBox(std::size_t triangle, Source const& compact)
    {
        M3DObjectTreeCachedBox box;
        MStlCompact::MTriangle const& t = compact->GetTriangle(triangle);
        for (std::size_t i = 0; i < 3; ++i)
        {
            MStlCompact::MVertex const& v = compact->GetVertex(t.v[i]);
            GrowCachedBox(box, v.x, v.y, v.z);
        }
        return box;
    }

    // The compact mesh is not at hand here; its triangles are looked up by the query.
    static void Prefetch(std::size_t) {}
    static void PrefetchVertices(std::size_t) {}

    static std::size_t FromRange(std::size_t triangle) { return triangle; }
};

// Graph edges are held by value; their box comes from the caller's box function.
template <>
struct M3DObjectTreeElement<MStlGraphEdge>
{
    using Source = std::function<M3DBoundingBox<double>(MStlGraphEdge const&)>;
    // The box function is the caller's and need not be safe to call from several threads.
    static constexpr bool kParallelBoxCache = false;
    static constexpr bool kIntegralBoxes = false;

    static M3DBoundingBox<double> DoubleBox(MStlGraphEdge const& edge, Source const& boxFunction)
    {
        return boxFunction(edge);
    }
    static M3DBoundingBox<long> IntegerBox(MStlGraphEdge const& edge, Source const& boxFunction)
    {
        return ToTruncatedIntegerBox(boxFunction(edge));
    }

    // The box function's values truncated to 32 bits, as they are.
    static constexpr long kCacheMargin = 0;
    static M3DObjectTreeCachedBox CachedBox(MStlGraphEdge const& edge, Source const& boxFunction)
    {
        M3DBoundingBox<double> const b = boxFunction(edge);
        M3DObjectTreeCachedBox box;
        for (int k = 0; k < 3; ++k)
        {
            box.min[k] = TruncateToInt32(b.min[k]);
            box.max[k] = TruncateToInt32(b.max[k]);
        }
        return box;
    }

    // Edges are held in the tree itself.
    static void Prefetch(MStlGraphEdge const&) {}
    static void PrefetchVertices(MStlGraphEdge const&) {}

    static MStlGraphEdge FromRange(MStlGraphEdge const& edge) { return edge; }
};

} // namespace MeshQueries
