#pragma once
// Large closed parts for the operator benchmarks, and control of the number of threads the
// operators may use (their loops take the processor count or the runtime's default).
#include "interfaces/MeshData.h"
#include "support/closed_mesh_builders.h"
#include <cmath>
#include <cstdint>
#include <memory>
#include <omp.h>
#include <sched.h>
#include <sys/resource.h>
#include <vector>

namespace benchmesh
{
constexpr double kUnitsPerMm = 10000.0;

// The closed surface of a box with every face split into n x n quads, in millimetre-scaled
// coordinates rounded to whole units; normals point out, or into the box for `inward`.
inline void AddBox(MStlBase& mesh, MMPoint3d<double> lo, MMPoint3d<double> hi, int n, bool inward = false)
{
    auto rounded = [](MMPoint3d<double> const& p)
    {
        return vz_test::IntPoint{std::int32_t(std::lround(p.x)), std::int32_t(std::lround(p.y)),
                                 std::int32_t(std::lround(p.z))};
    };
    vz_test::AddBox(mesh, rounded(lo), rounded(hi), n, inward);
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
