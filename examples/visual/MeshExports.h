#pragma once
// Per-face results in files that mesh viewers and spreadsheets read:
// - PLY, binary little-endian: vertices in mm as float x, y, z; faces as a list of int vertex
//   indexes, the face colour on the scale as uchar red, green, blue, then every attribute
//   (float, int or uchar) under its own name;
// - VTK legacy polydata, binary (big-endian, as the format requires): points in mm, triangles as
//   polygons, every attribute as cell data (SCALARS) and the face colour as COLOR_SCALARS;
// - CSV: one row per face, one column per attribute, with a header of the attribute names.
// A NaN value is written as NaN in PLY and VTK floats, as an empty CSV field, and as 0 in integer
// fields. Each writer throws std::runtime_error when the stream fails.
#include "visual/ColourScale.h"
#include "visual/FaceMesh.h"
#include <ostream>
#include <string>

namespace visual
{
void WritePly(std::ostream& out, FaceMesh const& mesh, ColourScale const& scale, std::string const& comment);
void WriteVtk(std::ostream& out, FaceMesh const& mesh, ColourScale const& scale, std::string const& title);
void WriteCsv(std::ostream& out, FaceMesh const& mesh);
} // namespace visual
