#pragma once
// A direction bin of the wall-thickness operator: the candidate opposite-wall triangles whose
// normals lie within `radius` of `direction`, and the tree built over them.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "trees/M3DObjectTree.h"
#include "trees/OperatorTreeKind.h"
#include <boost/ptr_container/ptr_vector.hpp>
#include <memory>
#include <vector>

struct DirectionBin
{
    using Tree = MeshQueries::M3DObjectTree<MStlTriangle const*>;

    MMPoint3d<double> direction;
    double radius = 0.0;
    std::vector<MStlTriangle const*> candidates;
    std::unique_ptr<Tree> tree;
    // The leaf size is derived from the kind before each build.
    OperatorTreeKind treeKind = eWallThicknessTree;

    explicit DirectionBin(MMPoint3d<double> const& direction_) : direction(direction_) {}

    // Replaces the tree by one over the candidates and empties the candidate list.
    void RebuildTree();
};

// The 32 bins over the sphere: first the 12 vertices of an icosahedron, then its 20 face centres.
void CreateDirectionBins(boost::ptr_vector<DirectionBin>& bins);

// Index of the bin whose direction has the largest dot product with n; the first of equal bins wins.
std::size_t NearestDirectionBin(boost::ptr_vector<DirectionBin> const& bins, MMPoint3d<double> const& n);
