#pragma once

#include <vector>

#include <boost/ptr_container/ptr_vector.hpp>

#include "interfaces/Export.h"
#include "interfaces/MathCore.h"
#include "sphere/detail/SphereSplitNode.h"

// Accumulates values attached to directions and sums them over spherical caps. The sphere is cut
// into the 20 faces of an icosahedron, each split into four cells per level of depth; every cell
// keeps the sum of the values added inside it.
//
// Units: directions are vectors of any length and unit (they are normalised; a zero vector lies in
// every cell's tolerance and goes to the first cell at every level). Cap sizes are cosines, the
// resolution is in degrees. Values are the caller's, summed as doubles.
// Errors: none are reported; construction throws std::bad_alloc when memory runs out.
// Threads: GetValue and GetMaxError only read and may run concurrently; AddPointValue writes and
// needs exclusive access. GetUniformlyDistributedPoints uses a tree of its own.
// Cost: the tree is built in full, 20 * (4^(depth + 1) - 1) / 3 nodes; adding and querying descend
// only into cells the direction or cap can touch.
class VZ_API SphereSplitTree
{
public:
    // depth: levels of splitting below the 20 faces; 0 or less keeps the faces as the cells.
    explicit SphereSplitTree(int depth);
    ~SphereSplitTree();

    SphereSplitTree(SphereSplitTree const&) = delete;
    SphereSplitTree& operator=(SphereSplitTree const&) = delete;

    // Adds value at the direction: to the first cell (in construction order) that contains it at
    // every level, and so to each enclosing cell once. A direction on a shared edge goes to the first
    // of its cells.
    void AddPointValue(MMPoint3d<double> const& direction, double value);

    // Sum of the values at directions t with t.q >= cosine, q the unit query direction; cells
    // that the cap boundary cuts count whole when their centre lies in the cap. A cosine of -1 or
    // less gives the total of all values, one above 1 gives 0.
    double GetValue(MMPoint3d<double> const& direction, double cosine) const;

    // Largest angular radius of a cell, in degrees: the resolution of the tree.
    double GetMaxError() const;

    // Replaces the contents of points with the unit centres of the cells of a tree of that depth,
    // 20 * 4^depth near-uniform directions, face by face and depth first.
    static void GetUniformlyDistributedPoints(std::vector<MMPoint3d<double>>& points, int depth);

private:
    boost::ptr_vector<SphereSplitNode> m_roots;
};
