#pragma once

#include <vector>

#include "interfaces/MeshData.h"

namespace MeshQueriesMutable
{

// A leaf's triangles and their vertices live wherever the mesh put them. Requesting them all before
// the first test lets the memory system fetch them side by side instead of one after another. The
// records come first: their vertex addresses are in them.
inline void PrefetchTriangleRecords(std::vector<MStlTriangle*> const& triangles)
{
    for (MStlTriangle const* t : triangles) __builtin_prefetch(t);
}
inline void PrefetchTriangleCorners(std::vector<MStlTriangle*> const& triangles)
{
    for (MStlTriangle const* t : triangles)
    {
        __builtin_prefetch(t->GetPoint(0));
        __builtin_prefetch(t->GetPoint(1));
        __builtin_prefetch(t->GetPoint(2));
    }
}
inline void PrefetchTriangles(std::vector<MStlTriangle*> const& triangles)
{
    PrefetchTriangleRecords(triangles);
    PrefetchTriangleCorners(triangles);
}

// Brings a node's children into cache before their boxes are read: the first line holds the box,
// the second the child's own links, needed as soon as the search descends into it.
template <class Child>
inline void PrefetchChildren(Child* const (&children)[3])
{
    for (Child const* c : children)
        if (c)
        {
            __builtin_prefetch(c);
            __builtin_prefetch(reinterpret_cast<char const*>(c) + 64);
        }
}

} // namespace MeshQueriesMutable
