#pragma once
// Counts the triangles that use an edge, by the direction in which they run it.
#include "meshdata/MStlFwd.h"
#include <cstddef>

class MNeighbourFinder
{
public:
    void Set(MStlPoint const* a, MStlPoint const* b)
    {
        m_a = a;
        m_b = b;
    }
    // When false, collapsed triangles are left out of the counts.
    bool countCollapsed = false;

    void Operate();
    // Triangles that run the edge from a to b.
    std::size_t NumberOfForwardNeighbours() const { return m_forward; }
    // Triangles that run it from b to a.
    std::size_t NumberOfBackwardNeighbours() const { return m_backward; }

private:
    MStlPoint const* m_a = nullptr;
    MStlPoint const* m_b = nullptr;
    std::size_t m_forward = 0;
    std::size_t m_backward = 0;
};
