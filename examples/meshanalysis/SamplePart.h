#pragma once
// The part the example program works on when no file is named, and the loading shared by its
// subcommands.
#include "interfaces/MeshData.h"
#include <memory>
#include <string>

// A closed 40 x 30 x 10 mm block (10 000 units per mm) with features every operator has something
// to say about:
// - a 10 x 10 mm square through hole at x 8..18, y 10..20;
// - a pocket 8 mm deep from the top at x 24..39.6, y 5..25, leaving a 0.4 mm wall to the +x side
//   and a 2 mm floor;
// - a 0.3 mm wide slit cut 6 mm in from the -x side at y 14.85..15.15, through the full height,
//   whose two faces look at each other across the gap.
// Faces are split so that no triangle edge is longer than 2 mm; the volume is 8486 mm^3.
std::unique_ptr<MStlBase> MakeSamplePart();

// The STL file at path, or the sample part when path is empty. Throws MStlFileError for a bad file.
std::unique_ptr<MStlBase> LoadPartArgument(std::string const& path);

// How to call the part in printed output: the path, or "built-in sample part".
std::string PartArgumentName(std::string const& path);
