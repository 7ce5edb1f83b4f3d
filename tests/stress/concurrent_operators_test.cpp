// Different operators at once from several threads on shared meshes, each thread repeating its
// work: every result must equal the one the same call gave alone. Run under ThreadSanitizer, this
// is where a data race between concurrent calls would show.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "collision/MUserOperatorCollisionDetectorWithToleranceMultipart.h"
#include "graphsearch/LatticeGenerator.h"
#include "graphsearch/PoreSizes.h"
#include "quality/MTriangleQualityCalculator.h"
#include "support/closed_mesh_builders.h"
#include "thickness/MUserOperatorWallThickness.h"

namespace
{

using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;

// A box with a jittered surface, so that collisions, thicknesses and qualities vary per triangle.
void AddJitteredBox(MStlBase& mesh, vz_test::IntPoint lo, vz_test::IntPoint hi, unsigned seed)
{
    vz_test::AddBox(mesh, lo, hi, 8);
    std::mt19937 random(seed);
    vz_test::JitterVertices(mesh, 400, random);
}

// Each task returns a text describing its whole result, compared with the text of a lone run.
struct Task
{
    char const* name;
    std::function<std::string()> run;
};

std::string TwoPartCollision(MStlBase* a, MStlBase* b)
{
    std::map<std::uint64_t, int> hits;
    MUserOperatorCollisionDetectorWithTolerance detector;
    detector.SetFirstPart(a, [&](MStlTriangle& t) { ++hits[t.GetElementIndex()]; });
    detector.SetSecondPart(b, [&](MStlTriangle& t) { hits[1000000 + t.GetElementIndex()] += 1; });
    detector.SetAllParams({1500.0});
    std::ostringstream out;
    out << detector.Operate();
    for (auto const& h : hits) out << ' ' << h.first << ':' << h.second;
    return out.str();
}

std::string Multipart(std::vector<MStlBase const*> const& parts)
{
    MUserOperatorCollisionDetectorWithToleranceMultipart detector;
    for (std::size_t i = 0; i < parts.size(); ++i)
        detector.AddPart(parts[i], MMTransformMatrix::Translation({double(i) * 1000.0, 0.0, 0.0}));
    detector.SetAllParams({2000.0});
    std::ostringstream out;
    out << detector.Operate();
    std::vector<std::pair<std::size_t, std::size_t>> collisions;
    detector.GetCollisions(collisions);
    for (auto const& c : collisions) out << ' ' << c.first << '-' << c.second;
    return out.str();
}

std::string WallThickness(MStlBase const* mesh, MDataMask<MStlTriangle, float>& mask)
{
    MUserOperatorWallThickness op;
    op.SetModel(mesh);
    op.SetOutputMask(mask);
    std::ostringstream out;
    out << op.Operate();
    for (MStlTriangle const* t : mesh->GetTriangles()) out << ' ' << mask.GetInfo(*t);
    return out.str();
}

std::string Qualities(MStlBase const* mesh)
{
    std::ostringstream out;
    out.precision(17);
    for (int m : {1, 17, 18, 19, 21, 22, 24, 27, 29, 32})
    {
        for (double v : Calc::GetTriangleShapeQualities(mesh, Calc::MetricType(m))) out << v << ' ';
        out << Calc::GetNumberOfBadTriangles(mesh, 0.5, Calc::MetricType(m)) << '\n';
    }
    return out.str();
}

std::string Pores(MStlGraph const* graph, bool rtk)
{
    using namespace Zodara::geometricsearches;
    M3DBoundingBox<double> const box(0, 0, 0, 20000, 20000, 20000);
    PoreSizeResult const result =
        rtk ? GetPoreSizesRTK(graph, box, 6, 6, 6, true, 0, 1.0) : GetPoreSizes(graph, box, 6, 6, 6, 3, 1.0);
    std::ostringstream out;
    out.precision(17);
    for (auto const& p : result.pores) out << p << (p.interior ? " i" : "") << '\n';
    return out.str();
}

TEST(ConcurrentOperators, DifferentOperatorsOnSharedMeshesGiveTheirLoneResults)
{
    MStlBase a, b, c, inside;
    AddJitteredBox(a, {0, 0, 0}, {20000, 20000, 20000}, 1);
    AddJitteredBox(b, {19000, 0, 0}, {40000, 20000, 20000}, 2);
    AddJitteredBox(c, {0, 21000, 0}, {20000, 41000, 20000}, 3);
    // The one-part mode turns its part inside out while it runs: that part is the thread's own.
    vz_test::AddUShape(inside, 8000, 1000, 3000, 12000, 6000);
    // One tapered simple-cubic cell, the pore searches' box.
    MStlBase lattice;
    MStlGraph* const graph = Zodara::geometricsearches::GenerateLattice(
        lattice, {Zodara::geometricsearches::LatticeCellType::SimpleCubic, 20000, 1, 1, 1, {0, 0, 0}, 4000, 9000});

    // Masks are registered with their mesh before any thread starts: registering changes the mesh.
    MDataMask<MStlTriangle, float> thicknessOfB(b.GetDataMaskOwner(), -1.0f);
    std::vector<Task> const tasks = {
        {"two-part collision", [&] { return TwoPartCollision(&a, &b); }},
        {"two-part collision, other pair", [&] { return TwoPartCollision(&a, &c); }},
        {"one-part collision", [&] { return TwoPartCollision(&inside, nullptr); }},
        {"multipart",
         [&] {
             return Multipart({&a, &b, &c});
         }},
        {"wall thickness", [&] { return WallThickness(&b, thicknessOfB); }},
        {"qualities", [&] { return Qualities(&a); }},
        {"pores", [&] { return Pores(graph, false); }},
        {"pores refined", [&] { return Pores(graph, true); }},
    };
    std::vector<std::string> lone;
    for (Task const& t : tasks) lone.push_back(t.run());

    constexpr int kRounds = 2;
    std::vector<std::vector<std::string>> seen(tasks.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < tasks.size(); ++i)
        threads.emplace_back(
            [&, i]
            {
                for (int round = 0; round < kRounds; ++round) seen[i].push_back(tasks[i].run());
            });
    for (std::thread& t : threads) t.join();
    for (std::size_t i = 0; i < tasks.size(); ++i)
        for (std::string const& s : seen[i]) EXPECT_EQ(s, lone[i]) << tasks[i].name;
}

// The first neighbour question builds the mesh's edge index; several threads asking it first at
// the same moment must all get the answers one thread alone gets.
TEST(ConcurrentOperators, FirstNeighbourQuestionsFromSeveralThreadsAtOnce)
{
    MStlBase reference, shared;
    AddJitteredBox(reference, {0, 0, 0}, {20000, 20000, 20000}, 4);
    AddJitteredBox(shared, {0, 0, 0}, {20000, 20000, 20000}, 4);
    std::vector<std::uint64_t> expected;
    for (MStlTriangle const* t : reference.GetTriangles())
        for (std::size_t i = 0; i < 3; ++i) expected.push_back(t->FindAdjacentTriangle(i)->GetElementIndex());
    std::vector<std::vector<std::uint64_t>> seen(4);
    std::vector<std::thread> threads;
    for (auto& answers : seen)
        threads.emplace_back(
            [&shared, &answers]
            {
                for (MStlTriangle const* t : shared.GetTriangles())
                    for (std::size_t i = 0; i < 3; ++i)
                        answers.push_back(t->FindAdjacentTriangle(i)->GetElementIndex());
            });
    for (std::thread& t : threads) t.join();
    for (auto const& answers : seen) EXPECT_EQ(answers, expected);
}

} // namespace
