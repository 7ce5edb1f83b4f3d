#pragma once

#include <cstddef>

namespace MeshQueries
{

class M3DObjectTreeBase
{
public:
    enum IntersectionType
    {
        Inside = 0,
        Outside = 1,
        Intersecting = 2
    };

    // cacheBoxes: keep every element's box during the build instead of recomputing it at each level
    // (more memory, faster build). maxLeafSize: a node with at most this many elements is a leaf.
    struct Parameters
    {
        bool cacheBoxes = true;
        std::size_t maxLeafSize = 10;
    };
};

} // namespace MeshQueries
