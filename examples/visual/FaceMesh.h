#pragma once
// A triangle mesh in millimetres with values per face: what the pictures and the export files are
// made of. Several placed parts can share one FaceMesh (a per-face attribute tells them apart).
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace visual
{
using Vec3 = std::array<double, 3>;

// A named per-face quantity written to the export files. The name is a plain identifier
// (letters, digits, underscores) so that every file format takes it as it is.
struct FaceAttribute
{
    enum class Type
    {
        Float, // 32-bit float
        Int,   // 32-bit signed integer
        Byte   // 8-bit unsigned integer
    };
    std::string name;
    Type type = Type::Float;
    std::vector<double> values; // one per face
};

struct FaceMesh
{
    std::vector<Vec3> verticesMm;
    std::vector<std::array<std::uint32_t, 3>> faces; // vertex indexes, counter-clockwise seen from outside
    // One per face, in the units of the colour scale; NaN for a face without a value.
    std::vector<double> colourValues;
    std::vector<FaceAttribute> attributes;

    std::size_t NumberOfFaces() const { return faces.size(); }
};

// Appends the mesh's points, placed by `placement` (internal units) and scaled to millimetres, and
// its triangles in the mesh's triangle order, with NaN colour values and attribute values. Returns
// the index of the first appended face: face i of the mesh is face first + i of the target.
std::size_t AppendMesh(FaceMesh& target, MStlBase const& mesh, MMTransformMatrix const& placement, double unitsPerMm);

// Adds an attribute with one NaN value per face and returns it (valid until the next addition).
FaceAttribute& AddAttribute(FaceMesh& mesh, std::string name, FaceAttribute::Type type);

// The unit normal of a face (zero for a degenerate face).
Vec3 FaceNormal(FaceMesh const& mesh, std::size_t face);
} // namespace visual
