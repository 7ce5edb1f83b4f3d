// meshanalysis pores: pore sizes of a generated beam lattice: how many pores there are and how their
// radii are distributed, in millimetres.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "Command.h"
#include "InterruptibleProgress.h"
#include "JsonWriter.h"
#include "NumberArguments.h"
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
    bool json = false;
};

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
            o.cellMm = ParseNumber(a, value(), 0.01, 100.0);
        else if (a == "--diameter")
            o.diameterMm = ParseNumber(a, value(), 0.0, 100.0);
        else if (a == "--end-diameter")
            o.endDiameterMm = ParseNumber(a, value(), 0.0, 100.0);
        else if (a == "--cells")
            o.cells = ParseWholeNumber(a, value(), 1, 50);
        else if (a == "--grid")
            o.grid = ParseWholeNumber(a, value(), 2, 400);
        else if (a == "--refine")
            o.refine = ParseWholeNumber(a, value(), 0, 50);
        else if (a == "--overlap")
            o.overlap = ParseNumber(a, value(), -10.0, 10.0);
        else if (a == "--bins")
            o.bins = ParseWholeNumber(a, value(), 1, 100);
        else if (a == "--nelder-mead")
            o.nelderMead = true;
        else if (a == "--object-tree")
            o.objectTree = true;
        else if (a == "--json")
            o.json = true;
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

void PrintJson(PoreOptions const& o, std::size_t beams, PoreSizeResult const& result, double seconds)
{
    JsonWriter json(std::cout);
    json.BeginObject();
    json.Field("command", "pores");
    json.Field("part", std::string("generated ") + CellName(o.cellType) + " lattice");
    json.Field("beams", beams);
    json.Key("parameters");
    json.BeginObject();
    json.Field("cell", CellName(o.cellType));
    json.Field("cell_size_mm", o.cellMm);
    json.Field("cells", o.cells);
    json.Field("diameter_mm", o.diameterMm);
    json.Field("end_diameter_mm", o.endDiameterMm);
    json.Field("grid", o.grid);
    json.Field("refine", o.refine);
    json.Field("nelder_mead", o.nelderMead);
    json.Field("object_tree", o.objectTree);
    json.Field("overlap", o.overlap);
    json.EndObject();
    std::size_t const interior =
        std::count_if(result.pores.begin(), result.pores.end(), [](auto const& p) { return p.interior; });
    json.Field("pores", result.pores.size());
    json.Field("interior_pores", interior);
    json.Key("radius_mm");
    json.BeginObject();
    bool const any = !result.pores.empty();
    double const nan = std::nan("");
    json.Field("minimum", any ? result.pores.front().radius / kUnitsPerMm : nan);
    json.Field("median", any ? result.pores[result.pores.size() / 2].radius / kUnitsPerMm : nan);
    json.Field("maximum", any ? result.pores.back().radius / kUnitsPerMm : nan);
    json.EndObject();
    json.Field("seconds", seconds);
    json.EndObject();
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

    if (!o.json)
    {
        std::printf("lattice: %d x %d x %d %s cells of %.3f mm, %zu beams, diameter %.3f to %.3f mm\n", o.cells,
                    o.cells, o.cells, CellName(o.cellType), o.cellMm, graph->NumberOfEdges(), o.diameterMm,
                    o.endDiameterMm);
        std::string const refinement = o.nelderMead   ? "Nelder-Mead refinement"
                                       : o.refine > 1 ? "local re-scan " + std::to_string(o.refine) + "^3"
                                                      : "no refinement";
        std::printf("search: %s, grid %d^3, %s, overlap factor %g\n", o.objectTree ? "object tree" : "R*-tree", o.grid,
                    refinement.c_str(), o.overlap);
        std::fflush(stdout);
    }

    auto const start = std::chrono::steady_clock::now();
    std::size_t const n = std::size_t(o.grid);
    // The pore searches have no way to stop: Ctrl-C ends the program (nothing is written to files).
    InterruptRequest const interrupts;
    PoreSizeResult result;
    {
        ElapsedTimeTicker const ticker("searching", ShowsProgress(o.json));
        result = o.objectTree ? GetPoreSizes(graph, box, n, n, n, std::size_t(o.refine), o.overlap)
                              : GetPoreSizesRTK(graph, box, n, n, n, o.nelderMead, std::size_t(o.refine), o.overlap);
    }
    double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (o.json)
    {
        PrintJson(o, graph->NumberOfEdges(), result, seconds);
        return 0;
    }
    PrintDistribution(result.pores, o.bins);
    std::printf("time: %.3f s\n", seconds);
    return 0;
}

CommandRegistration const registration{
    "pores",
    "[--cell sc|bcc|octet] [--cell-size mm] [--cells n] [--diameter mm] [--end-diameter mm] [--grid n] "
    "[--refine n | --nelder-mead] [--object-tree] [--overlap f] [--bins n] [--json]",
    "pore count and radius distribution of a generated beam lattice", &RunPores};
} // namespace
