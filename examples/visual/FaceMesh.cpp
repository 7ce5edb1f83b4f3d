#include "visual/FaceMesh.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace visual
{
std::size_t AppendMesh(FaceMesh& target, MStlBase const& mesh, MMTransformMatrix const& placement, double unitsPerMm)
{
    std::size_t const firstVertex = target.verticesMm.size();
    std::size_t const firstFace = target.faces.size();
    if (firstVertex + mesh.NumberOfPoints() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("too many vertices for the export formats");
    target.verticesMm.reserve(firstVertex + mesh.NumberOfPoints());
    for (auto it = MStlIteratorStlPointConst::Begin(&mesh); it != MStlIteratorStlPointConst::End(&mesh); ++it)
    {
        MMPoint3d<double> const p = placement.Transform(it->Get(), false);
        target.verticesMm.push_back({p.x / unitsPerMm, p.y / unitsPerMm, p.z / unitsPerMm});
    }
    target.faces.reserve(firstFace + mesh.NumberOfTriangles());
    for (MStlTriangle const* t : mesh.GetTriangles())
    {
        std::array<std::uint32_t, 3> face;
        for (std::size_t k = 0; k < 3; ++k) face[k] = std::uint32_t(firstVertex + t->GetPoint(k)->GetIndex());
        target.faces.push_back(face);
    }
    double const none = std::numeric_limits<double>::quiet_NaN();
    target.colourValues.resize(target.faces.size(), none);
    for (FaceAttribute& a : target.attributes) a.values.resize(target.faces.size(), none);
    return firstFace;
}

FaceAttribute& AddAttribute(FaceMesh& mesh, std::string name, FaceAttribute::Type type)
{
    mesh.attributes.push_back(
        {std::move(name), type, std::vector<double>(mesh.faces.size(), std::numeric_limits<double>::quiet_NaN())});
    return mesh.attributes.back();
}

Vec3 FaceNormal(FaceMesh const& mesh, std::size_t face)
{
    Vec3 const& a = mesh.verticesMm[mesh.faces[face][0]];
    Vec3 const& b = mesh.verticesMm[mesh.faces[face][1]];
    Vec3 const& c = mesh.verticesMm[mesh.faces[face][2]];
    Vec3 const u{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    Vec3 n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    double const length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0.0)) return {0.0, 0.0, 0.0};
    for (double& c : n) c /= length;
    return n;
}
} // namespace visual
