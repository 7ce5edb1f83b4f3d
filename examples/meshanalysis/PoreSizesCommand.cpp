// meshanalysis pores: pore sizes of a generated beam lattice: how many pores there are and how their
// radii are distributed, in millimetres.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "graphsearch/LatticeGenerator.h"
#include "graphsearch/PoreSizes.h"

namespace
{
using namespace Zodara::geometricsearches;

constexpr double kUnitsPerMm = 10000.0;

struct PoreOptions
{
    LatticeCellType cellType = LatticeCellType::Octet;
    double cellMm = 1.0;
    double diameterMm = 0.2;
    double endDiameterMm = -1.0; // same as diameterMm unless given
    int cells = 4;
    int grid = 41;
    int refine = 0;
    bool nelderMead = false;
    bool objectTree = false;
    double overlap = 0.5; // drop only pores whose centre lies inside a larger interior pore
    int bins = 10;
};

double Number(std::string const& option, std::string const& text, double low, double high)
{
    std::size_t used = 0;
    double value = 0.0;
    try
    {
        value = std::stod(text, &used);
    }
    catch (std::exception const&)
    {
        used = 0;
    }
    if (used != text.size() || !(value >= low) || !(value <= high))
        throw UsageError(option + ": expected a number from " + std::to_string(low) + " to " + std::to_string(high) +
                         ", got '" + text + "'");
    return value;
}

int Count(std::string const& option, std::string const& text, int low, int high)
{
    double const value = Number(option, text, low, high);
    if (value != std::floor(value)) throw UsageError(option + ": expected a whole number, got '" + text + "'");
    return int(value);
}

LatticeCellType CellType(std::string const& text)
{
    if (text == "sc") return LatticeCellType::SimpleCubic;
    if (text == "bcc") return LatticeCellType::BodyCentredCubic;
    if (text == "octet") return LatticeCellType::Octet;
    throw UsageError("--cell: expected sc, bcc or octet, got '" + text + "'");
}

PoreOptions ParseOptions(std::vector<std::string> const& args)
{
    PoreOptions o;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        std::string const& a = args[i];
        auto value = [&]() -> std::string const&
        {
            if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
            return args[++i];
        };
        if (a == "--cell")
            o.cellType = CellType(value());
        else if (a == "--cell-size")
            o.cellMm = Number(a, value(), 0.01, 100.0);
        else if (a == "--diameter")
            o.diameterMm = Number(a, value(), 0.0, 100.0);
        else if (a == "--end-diameter")
            o.endDiameterMm = Number(a, value(), 0.0, 100.0);
        else if (a == "--cells")
            o.cells = Count(a, value(), 1, 50);
        else if (a == "--grid")
            o.grid = Count(a, value(), 2, 400);
        else if (a == "--refine")
            o.refine = Count(a, value(), 0, 50);
        else if (a == "--overlap")
            o.overlap = Number(a, value(), -10.0, 10.0);
        else if (a == "--bins")
            o.bins = Count(a, value(), 1, 100);
        else if (a == "--nelder-mead")
            o.nelderMead = true;
        else if (a == "--object-tree")
            o.objectTree = true;
        else
            throw UsageError("unknown option '" + a + "'");
    }
    if (o.nelderMead && o.objectTree) throw UsageError("--nelder-mead refines the R*-tree search only");
    if (o.endDiameterMm < 0.0) o.endDiameterMm = o.diameterMm;
    if (o.cellMm * o.cells * kUnitsPerMm > 2.0e9) throw UsageError("the lattice does not fit the coordinate range");
    return o;
}

char const* CellName(LatticeCellType type)
{
    switch (type)
    {
    case LatticeCellType::SimpleCubic: return "simple cubic";
    case LatticeCellType::BodyCentredCubic: return "body-centred cubic";
    case LatticeCellType::Octet: return "octet";
    }
    return "?";
}

void PrintDistribution(std::vector<PoreSizeInfo> const& pores, int bins)
{
    std::vector<double> radii;
    for (PoreSizeInfo const& pore : pores) radii.push_back(pore.radius / kUnitsPerMm);
    std::size_t const interior = std::count_if(pores.begin(), pores.end(), [](auto const& p) { return p.interior; });
    std::printf("pores: %zu (%zu interior, %zu on the box faces)\n", pores.size(), interior, pores.size() - interior);
    if (radii.empty()) return;
    // The search returns its pores by ascending radius.
    double const lo = radii.front(), hi = radii.back();
    std::printf("radius mm: minimum %.4f  median %.4f  maximum %.4f\n", lo, radii[radii.size() / 2], hi);
    if (!std::isfinite(hi)) return;
    double const width = hi > lo ? (hi - lo) / bins : 1.0;
    std::vector<std::size_t> counts(std::size_t(bins), 0);
    for (double r : radii) ++counts[std::min(std::size_t(bins) - 1, std::size_t((r - lo) / width))];
    std::size_t const most = *std::max_element(counts.begin(), counts.end());
    for (int b = 0; b < bins; ++b)
    {
        std::size_t const bar = most == 0 ? 0 : (counts[std::size_t(b)] * 50 + most - 1) / most;
        std::printf("  %8.4f - %8.4f %7zu %s\n", lo + b * width, lo + (b + 1) * width, counts[std::size_t(b)],
                    std::string(bar, '#').c_str());
        if (hi == lo) break;
    }
}

int RunPores(std::vector<std::string> const& args)
{
    PoreOptions const o = ParseOptions(args);
    LatticeDescription d;
    d.cellType = o.cellType;
    d.cellSize = std::int32_t(std::lround(o.cellMm * kUnitsPerMm));
    d.cellsX = d.cellsY = d.cellsZ = o.cells;
    d.firstDiameter = std::int32_t(std::lround(o.diameterMm * kUnitsPerMm));
    d.secondDiameter = std::int32_t(std::lround(o.endDiameterMm * kUnitsPerMm));
    MStlBase mesh;
    MStlGraph const* graph = GenerateLattice(mesh, d);
    M3DBoundingBox<double> const box = LatticeBox(d);

    std::printf("lattice: %d x %d x %d %s cells of %.3f mm, %zu beams, diameter %.3f to %.3f mm\n", o.cells, o.cells,
                o.cells, CellName(o.cellType), o.cellMm, graph->NumberOfEdges(), o.diameterMm, o.endDiameterMm);
    std::printf("search: %s, grid %d^3, %s, overlap factor %g\n", o.objectTree ? "object tree" : "R*-tree", o.grid,
                o.nelderMead
                    ? "Nelder-Mead refinement"
                    : (o.refine > 1 ? ("local re-scan " + std::to_string(o.refine) + "^3").c_str() : "no refinement"),
                o.overlap);

    auto const start = std::chrono::steady_clock::now();
    std::size_t const n = std::size_t(o.grid);
    PoreSizeResult const result =
        o.objectTree ? GetPoreSizes(graph, box, n, n, n, std::size_t(o.refine), o.overlap)
                     : GetPoreSizesRTK(graph, box, n, n, n, o.nelderMead, std::size_t(o.refine), o.overlap);
    double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    PrintDistribution(result.pores, o.bins);
    std::printf("time: %.3f s\n", seconds);
    return 0;
}

CommandRegistration const registration{
    "pores",
    "[--cell sc|bcc|octet] [--cell-size mm] [--cells n] [--diameter mm] [--end-diameter mm] [--grid n] "
    "[--refine n | --nelder-mead] [--object-tree] [--overlap f] [--bins n]",
    "pore count and radius distribution of a generated beam lattice", &RunPores};
} // namespace
