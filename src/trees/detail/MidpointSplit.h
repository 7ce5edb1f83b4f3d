#pragma once
// The split rule shared by the static object tree and the mutable triangle tree: a node's elements
// are split at the middle of the node box on one axis into three groups by their extent on that
// axis: below (max < split value), straddling (min <= split value <= max), above (min > split
// value). The axes take turns x, y, z; an axis on which everything straddled is used up for the
// straddling group's subtree.
#include <cstddef>
#include <utility>

namespace MeshQueries
{
namespace detail
{

// Bit k of a used-axes set: axis k may no longer be split.
constexpr unsigned kAllAxesUsed = 7;

// The axis to split: the first axis, or the next one after it (cyclically) that is not used up.
// The used-axes set must not be kAllAxesUsed.
inline int ChooseSplitAxis(int firstAxis, unsigned usedAxes)
{
    int axis = firstAxis;
    while (usedAxes & (1u << axis)) axis = (axis + 1) % 3;
    return axis;
}

// The axis the children of a node split on first.
inline int NextSplitAxis(int axis) { return (axis + 1) % 3; }

// The middle of the box on the split axis.
inline double SplitValue(double boxMin, double boxMax) { return (boxMin + boxMax) * 0.5; }

enum SplitGroup
{
    kBelow = 0,
    kStraddling = 1,
    kAbove = 2
};

// The group of an element that covers [lo, hi] on the split axis; both ends count as straddling.
inline SplitGroup GroupOf(double lo, double hi, double split)
{
    if (hi < split) return kBelow;
    if (lo > split) return kAbove;
    return kStraddling;
}

// Partitions the elements [begin, end) in place in one pass with three cursors: below elements are
// swapped to the front, above elements to the back, straddling ones stay between. groupOf(i)
// classifies the element now at index i (and may gather what it needs from it before it moves);
// swap(i, j) exchanges two elements. Returns the ends of the below and the straddling groups.
// Always inlined: the builds call it once per node with small lambdas, which must melt into the
// loop for the pass to run as fast as a hand-written one.
template <class GroupOfIndex, class Swap>
__attribute__((always_inline)) inline std::pair<std::size_t, std::size_t>
PartitionAtSplit(std::size_t begin, std::size_t end, GroupOfIndex&& groupOf, Swap&& swap)
{
    std::size_t below = begin, above = end, i = begin;
    while (i < above)
    {
        SplitGroup const group = groupOf(i);
        if (group == kBelow)
        {
            swap(i, below);
            ++below;
            ++i;
        }
        else if (group == kAbove)
        {
            --above;
            swap(i, above);
        }
        else
        {
            ++i;
        }
    }
    return {below, above};
}

} // namespace detail
} // namespace MeshQueries
