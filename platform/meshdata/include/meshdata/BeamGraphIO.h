#pragma once
// Beam lattices as text, in millimetres:
//   v X Y Z          a node (nodes are numbered from 0 in the order of their lines)
//   b I J DI DJ      a beam from node I to node J, diameter DI at node I and DJ at node J
//   # ...            a comment, also after the values of a line
#include "meshdata/MStlBase.h"
#include "meshdata/StlIO.h"
#include <cstddef>
#include <memory>
#include <string>

// A mesh without triangles: one point per node (rounded to internal units, in file order), one
// graph (GetGraph(0)) with one edge per beam in file order, and each edge's two diameters in the
// mesh's element info. Throws MStlFileError, naming the file, the line and the problem, for an
// unreadable or empty file, an unknown line, a missing or extra value, a word that is not a number,
// a NaN or infinite value, a value beyond the 32-bit range, a negative diameter, a node index that
// names no node, or a beam from a node to itself. Throws std::invalid_argument for a scale that is
// not a positive finite number.
std::unique_ptr<MStlBase> ReadBeamGraphFile(std::string const& path,
                                            double unitsPerMillimetre = kStlDefaultUnitsPerMillimetre);

// Reads the same format from memory; name stands for the file in error messages.
std::unique_ptr<MStlBase> ReadBeamGraphMemory(std::string const& name, void const* data, std::size_t size,
                                              double unitsPerMillimetre = kStlDefaultUnitsPerMillimetre);
