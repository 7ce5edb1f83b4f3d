// Beam lattice text from memory. An accepted lattice has one graph whose edges join its own points
// and carry non-negative diameters.
#include <cstdint>
#include <cstdlib>

#include "meshdata/BeamGraphIO.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    try
    {
        auto const mesh = ReadBeamGraphMemory("fuzz.beams", data, size);
        if (mesh->NumberOfGraphs() != 1) std::abort();
        MStlGraph const* const graph = mesh->GetGraph(0);
        for (MStlGraphEdge const& edge : graph->GetEdges())
            for (int end = 0; end < 2; ++end)
            {
                MStlPoint const* const p = edge.GetVertex(std::size_t(end));
                if (p->GetIndex() >= mesh->NumberOfPoints() || mesh->GetPoint(p->GetIndex()) != p) std::abort();
            }
    }
    catch (MStlFileError const&)
    {
    }
    return 0;
}
