#include "graphsearch/detail/PoreGridScan.h"
#include "graphsearch/detail/TaskHandOff.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <tbb/parallel_for.h>
#include <utility>

namespace Zodara
{
namespace geometricsearches
{
namespace util
{
namespace
{
struct GridCell
{
    double distance;
    bool candidate;
};

// One z slice: nx rows (x index) of ny cells (y index).
class Slab
{
public:
    Slab(std::size_t nx, std::size_t ny) : m_ny(ny), m_cells(nx * ny) {}
    GridCell& At(std::size_t i, std::size_t j) { return m_cells[i * m_ny + j]; }

private:
    std::size_t m_ny;
    std::vector<GridCell> m_cells;
};

class GridCoordinates
{
public:
    GridCoordinates(M3DBoundingBox<double> const& box, std::size_t nx, std::size_t ny, std::size_t nz)
        : m_min(box.GetCornerMin()), m_delta(box.GetDeltaX(), box.GetDeltaY(), box.GetDeltaZ()),
          m_last(double(nx - 1), double(ny - 1), double(nz - 1))
    {
    }
    double Along(int axis, std::size_t index) const
    {
        return (m_delta[axis] * double(index)) / m_last[axis] + m_min[axis];
    }
    MMPoint3d<double> Point(std::size_t i, std::size_t j, std::size_t k) const
    {
        return {Along(0, i), Along(1, j), Along(2, k)};
    }

private:
    MMPoint3d<double> m_min, m_delta, m_last;
};

// Of two equal distances the later cell keeps its flag.
void CompareEarlierWithLater(GridCell& earlier, GridCell& later)
{
    if (earlier.distance > later.distance) later.candidate = false;
    if (later.distance >= earlier.distance) earlier.candidate = false;
}

class GridScan
{
public:
    GridScan(ClearanceFunction const& clearance, M3DBoundingBox<double> const& box, std::size_t nx, std::size_t ny,
             std::size_t nz, std::uint32_t faceMask)
        : m_clearance(clearance), m_grid(box, nx, ny, nz), m_nx(nx), m_ny(ny), m_nz(nz), m_faceMask(faceMask),
          m_current(nx, ny), m_previous(nx, ny)
    {
    }

    std::vector<PoreSizeInfo> Run()
    {
        FillSlice(0);
        SuppressWithinSlice();
        for (std::size_t k = 1; k < m_nz; ++k)
        {
            std::swap(m_current, m_previous);
            FillSlice(k);
            SuppressWithinSlice();
            SuppressAcrossSlices();
            Emit(m_previous, k - 1);
            if (k == m_nz - 1) Emit(m_current, k);
        }
        return std::move(m_pores);
    }

private:
    void FillRow(std::size_t i, std::size_t k)
    {
        for (std::size_t j = 0; j < m_ny; ++j)
        {
            MMPoint3d<double> point = m_grid.Point(i, j, k);
            m_current.At(i, j) = {m_clearance(point), true};
        }
    }

    void FillSlice(std::size_t k)
    {
        if (m_nx == 1)
        {
            FillRow(0, k);
            return;
        }
        TaskHandOff::BeforeLoop();
        tbb::parallel_for(std::size_t(0), m_nx,
                          [this, k](std::size_t i)
                          {
                              TaskHandOff::TaskBegins();
                              FillRow(i, k);
                              TaskHandOff::TaskEnds();
                          });
        TaskHandOff::AfterLoop();
    }

    // The anti-diagonal neighbours (i + 1, j - 1) are deliberately not compared.
    void SuppressWithinSlice()
    {
        for (std::size_t i = 0; i < m_nx; ++i)
            for (std::size_t j = 0; j < m_ny; ++j)
            {
                bool const nextRow = i + 1 < m_nx, nextColumn = j + 1 < m_ny;
                if (nextRow) CompareEarlierWithLater(m_current.At(i, j), m_current.At(i + 1, j));
                if (nextColumn) CompareEarlierWithLater(m_current.At(i, j), m_current.At(i, j + 1));
                if (nextRow && nextColumn) CompareEarlierWithLater(m_current.At(i, j), m_current.At(i + 1, j + 1));
            }
    }

    void SuppressAcrossSlices()
    {
        for (std::size_t i = 0; i < m_nx; ++i)
            for (std::size_t j = 0; j < m_ny; ++j)
            {
                GridCell& current = m_current.At(i, j);
                for (std::size_t pi = (i == 0 ? 0 : i - 1); pi <= i + 1 && pi < m_nx; ++pi)
                    for (std::size_t pj = (j == 0 ? 0 : j - 1); pj <= j + 1 && pj < m_ny; ++pj)
                    {
                        GridCell& previous = m_previous.At(pi, pj);
                        if (current.distance >= previous.distance) previous.candidate = false;
                        if (previous.distance > current.distance) current.candidate = false;
                    }
            }
    }

    std::uint32_t FaceBits(std::size_t i, std::size_t j, std::size_t k) const
    {
        std::uint32_t bits = 0;
        if (k == 0) bits |= kFaceMinZ;
        if (k == m_nz - 1) bits |= kFaceMaxZ;
        if (j == 0) bits |= kFaceMinY;
        if (j == m_ny - 1) bits |= kFaceMaxY;
        if (i == 0) bits |= kFaceMinX;
        if (i == m_nx - 1) bits |= kFaceMaxX;
        return bits;
    }

