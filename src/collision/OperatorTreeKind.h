#pragma once
// The kinds of static object trees that the collision and wall-thickness operators own, and the
// leaf size that goes with each kind.
#include <cstddef>

enum OperatorTreeKind
{
    eCollisionTree = 0,    // leaves of up to 10 triangles
    eWideTree = 1,         // leaves of up to 30 elements
    eWallThicknessTree = 2 // leaves of up to 3 triangles: the pair test is costly
};

inline std::size_t MaxLeafSizeOfTreeKind(int kind)
{
    switch (kind)
    {
    case eCollisionTree: return 10;
    case eWideTree: return 30;
    default: return 3;
    }
}
