#pragma once
// Meshes whose vertices are shared by very many triangles, as CAD exports make them: a cone whose
// apex and base centre each join every segment, and copies of one triangle stacked on the same
// three points.
#include <cmath>
#include <cstdint>
#include <vector>

#include "interfaces/MeshData.h"

namespace vz_test
{

// A closed cone of the given number of segments: side triangles (apex, rim i, rim i+1) and a base
// fanned from its centre (centre, rim i+1, rim i), outward facing. Rim points are rounded to
// integers, so neighbouring folds differ slightly as in a real export. radius and height in
// internal units.
inline void AddFanCone(MStlBase& mesh, int segments, double radius = 2.0e6, std::int32_t height = 3000000)
{
    double const pi = 3.141592653589793;
    mesh.ReserveTriangles(std::size_t(2 * segments));
    MStlPoint* const apex = mesh.AddPoint(0, 0, height);
    MStlPoint* const centre = mesh.AddPoint(0, 0, 0);
    std::vector<MStlPoint*> rim;
    for (int i = 0; i < segments; ++i)
    {
        double const a = 2.0 * pi * i / segments;
        rim.push_back(mesh.AddPoint(std::int32_t(std::lround(radius * std::cos(a))),
                                    std::int32_t(std::lround(radius * std::sin(a))), 0));
    }
    for (int i = 0; i < segments; ++i)
    {
        MStlPoint* const p = rim[std::size_t(i)];
        MStlPoint* const q = rim[std::size_t((i + 1) % segments)];
        mesh.AddTriangle(apex, p, q);
        mesh.AddTriangle(centre, q, p);
    }
}

// copies triangles all over the same three points, with the same winding.
inline void AddStackedCopies(MStlBase& mesh, int copies)
{
    MStlPoint* const a = mesh.AddPoint(0, 0, 0);
    MStlPoint* const b = mesh.AddPoint(40000, 0, 0);
    MStlPoint* const c = mesh.AddPoint(10000, 30000, 0);
    mesh.ReserveTriangles(std::size_t(copies));
    for (int i = 0; i < copies; ++i) mesh.AddTriangle(a, b, c);
}

} // namespace vz_test
