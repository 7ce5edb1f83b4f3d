#include "meshdata/BeamGraphIO.h"

#include "FileBytes.h"
#include "InternalUnits.h"
#include "StlTextScanner.h"
#include "TextSniffing.h"
#include <charconv>
#include <cstdint>
#include <vector>

namespace
{
using namespace MeshFiles;

struct Beam
{
    std::uint64_t ends[2];
    std::int32_t diameters[2];
    std::size_t line;
};

struct Lattice
{
    std::vector<std::int32_t> coordinates; // three per node
    std::vector<Beam> beams;
};

std::uint64_t NextNodeIndex(StlTextScanner& in)
{
    std::string_view const word = in.NextWord("a node index", true);
    std::uint64_t index = 0;
    auto const result = std::from_chars(word.data(), word.data() + word.size(), index);
    if (result.ec != std::errc() || result.ptr != word.data() + word.size())
        in.Fail(in.Where() + ": '" + std::string(word) + "' is not a node index");
    return index;
}

void ReadNode(StlTextScanner& in, std::string const& name, double scale, Lattice& lattice)
{
    for (int k = 0; k < 3; ++k)
        lattice.coordinates.push_back(ToInternalUnits(name, in.Where(), "coordinate", in.NextNumber(true), scale));
}

void ReadBeam(StlTextScanner& in, std::string const& name, double scale, std::size_t line, Lattice& lattice)
{
    Beam beam;
    beam.line = line;
    for (std::uint64_t& end : beam.ends) end = NextNodeIndex(in);
    for (std::int32_t& diameter : beam.diameters)
    {
        double const mm = in.NextNumber(true);
        diameter = ToInternalUnits(name, in.Where(), "diameter", mm, scale);
        if (mm < 0) in.Fail(in.Where() + ": diameter " + DescribeNumber(mm) + " is negative");
    }
    if (beam.ends[0] == beam.ends[1])
        in.Fail(in.Where() + ": beam joins node " + std::to_string(beam.ends[0]) + " to itself");
    lattice.beams.push_back(beam);
}

Lattice ParseLattice(std::string const& name, char const* text, std::size_t size, double scale)
{
    StlTextScanner in(name, text, size);
    Lattice lattice;
    while (!in.AtEnd())
    {
        std::string_view const word = in.NextWord("a line");
        if (word.front() == '#')
        {
            in.SkipRestOfLine();
            continue;
        }
        std::size_t const line = in.WordLine();
        if (word == "v")
            ReadNode(in, name, scale, lattice);
        else if (word == "b")
            ReadBeam(in, name, scale, line, lattice);
        else
            in.FailUnexpected(word, "'v', 'b' or '#'");
        in.ExpectEndOfLine(true);
    }
    std::size_t const nodes = lattice.coordinates.size() / 3;
    for (Beam const& beam : lattice.beams)
        for (std::uint64_t end : beam.ends)
            if (end >= nodes)
                in.Fail("line " + std::to_string(beam.line) + ": node " + std::to_string(end) +
                        " does not exist (the file has " + std::to_string(nodes) + " nodes)");
    return lattice;
}

std::unique_ptr<MStlBase> BuildGraphMesh(Lattice const& lattice)
{
    auto mesh = std::make_unique<MStlBase>();
    std::vector<MStlPoint*> nodes;
    nodes.reserve(lattice.coordinates.size() / 3);
    for (std::size_t i = 0; i + 2 < lattice.coordinates.size(); i += 3)
        nodes.push_back(mesh->AddPoint(lattice.coordinates[i], lattice.coordinates[i + 1], lattice.coordinates[i + 2]));
    MStlGraph* const graph = mesh->AddGraph();
    MStlBaseElementInfo* const info = mesh->GetOrCreateElementInfo();
    for (Beam const& beam : lattice.beams)
    {
        MStlGraphEdge const& edge = graph->AddEdge(nodes[beam.ends[0]], nodes[beam.ends[1]]);
        info->SetEdgeThickness(edge, MStlGraphEdgeThickness{beam.diameters[0], beam.diameters[1]});
    }
    return mesh;
}
} // namespace

std::unique_ptr<MStlBase> ReadBeamGraphMemory(std::string const& name, void const* data, std::size_t size,
                                              double unitsPerMillimetre)
{
    RequireValidScale(unitsPerMillimetre);
    if (size == 0) Fail(name, "empty file");
    if (!data) throw std::invalid_argument("ip_data is null");
    char const* const text = static_cast<char const*>(data);
    if (IsOnlyWhitespace(text, size)) Fail(name, "no nodes: only whitespace (" + std::to_string(size) + " bytes)");
    std::size_t const binary = FirstBinaryByte(text, size);
    if (binary < size) Fail(name, "binary bytes in a beam-graph text file: " + DescribeByteAt(text, binary));
    return BuildGraphMesh(ParseLattice(name, text, size, unitsPerMillimetre));
}

std::unique_ptr<MStlBase> ReadBeamGraphFile(std::string const& path, double unitsPerMillimetre)
{
    RequireValidScale(unitsPerMillimetre);
    FileBytes const file(path);
    return ReadBeamGraphMemory(path, file.Data(), file.Size(), unitsPerMillimetre);
}
