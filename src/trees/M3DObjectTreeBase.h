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

    struct Parameters
    {
        bool cacheBoxes = true;
        std::size_t maxLeafSize = 10;
    };
};

} // namespace MeshQueries