    void Emit(Slab& slab, std::size_t k)
    {
        for (std::size_t i = 0; i < m_nx; ++i)
            for (std::size_t j = 0; j < m_ny; ++j)
            {
                GridCell const& cell = slab.At(i, j);
                if (!cell.candidate) continue;
                PoreSizeInfo pore;
                pore.center = m_grid.Point(i, j, k);
                pore.radius = cell.distance;
                pore.boundaryFlags = FaceBits(i, j, k) & m_faceMask;
                pore.interior = pore.boundaryFlags == 0;
                m_pores.push_back(pore);
            }
    }

    ClearanceFunction const& m_clearance;
    GridCoordinates m_grid;
    std::size_t m_nx, m_ny, m_nz;
    std::uint32_t m_faceMask;
    Slab m_current, m_previous;
    std::vector<PoreSizeInfo> m_pores;
};
} // namespace

std::vector<PoreSizeInfo> ScanGrid(ClearanceFunction const& clearance, M3DBoundingBox<double> const& box,
                                   std::size_t nx, std::size_t ny, std::size_t nz, std::uint32_t faceMask)
{
    return GridScan(clearance, box, nx, ny, nz, faceMask).Run();
}

// Whether a pore goes depends only on the pores after it, never on what the walk has removed, so
// each pore is tested against the later interior pores held side by side in plain arrays.
std::vector<PoreSizeInfo> FilterOverlappingPores(std::vector<PoreSizeInfo> const& pores, double overlapFactor)
{
    std::vector<PoreSizeInfo> sorted(pores);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](PoreSizeInfo const& a, PoreSizeInfo const& b) { return a.radius < b.radius; });

    // Interior pores in list order, with the list position of each.
    std::vector<std::size_t> position;
    std::vector<double> x, y, z, r;
    for (std::size_t i = 0; i < sorted.size(); ++i)
        if (sorted[i].interior)
        {
            position.push_back(i);
            x.push_back(sorted[i].center.x);
            y.push_back(sorted[i].center.y);
            z.push_back(sorted[i].center.z);
            r.push_back(sorted[i].radius);
        }

    double const shrink = 1.0 - 2.0 * overlapFactor;
    std::vector<PoreSizeInfo> kept;
    std::size_t firstLater = 0; // first interior pore after the current one
    for (std::size_t i = 0; i < sorted.size(); ++i)
    {
        while (firstLater < position.size() && position[firstLater] <= i) ++firstLater;
        PoreSizeInfo const& a = sorted[i];
        double const shrunk = shrink * a.radius;
        bool swallowed = false;
        for (std::size_t b = firstLater; b < position.size() && !swallowed; ++b)
        {
            double const reach = shrunk + r[b];
            double const dx = a.center.x - x[b], dy = a.center.y - y[b], dz = a.center.z - z[b];
            swallowed = reach * reach >= dx * dx + dy * dy + dz * dz;
        }
        if (!swallowed) kept.push_back(a);
    }
    return kept;
}

void CheckPoreSearchArguments(void const* graph, std::size_t nx, std::size_t ny, std::size_t nz)
{
    if (graph == nullptr) throw std::invalid_argument("ip_graph");
    if (nx < 2) throw std::invalid_argument("i_resolution_x too small");
    if (ny < 2) throw std::invalid_argument("i_resolution_y too small");
    if (nz < 2) throw std::invalid_argument("i_resolution_z too small");
}

void CheckPoreSearchRegion(M3DBoundingBox<double> const& box, double overlapFactor)
{
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(box.GetMin(k)) || !std::isfinite(box.GetMax(k)))
            throw std::invalid_argument("i_box has a NaN or infinite corner");
    if (box.IsEmpty()) throw std::invalid_argument("i_box is empty");
    if (std::isnan(overlapFactor)) throw std::invalid_argument("i_overlapFactor is NaN");
}

MMPoint3d<double> GridSteps(M3DBoundingBox<double> const& box, std::size_t nx, std::size_t ny, std::size_t nz)
{
    return {box.GetDeltaX() / double(nx - 1), box.GetDeltaY() / double(ny - 1), box.GetDeltaZ() / double(nz - 1)};
}

std::vector<PoreSizeInfo> RefineByLocalScan(std::vector<PoreSizeInfo> const& candidates,
                                            ClearanceFunction const& clearance, M3DBoundingBox<double> const& box,
                                            MMPoint3d<double> const& steps, std::size_t refineResolution)
{
    if (refineResolution <= 1) return candidates;
    std::vector<PoreSizeInfo> refined;
    for (PoreSizeInfo const& c : candidates)
    {
        M3DBoundingBox<double> local(c.center.x - steps.x, c.center.y - steps.y, c.center.z - steps.z,
                                     c.center.x + steps.x, c.center.y + steps.y, c.center.z + steps.z);
        local &= box;
        std::vector<PoreSizeInfo> const found =
            ScanGrid(clearance, local, refineResolution, refineResolution, refineResolution, c.boundaryFlags);
        refined.insert(refined.end(), found.begin(), found.end());
    }
    return refined;
}
} // namespace util
} // namespace geometricsearches
} // namespace Zodara
