#pragma once
// The kinds of static object trees the library's operators build, and the leaf size that goes with
// each kind. A tree's kind is kept beside it so that a rebuild derives the same leaf size again.
#include <cstddef>

enum OperatorTreeKind
{
    eCollisionTree = 0,    // trees over a part's triangles for collision checks
    eWideTree = 1,         // trees over many cheap elements, such as a lattice's beams
    eWallThicknessTree = 2 // trees over one direction bin's triangles: the pair test is costly
};

// Largest element count of a leaf (a node holding more is split) for each tree kind.
constexpr std::size_t kCollisionTreeLeafSize = 10;
constexpr std::size_t kWideTreeLeafSize = 30;
constexpr std::size_t kWallThicknessTreeLeafSize = 3;

constexpr std::size_t MaxLeafSizeOfTreeKind(OperatorTreeKind kind)
{
    switch (kind)
    {
    case eCollisionTree: return kCollisionTreeLeafSize;
    case eWideTree: return kWideTreeLeafSize;
    case eWallThicknessTree: return kWallThicknessTreeLeafSize;
    }
    return kWallThicknessTreeLeafSize;
}
