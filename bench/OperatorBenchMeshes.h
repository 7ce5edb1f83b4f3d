#pragma once
// Large closed parts for the operator benchmarks, and control of the number of threads the
// operators may use (their loops take the processor count or the runtime's default).
#include <sched.h>
#include <sys/resource.h>
#include <omp.h>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>
#include "interfaces/MeshData.h"

namespace benchmesh
{
constexpr double kUnitsPerMm = 10000.0;

// The closed surface of a box, each face split into nu x nv quads (two triangles each) along its two
// axes; normals point out of the box, or into it for `inward` (the wall of a cavity).
inline void AddBox(MStlBase& mesh, MMPoint3d<double> lo, MMPoint3d<double> hi, int n, bool inward = false)
{
    std::map<std::array<std::int32_t, 3>, MStlPoint*> points;
    auto at = [&](std::array<std::int32_t, 3> const& p)
    {
        auto it = points.find(p);
        if (it != points.end()) return it->second;
        MStlPoint* added = mesh.AddPoint(p[0], p[1], p[2]);
        points.emplace(p, added);
        return added;
    };
    for (int axis = 0; axis < 3; ++axis)
    {
        int const u = (axis + 1) % 3, v = (axis + 2) % 3;
        for (int side = 0; side < 2; ++side)
        {
            bool const flip = (side == 0) != inward;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                {
                    auto corner = [&](int di, int dj)
                    {
                        std::array<std::int32_t, 3> p{};
                        p[axis] = std::int32_t(side ? hi[axis] : lo[axis]);
                        p[u] = std::int32_t(std::lround(lo[u] + (hi[u] - lo[u]) * (i + di) / n));
                        p[v] = std::int32_t(std::lround(lo[v] + (hi[v] - lo[v]) * (j + dj) / n));
                        return at(p);
                    };
                    MStlPoint *a = corner(0, 0), *b = corner(1, 0), *c = corner(1, 1), *d = corner(0, 1);
                    if (flip)
                    {
                        mesh.AddTriangle(a, c, b);
                        mesh.AddTriangle(a, d, c);
                    }
                    else
                    {
                        mesh.AddTriangle(a, b, c);
                        mesh.AddTriangle(a, c, d);
                    }
                }
        }
    }
}

// A closed cylinder along x from x0 to x1 around the line (y, z) = centre, with `around` segments
// and `along` rings of quads; 2 * around * (along + 1) triangles.
inline void AddCylinder(MStlBase& mesh, double x0, double x1, double cy, double cz, double radius, int around,
                        int along)
{
    std::vector<std::vector<MStlPoint*>> rings(std::size_t(along + 1));
    for (int k = 0; k <= along; ++k)
        for (int s = 0; s < around; ++s)
        {
            double const a = 2.0 * 3.141592653589793 * s / around;
            rings[std::size_t(k)].push_back(mesh.AddPoint(std::int32_t(std::lround(x0 + (x1 - x0) * k / along)),
                                                          std::int32_t(std::lround(cy + radius * std::cos(a))),
                                                          std::int32_t(std::lround(cz + radius * std::sin(a)))));
        }
    for (int k = 0; k < along; ++k)
        for (int s = 0; s < around; ++s)
        {
            int const t = (s + 1) % around;
            MStlPoint *a = rings[k][s], *b = rings[k + 1][s], *c = rings[k + 1][t], *d = rings[k][t];
            mesh.AddTriangle(a, c, b);
            mesh.AddTriangle(a, d, c);
        }
    MStlPoint* const start = mesh.AddPoint(std::int32_t(x0), std::int32_t(cy), std::int32_t(cz));
    MStlPoint* const end = mesh.AddPoint(std::int32_t(x1), std::int32_t(cy), std::int32_t(cz));
    for (int s = 0; s < around; ++s)
    {
        int const t = (s + 1) % around;
        mesh.AddTriangle(start, rings.front()[t], rings.front()[s]);
        mesh.AddTriangle(end, rings.back()[s], rings.back()[t]);
    }
}

// CPU time of all threads of the process so far. On a shared machine the wall time of a run
// depends on the other load; work per CPU second does much less.
inline double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec) + double(usage.ru_stime.tv_sec) +
           1e-6 * double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// Restricts the process to the first n processors it may use (the wall-thickness loops size
// themselves by the processor count) and sets the runtime's default team size; restores both.
class ThreadLimit
{
public:
    explicit ThreadLimit(int n) : m_savedThreads(omp_get_max_threads())
    {
        sched_getaffinity(0, sizeof(m_saved), &m_saved);
        cpu_set_t limited;
        CPU_ZERO(&limited);
        int taken = 0;
        for (int cpu = 0; cpu < CPU_SETSIZE && taken < n; ++cpu)
            if (CPU_ISSET(cpu, &m_saved))
            {
                CPU_SET(cpu, &limited);
                ++taken;
            }
        sched_setaffinity(0, sizeof(limited), &limited);
        omp_set_num_threads(n);
    }
    ~ThreadLimit()
    {
        sched_setaffinity(0, sizeof(m_saved), &m_saved);
        omp_set_num_threads(m_savedThreads);
    }

private:
    cpu_set_t m_saved;
    int m_savedThreads;
};
} // namespace benchmesh
