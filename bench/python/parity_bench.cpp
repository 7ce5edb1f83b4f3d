// The C++ side of the Python package's benchmark (bench/python/bench_python.py): the same work that
// the Python calls do, on the same STL file and the same query points, without Python around it.
//
//   python_parity_bench PART.stl POINTS.f64 [MIN_MM MAX_MM]
//
// POINTS.f64 holds raw little-endian float64 x, y, z triples in mm. Prints one line of JSON with
// the seconds each step took, in wall time and in processor time of all threads (the machine may be
// shared, which stretches wall time but hardly processor time).
#include "NearestTriangles.h"

#include "interfaces/StlFiles.h"
#include "thickness/MUserOperatorWallThickness.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
constexpr double kUnitsPerMm = 10000.0;

struct Stopwatch
{
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();

    // "NAME_s": wall seconds, "NAME_cpu_s": processor seconds, as JSON members.
    std::string Json(char const* name) const
    {
        double const wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
        double const cpuSeconds = double(std::clock() - cpu) / CLOCKS_PER_SEC;
        char text[160];
        std::snprintf(text, sizeof text, "\"%s_s\": %.4f, \"%s_cpu_s\": %.4f, ", name, wallSeconds, name, cpuSeconds);
        return text;
    }
};

std::vector<double> ReadPoints(char const* path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw std::runtime_error(std::string("cannot read ") + path);
    std::size_t const bytes = std::size_t(in.tellg());
    std::vector<double> values(bytes / sizeof(double));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(values.data()), std::streamsize(values.size() * sizeof(double)));
    return values;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5)
    {
        std::cerr << "usage: python_parity_bench PART.stl POINTS.f64 [MIN_MM MAX_MM]\n";
        return 2;
    }
    double const minMm = argc == 5 ? std::stod(argv[3]) : 0.5;
    double const maxMm = argc == 5 ? std::stod(argv[4]) : 1.5;

    std::string json = "{";
    Stopwatch load;
    std::unique_ptr<MStlBase> const part = ReadStlFile(argv[1], kUnitsPerMm);
    json += load.Json("load");

    std::vector<double> const points = ReadPoints(argv[2]);
    std::size_t const count = points.size() / 3;
    Stopwatch build;
    vzpy::TriangleTree const tree(MStlIteratorStlTriangleConst::Begin(part.get()),
                                  MStlIteratorStlTriangleConst::End(part.get()), vzpy::NearestTreeParameters());
    json += build.Json("tree");
    std::vector<std::int64_t> indices(count);
    std::vector<double> distances(count);
    Stopwatch nearest;
    vzpy::FindNearestTriangles(tree, points.data(), count, kUnitsPerMm, kUnitsPerMm, indices.data(), distances.data());
    json += nearest.Json("nearest");

    MDataMask<MStlTriangle, float> thickness(part->GetDataMaskOwner(), 0.0f);
    MUserOperatorWallThickness op;
    MUserOperatorWallThickness::MParams params;
    params.MinThickness = minMm * kUnitsPerMm;
    params.MaxThickness = maxMm * kUnitsPerMm;
    op.SetModel(part.get());
    op.SetParams(params);
    op.SetOutputMask(thickness);
    Stopwatch wall;
    op.Operate();
    json += wall.Json("wall_thickness");

    double checksum = 0.0;
    for (double d : distances) checksum += d;
    for (std::size_t i = 0; i < part->NumberOfTriangles(); ++i) checksum += thickness.GetInfoByIndex(i) / kUnitsPerMm;
    std::printf("%s\"triangles\": %zu, \"points\": %zu, \"checksum\": %.6f}\n", json.c_str(), part->NumberOfTriangles(),
                count, checksum);
    return 0;
}
