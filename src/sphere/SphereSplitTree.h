#pragma once

#include <vector>

#include <boost/ptr_container/ptr_vector.hpp>

#include "interfaces/MathCore.h"
#include "sphere/detail/SphereSplitNode.h"

// Accumulates values attached to directions and sums them over spherical caps. The sphere is cut
// into the 20 faces of an icosahedron, each split into four cells per level of depth.
class SphereSplitTree
{
public:
    explicit SphereSplitTree(int depth);
    ~SphereSplitTree();

    SphereSplitTree(SphereSplitTree const&) = delete;
    SphereSplitTree& operator=(SphereSplitTree const&) = delete;

    void AddPointValue(MMPoint3d<double> const& direction, double value);

    // Sum of the values at directions t with t.q >= cosine, q the unit query direction; cells
    // that the cap boundary cuts count whole when their centre lies in the cap.
    double GetValue(MMPoint3d<double> const& direction, double cosine) const;

    // Largest angular radius of a cell, in degrees: the resolution of the tree.
    double GetMaxError() const;

    static void GetUniformlyDistributedPoints(std::vector<MMPoint3d<double>>& points, int depth);

private:
    boost::ptr_vector<SphereSplitNode> m_roots;
};
