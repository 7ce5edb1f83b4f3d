#pragma once
// The inputs that the library and its peers are timed on, generated here so that every program
// sees the same meshes and the same queries: a bumpy sphere of about 1 M triangles, a stack of ten
// thin plates (1 011 200 triangles), and two interleaved stacks of five plates each (204 000
// triangles per stack) whose facing sides are 0.01 mm apart. Coordinates are whole mesh units
// (10 000 per millimetre).
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "interfaces/MeshData.h"

namespace peers
{

using Point = MMPoint3d<double>;
constexpr double kUnitsPerMm = 10000.0;
constexpr double kPi = 3.141592653589793;

inline std::int32_t Round(double v) { return std::int32_t(std::lround(v)); }

// Latitude rings and longitude sectors, two triangles per cell and fans at the poles, on a radius
// that rises and falls by 5 %: 2 * sectors * (rings - 1) triangles.
inline std::unique_ptr<MStlBase> BumpySphere(double radius = 50.0 * kUnitsPerMm, int rings = 500, int sectors = 1000)
{
    auto mesh = std::make_unique<MStlBase>();
    std::vector<MStlPoint*> ring;
    MStlPoint* const north = mesh->AddPoint(0, 0, Round(radius));
    for (int r = 1; r < rings; ++r)
        for (int s = 0; s < sectors; ++s)
        {
            double const theta = kPi * r / rings, phi = 2 * kPi * s / sectors;
            double const rad = radius * (1.0 + 0.05 * std::sin(7 * theta) * std::cos(5 * phi));
            ring.push_back(mesh->AddPoint(Round(rad * std::sin(theta) * std::cos(phi)),
                                          Round(rad * std::sin(theta) * std::sin(phi)), Round(rad * std::cos(theta))));
        }
    MStlPoint* const south = mesh->AddPoint(0, 0, -Round(radius));
    auto at = [&](int r, int s) { return ring[std::size_t(r - 1) * sectors + std::size_t(s % sectors)]; };
    for (int s = 0; s < sectors; ++s) mesh->AddTriangle(north, at(1, s), at(1, s + 1));
    for (int r = 1; r + 1 < rings; ++r)
        for (int s = 0; s < sectors; ++s)
        {
            mesh->AddTriangle(at(r, s), at(r + 1, s), at(r + 1, s + 1));
            mesh->AddTriangle(at(r, s), at(r + 1, s + 1), at(r, s + 1));
        }
    for (int s = 0; s < sectors; ++s) mesh->AddTriangle(south, at(rings - 1, s + 1), at(rings - 1, s));
    return mesh;
}

// A closed plate [x0, x1] x [y0, y1] x [z0, z1] (units) whose top and bottom are n x n grids of
// quads and whose four sides are single rows of n quads joining the grids' rims: 4 n^2 + 8 n
// triangles, normals out.
inline void AddPlate(MStlBase& mesh, double x0, double y0, double z0, double x1, double y1, double z1, int n)
{
    std::vector<MStlPoint*> bottom, top;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
        {
            double const x = x0 + (x1 - x0) * i / n, y = y0 + (y1 - y0) * j / n;
            bottom.push_back(mesh.AddPoint(Round(x), Round(y), Round(z0)));
            top.push_back(mesh.AddPoint(Round(x), Round(y), Round(z1)));
        }
    auto at = [n](std::vector<MStlPoint*>& grid, int i, int j) { return grid[std::size_t(j) * (n + 1) + i]; };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
        {
            mesh.AddTriangle(at(top, i, j), at(top, i + 1, j), at(top, i + 1, j + 1));
            mesh.AddTriangle(at(top, i, j), at(top, i + 1, j + 1), at(top, i, j + 1));
            mesh.AddTriangle(at(bottom, i, j), at(bottom, i + 1, j + 1), at(bottom, i + 1, j));
            mesh.AddTriangle(at(bottom, i, j), at(bottom, i, j + 1), at(bottom, i + 1, j + 1));
        }
    // The rim, counter-clockwise seen from above: 4 n steps.
    std::vector<std::pair<int, int>> rim;
    for (int i = 0; i < n; ++i) rim.emplace_back(i, 0);
    for (int j = 0; j < n; ++j) rim.emplace_back(n, j);
    for (int i = n; i > 0; --i) rim.emplace_back(i, n);
    for (int j = n; j > 0; --j) rim.emplace_back(0, j);
    for (std::size_t k = 0; k < rim.size(); ++k)
    {
        auto const [i0, j0] = rim[k];
        auto const [i1, j1] = rim[(k + 1) % rim.size()];
        mesh.AddTriangle(at(bottom, i0, j0), at(bottom, i1, j1), at(top, i1, j1));
        mesh.AddTriangle(at(bottom, i0, j0), at(top, i1, j1), at(top, i0, j0));
    }
}

// Ten plates of 100 mm x 100 mm x 0.25 mm, 1 mm apart, each with 158 x 158 quads on top and bottom.
inline std::unique_ptr<MStlBase> ThinPlates()
{
    auto mesh = std::make_unique<MStlBase>();
    double const size = 100.0 * kUnitsPerMm, thickness = 0.25 * kUnitsPerMm, pitch = 1.0 * kUnitsPerMm;
    for (int k = 0; k < 10; ++k) AddPlate(*mesh, 0, 0, k * pitch, size, size, k * pitch + thickness, 158);
    return mesh;
}

constexpr double kStackGap = 0.01 * kUnitsPerMm;
constexpr double kStackTolerance = 0.015 * kUnitsPerMm;

// Five plates of 20 mm x 20 mm x 0.05 mm with 100 x 100 quads on top and bottom; the second stack
// (second = true) sits in the first one's gaps, kStackGap from the plates above and below it.
inline std::unique_ptr<MStlBase> InterleavedStack(bool second)
{
    auto mesh = std::make_unique<MStlBase>();
    double const size = 20.0 * kUnitsPerMm, thickness = 0.05 * kUnitsPerMm;
    double const pitch = 2 * (thickness + kStackGap);
    double const shift = second ? thickness + kStackGap : 0.0;
    for (int k = 0; k < 5; ++k)
        AddPlate(*mesh, 0, 0, shift + k * pitch, size, size, shift + k * pitch + thickness, 100);
    return mesh;
}

inline void MeshBounds(MStlBase const& mesh, Point& lo, Point& hi)
{
    lo = Point(1e300, 1e300, 1e300);
    hi = Point(-1e300, -1e300, -1e300);
    for (MStlTriangle const* t : mesh.GetTriangles())
        for (int k = 0; k < 3; ++k)
        {
            Point const v = t->GetVertex(k);
            for (int a = 0; a < 3; ++a)
            {
                lo[a] = std::min(lo[a], v[a]);
                hi[a] = std::max(hi[a], v[a]);
            }
        }
}

// Points near the surface: mesh vertices moved by up to half a millimetre on every axis.
inline std::vector<Point> ClosestPointQueries(MStlBase const& mesh, std::size_t count, unsigned seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<std::size_t> pick(0, mesh.NumberOfTriangles() - 1);
    std::uniform_real_distribution<double> offset(-0.5 * kUnitsPerMm, 0.5 * kUnitsPerMm);
    std::vector<Point> points(count);
    for (Point& p : points)
        p = mesh.GetTriangle(pick(rng))->GetVertex(0) + Point(offset(rng), offset(rng), offset(rng));
    return points;
}

struct Ray
{
    Point origin;
    Point direction; // unit length
};

// Rays from points inside the mesh's box in uniformly random directions.
inline std::vector<Ray> RayQueries(MStlBase const& mesh, std::size_t count, unsigned seed)
{
    Point lo, hi;
    MeshBounds(mesh, lo, hi);
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> normal;
    std::vector<Ray> rays(count);
    for (Ray& r : rays)
    {
        for (int a = 0; a < 3; ++a)
            r.origin[a] = std::uniform_real_distribution<double>(lo[a] + 0.25 * (hi[a] - lo[a]),
                                                                 hi[a] - 0.25 * (hi[a] - lo[a]))(rng);
        Point d(normal(rng), normal(rng), normal(rng));
        r.direction = d / d.Length();
    }
    return rays;
}

} // namespace peers
