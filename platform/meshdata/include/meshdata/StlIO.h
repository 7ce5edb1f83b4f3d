#pragma once
// Reading and writing STL files. Vertices are scaled from millimetres into internal units, rounded
// to the nearest integer, and identical integer positions become one shared MStlPoint.
#include "meshdata/MStlBase.h"
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A file that cannot be read as STL (or written). The message starts with the file's name and then
// says what is wrong with it.
class MStlFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Internal length units per millimetre unless the caller says otherwise.
constexpr double kStlDefaultUnitsPerMillimetre = 10000.0;

// Reads a binary or ASCII STL file. Throws MStlFileError for a file that is missing, empty,
// truncated, declares the wrong triangle count, holds a word that is not a number, a NaN or
// infinite coordinate, or a coordinate that does not fit 32 bits after scaling; nothing partly
// loaded is ever returned. Throws std::invalid_argument for a scale that is not a positive finite
// number.
std::unique_ptr<MStlBase> ReadStlFile(std::string const& path,
                                      double unitsPerMillimetre = kStlDefaultUnitsPerMillimetre);

// Reads STL bytes held in memory; name stands for the file in error messages.
std::unique_ptr<MStlBase> ReadStlMemory(std::string const& name, void const* data, std::size_t size,
                                        double unitsPerMillimetre = kStlDefaultUnitsPerMillimetre);

// Binary STL of the mesh's triangles in element-index order, coordinates divided by the scale.
std::vector<char> WriteStlMemory(MStlBase const& mesh, double unitsPerMillimetre = kStlDefaultUnitsPerMillimetre);

// Writes binary STL to path; throws MStlFileError when the file cannot be written.
void WriteStlFile(MStlBase const& mesh, std::string const& path,
                  double unitsPerMillimetre = kStlDefaultUnitsPerMillimetre);
