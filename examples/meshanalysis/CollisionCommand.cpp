// meshanalysis collision: which triangles of two placed parts come within a tolerance of the other
// part; with one part, which triangles face another region of the same part across a narrow gap.
#include "Command.h"
#include "InterruptibleProgress.h"
#include "PlacementArguments.h"
#include "SamplePart.h"
#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
struct CollisionOptions
{
    std::vector<std::string> paths;
    double toleranceMm = 0.5;
    PartPlacement placement[2];
};

CollisionOptions ParseOptions(std::vector<std::string> const& args)
{
    CollisionOptions o;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        std::string const& a = args[i];
        auto value = [&]() -> std::string const&
        {
            if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
            return args[++i];
        };
        if (a == "--tolerance")
            o.toleranceMm = ParseLengthMm(a, value());
        else if (a == "--move-a" || a == "--move-b")
            o.placement[a.back() == 'b'].SetMove(a, value());
        else if (a == "--turn-a" || a == "--turn-b")
            o.placement[a.back() == 'b'].SetTurn(a, value());
        else if (!a.empty() && a[0] == '-')
            throw UsageError("unknown option " + a);
        else
            o.paths.push_back(a);
    }
    if (o.paths.size() > 2) throw UsageError("at most two files");
    return o;
}

int RunCollision(std::vector<std::string> const& args)
{
    CollisionOptions const o = ParseOptions(args);
    bool const twoParts = o.paths.size() == 2;
    std::string const pathA = o.paths.empty() ? std::string() : o.paths[0];
    std::unique_ptr<MStlBase> const a = LoadPartArgument(pathA);
    std::unique_ptr<MStlBase> const b = twoParts ? LoadPartArgument(o.paths[1]) : nullptr;

    std::size_t hitsA = 0, hitsB = 0;
    MUserOperatorCollisionDetectorWithTolerance detector;
    MUserOperatorCollisionDetectorWithTolerance::MParams params;
    params.Tolerance = o.toleranceMm * kExampleUnitsPerMm;
    detector.SetAllParams(params);
    detector.SetFirstPart(a.get(), [&](MStlTriangle&) { ++hitsA; });
    detector.SetFirstPartTransform(o.placement[0].Transform());
    if (twoParts)
    {
        detector.SetSecondPart(b.get(), [&](MStlTriangle&) { ++hitsB; });
        detector.SetSecondPartTransform(o.placement[1].Transform());
    }
    {
        ElapsedTimeTicker const ticker("searching");
        detector.Operate();
    }

    std::printf("tolerance: %.4f mm\n", o.toleranceMm);
    if (!twoParts)
    {
        std::printf("part: %s, %zu of %zu triangles face another region of the part within the tolerance\n",
                    PartArgumentName(pathA).c_str(), hitsA, a->NumberOfTriangles());
        return 0;
    }
    std::printf("part A: %s, %zu of %zu triangles within tolerance of part B\n", pathA.c_str(), hitsA,
                a->NumberOfTriangles());
    std::printf("part B: %s, %zu of %zu triangles within tolerance of part A\n", o.paths[1].c_str(), hitsB,
                b->NumberOfTriangles());
    return 0;
}

CommandRegistration const registration{
    "collision",
    "[a.stl [b.stl]] [--tolerance MM] [--move-a X,Y,Z] [--turn-a AX,AY,AZ,DEG] [--move-b ...] [--turn-b ...]",
    "triangles of two placed parts within the tolerance (default 0.5 mm) of each other; with one part, "
    "triangles facing the part itself across a gap",
    &RunCollision};
} // namespace
