#include "graphsearch/LatticeGenerator.h"

#include <array>
#include <map>
#include <set>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

namespace Zodara
{
namespace geometricsearches
{
namespace
{
// Node positions in half cells, so that cell and face centres have integer keys.
using HalfCellKey = std::array<std::int32_t, 3>;
using Strut = std::pair<HalfCellKey, HalfCellKey>;

std::vector<Strut> CellStruts(LatticeCellType type, std::int32_t i, std::int32_t j, std::int32_t k)
{
    std::int32_t const x = 2 * i, y = 2 * j, z = 2 * k;
    auto corner = [&](int a, int b, int c) { return HalfCellKey{x + 2 * a, y + 2 * b, z + 2 * c}; };
    std::vector<Strut> struts;
    switch (type)
    {
    case LatticeCellType::SimpleCubic:
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b)
            {
                struts.push_back({corner(0, a, b), corner(1, a, b)});
                struts.push_back({corner(a, 0, b), corner(a, 1, b)});
                struts.push_back({corner(a, b, 0), corner(a, b, 1)});
            }
        break;
    case LatticeCellType::BodyCentredCubic:
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b)
                for (int c = 0; c < 2; ++c) struts.push_back({HalfCellKey{x + 1, y + 1, z + 1}, corner(a, b, c)});
        break;
    case LatticeCellType::Octet:
    {
        std::vector<HalfCellKey> faceCentres;
        for (int axis = 0; axis < 3; ++axis)
            for (int side = 0; side < 2; ++side)
            {
                HalfCellKey centre{x + 1, y + 1, z + 1};
                centre[axis] += side == 0 ? -1 : 1;
                faceCentres.push_back(centre);
                for (int a = -1; a <= 1; a += 2)
                    for (int b = -1; b <= 1; b += 2)
                    {
                        HalfCellKey c = centre;
                        c[(axis + 1) % 3] += a;
                        c[(axis + 2) % 3] += b;
                        struts.push_back({centre, c});
                    }
            }
        // Face centres of neighbouring (not opposite) faces.
        for (std::size_t f = 0; f < faceCentres.size(); ++f)
            for (std::size_t g = f + 1; g < faceCentres.size(); ++g)
                if (f / 2 != g / 2) struts.push_back({faceCentres[f], faceCentres[g]});
        break;
    }
    }
    return struts;
}

void CheckDescription(LatticeDescription const& d)
{
    if (d.cellSize <= 0) throw std::invalid_argument("i_cellSize must be positive");
    if (d.cellsX <= 0 || d.cellsY <= 0 || d.cellsZ <= 0) throw std::invalid_argument("i_cells must be positive");
}
} // namespace

MStlGraph* GenerateLattice(MStlBase& mesh, LatticeDescription const& description)
{
    CheckDescription(description);
    MStlGraph* graph = mesh.AddGraph();
    MStlBaseElementInfo* info = mesh.GetOrCreateElementInfo();
    std::map<HalfCellKey, MStlPoint*> nodes;
    auto node = [&](HalfCellKey const& key)
    {
        auto it = nodes.find(key);
        if (it != nodes.end()) return it->second;
        std::int32_t coordinates[3];
        for (int d = 0; d < 3; ++d)
            coordinates[d] = description.origin[d] + std::int32_t((std::int64_t(key[d]) * description.cellSize) / 2);
        MStlPoint* point = mesh.AddPoint(coordinates[0], coordinates[1], coordinates[2]);
        nodes.emplace(key, point);
        return point;
    };

    std::set<Strut> added;
    for (std::int32_t k = 0; k < description.cellsZ; ++k)
        for (std::int32_t j = 0; j < description.cellsY; ++j)
            for (std::int32_t i = 0; i < description.cellsX; ++i)
                for (Strut const& strut : CellStruts(description.cellType, i, j, k))
                {
                    Strut const unordered = std::minmax(strut.first, strut.second);
                    if (!added.insert(unordered).second) continue;
                    MStlGraphEdge const& edge = graph->AddEdge(node(strut.first), node(strut.second));
                    info->SetEdgeThickness(edge, {description.firstDiameter, description.secondDiameter});
                }
    return graph;
}

M3DBoundingBox<double> LatticeBox(LatticeDescription const& d)
{
    MMPoint3d<double> const lo(d.origin.x, d.origin.y, d.origin.z);
    MMPoint3d<double> const extent(double(d.cellSize) * d.cellsX, double(d.cellSize) * d.cellsY,
                                   double(d.cellSize) * d.cellsZ);
    return M3DBoundingBox<double>(lo, lo + extent);
}
} // namespace geometricsearches
} // namespace Zodara
