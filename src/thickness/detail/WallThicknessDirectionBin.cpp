#include "thickness/detail/WallThicknessDirectionBin.h"

#include <cmath>

namespace
{
MMPoint3d<double> DividedByLength(MMPoint3d<double> const& v)
{
    double const length = v.Length();
    return length != 0.0 ? v / length : v;
}

std::vector<MMPoint3d<double>> IcosahedronVertices()
{
    double const phi = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<MMPoint3d<double>> vertices;
    for (double s : {-1.0, 1.0})
        for (double t : {-1.0, 1.0})
        {
            vertices.push_back(DividedByLength({0.0, s, t * phi}));
            vertices.push_back(DividedByLength({s, t * phi, 0.0}));
            vertices.push_back(DividedByLength({t * phi, 0.0, s}));
        }
    return vertices;
}

std::vector<MMPoint3d<double>> IcosahedronFaceCentres(std::vector<MMPoint3d<double>> const& v)
{
    double const edge = (v[0] - v[6]).LengthSquared();
    auto neighbours = [&](std::size_t i, std::size_t j)
    {
        double const d = (v[i] - v[j]).LengthSquared();
        return edge - 0.01 < d && d < edge + 0.01;
    };
    std::vector<MMPoint3d<double>> centres;
    for (std::size_t i = 0; i < v.size(); ++i)
        for (std::size_t j = i + 1; j < v.size(); ++j)
            for (std::size_t k = j + 1; k < v.size(); ++k)
                if (neighbours(i, j) && neighbours(i, k) && neighbours(j, k))
                    centres.push_back(DividedByLength(v[i] + v[j] + v[k]));
    return centres;
}
} // namespace

void DirectionBin::RebuildTree()
{
    tree.reset();
    MeshQueries::M3DObjectTreeBase::Parameters parameters;
    parameters.cacheBoxes = true;
    parameters.maxLeafSize = MaxLeafSizeOfTreeKind(treeKind);
    tree.reset(new Tree(candidates.begin(), candidates.end(), parameters));
    candidates.clear();
    candidates.shrink_to_fit();
}

void CreateDirectionBins(boost::ptr_vector<DirectionBin>& bins)
{
    std::vector<MMPoint3d<double>> const vertices = IcosahedronVertices();
    for (auto const& d : vertices) bins.push_back(new DirectionBin(d));
    for (auto const& d : IcosahedronFaceCentres(vertices)) bins.push_back(new DirectionBin(d));
}

std::size_t NearestDirectionBin(boost::ptr_vector<DirectionBin> const& bins, MMPoint3d<double> const& n)
{
    std::size_t best = 0;
    double bestDot = -2.0;
    for (std::size_t i = 0; i < bins.size(); ++i)
    {
        double const dot = bins[i].direction.Dot(n);
        if (dot > bestDot)
        {
            bestDot = dot;
            best = i;
        }
    }
    return best;
}
