#pragma once
// Shared by the lattice tests: clearance by looking at every beam (the reference for both tree
// searches) and the check of an argument error's exact message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "interfaces/MeshData.h"
#include "support/reference_geometry.h"

namespace vz_test
{
// Distance to the nearest beam surface, 0 inside, with each edge's own diameters halved in integers.
inline double BruteForceClearance(MStlGraph const& graph, MStlBaseElementInfo const& info, MMPoint3d<double> const& p)
{
    double best = std::numeric_limits<double>::infinity();
    for (MStlGraphEdge const& edge : graph.GetEdges())
    {
        MStlGraphEdgeThickness const t = info.GetEdgeThickness(edge);
        best = std::min(best, BeamClearance(edge.GetFirstVertex()->Get(), edge.GetSecondVertex()->Get(),
                                            double(t.first / 2), double(t.second / 2), p));
    }
    return best;
}

template <class Call>
void ExpectInvalidArgument(Call&& call, char const* message)
{
    try
    {
        call();
        ADD_FAILURE() << "no exception, expected " << message;
    }
    catch (std::invalid_argument const& e)
    {
        EXPECT_STREQ(e.what(), message);
    }
}
} // namespace vz_test
