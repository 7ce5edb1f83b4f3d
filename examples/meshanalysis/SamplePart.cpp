#include "SamplePart.h"

#include "interfaces/StlFiles.h"
#include <cmath>
#include <cstdint>
#include <vector>

namespace
{
constexpr double kUnitsPerMm = 10000.0;
constexpr double kLongestEdgeMm = 2.0;

// Grid lines along one axis: every feature boundary, with the gaps between them split evenly so
// that no cell is longer than the longest edge.
std::vector<std::int32_t> GridLines(std::vector<double> const& boundariesMm)
{
    std::vector<std::int32_t> lines;
    for (std::size_t i = 0; i + 1 < boundariesMm.size(); ++i)
    {
        std::int64_t const a = std::llround(boundariesMm[i] * kUnitsPerMm);
        std::int64_t const b = std::llround(boundariesMm[i + 1] * kUnitsPerMm);
        int const pieces = int(std::ceil((boundariesMm[i + 1] - boundariesMm[i]) / kLongestEdgeMm - 1e-9));
        for (int k = 0; k < pieces; ++k) lines.push_back(std::int32_t(a + (b - a) * k / pieces));
    }
    lines.push_back(std::int32_t(std::llround(boundariesMm.back() * kUnitsPerMm)));
    return lines;
}

bool IsMaterial(double x, double y, double z)
{
    bool const hole = x > 8 && x < 18 && y > 10 && y < 20;
    bool const pocket = x > 24 && x < 39.6 && y > 5 && y < 25 && z > 2;
    bool const slit = x < 6 && y > 14.85 && y < 15.15;
    return !hole && !pocket && !slit;
}

// The block as a grid of cells, each material or not; the surface is every cell face between
// material and empty space, so it is closed and all its vertices lie on grid nodes.
class CellGrid
{
public:
    CellGrid()
    {
        m_lines[0] = GridLines({0, 6, 8, 18, 24, 39.6, 40});
        m_lines[1] = GridLines({0, 5, 10, 14.85, 15.15, 20, 25, 30});
        m_lines[2] = GridLines({0, 2, 10});
        for (int a = 0; a < 3; ++a) m_cells[a] = int(m_lines[a].size()) - 1;
    }

    int Cells(int axis) const { return m_cells[axis]; }
    std::int32_t Line(int axis, int i) const { return m_lines[axis][i]; }

    bool IsMaterialCell(int const (&c)[3]) const
    {
        for (int a = 0; a < 3; ++a)
            if (c[a] < 0 || c[a] >= m_cells[a]) return false;
        double centre[3];
        for (int a = 0; a < 3; ++a) centre[a] = 0.5 * (m_lines[a][c[a]] + m_lines[a][c[a] + 1]) / kUnitsPerMm;
        return IsMaterial(centre[0], centre[1], centre[2]);
    }

private:
    std::vector<std::int32_t> m_lines[3];
    int m_cells[3];
};

class SurfaceBuilder
{
public:
    explicit SurfaceBuilder(CellGrid const& grid)
        : m_grid(grid), m_mesh(new MStlBase),
          m_nodes(std::size_t(grid.Cells(0) + 1) * (grid.Cells(1) + 1) * (grid.Cells(2) + 1), nullptr)
    {
    }

    // Two triangles for the face of cell c on the side of axis (positive or negative), wound so
    // that the normal points out of the material.
    void AddFace(int const (&c)[3], int axis, bool positive)
    {
        int const u = (axis + 1) % 3, v = (axis + 2) % 3;
        int corner[4][3];
        int const uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}}; // counter-clockwise seen from +axis
        for (int k = 0; k < 4; ++k)
        {
            corner[k][axis] = c[axis] + (positive ? 1 : 0);
            corner[k][u] = c[u] + uv[k][0];
            corner[k][v] = c[v] + uv[k][1];
        }
        MStlPoint* p[4];
        for (int k = 0; k < 4; ++k) p[k] = Node(corner[positive ? k : 3 - k]);
        m_mesh->AddTriangle(p[0], p[1], p[2]);
        m_mesh->AddTriangle(p[0], p[2], p[3]);
    }

    std::unique_ptr<MStlBase> Take() { return std::move(m_mesh); }

private:
    MStlPoint* Node(int const (&n)[3])
    {
        std::size_t const index = (std::size_t(n[2]) * (m_grid.Cells(1) + 1) + n[1]) * (m_grid.Cells(0) + 1) + n[0];
        MStlPoint*& node = m_nodes[index];
        if (!node) node = m_mesh->AddPoint(m_grid.Line(0, n[0]), m_grid.Line(1, n[1]), m_grid.Line(2, n[2]));
        return node;
    }

    CellGrid const& m_grid;
    std::unique_ptr<MStlBase> m_mesh;
    std::vector<MStlPoint*> m_nodes;
};
} // namespace

std::unique_ptr<MStlBase> MakeSamplePart()
{
    CellGrid const grid;
    SurfaceBuilder builder(grid);
    int c[3];
    for (c[2] = 0; c[2] < grid.Cells(2); ++c[2])
        for (c[1] = 0; c[1] < grid.Cells(1); ++c[1])
            for (c[0] = 0; c[0] < grid.Cells(0); ++c[0])
            {
                if (!grid.IsMaterialCell(c)) continue;
                for (int axis = 0; axis < 3; ++axis)
                    for (int step : {-1, 1})
                    {
                        int neighbour[3] = {c[0], c[1], c[2]};
                        neighbour[axis] += step;
                        if (!grid.IsMaterialCell(neighbour)) builder.AddFace(c, axis, step > 0);
                    }
            }
    return builder.Take();
}

std::unique_ptr<MStlBase> LoadPartArgument(std::string const& path)
{
    return path.empty() ? MakeSamplePart() : ReadStlFile(path);
}

std::string PartArgumentName(std::string const& path) { return path.empty() ? "built-in sample part" : path; }
