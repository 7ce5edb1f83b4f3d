// meshanalysis multipart: which pairs of placed parts come within a tolerance of each other.
#include "Command.h"
#include "InterruptibleProgress.h"
#include "JsonWriter.h"
#include "NumberArguments.h"
#include "PlacementArguments.h"
#include "SamplePart.h"
#include "collision/MUserOperatorCollisionDetectorWithToleranceMultipart.h"
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{
struct PlacedFile
{
    std::string path;
    PartPlacement placement;
};

struct MultipartOptions
{
    std::vector<PlacedFile> parts;
    double toleranceMm = 0.5;
    bool json = false;
};

// Placement options apply to the file named before them.
MultipartOptions ParseOptions(std::vector<std::string> const& args)
{
    MultipartOptions o;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        std::string const& a = args[i];
        auto value = [&]() -> std::string const&
        {
            if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
            return args[++i];
        };
        auto last = [&]() -> PartPlacement&
        {
            if (o.parts.empty()) throw UsageError(a + " must follow the file it places");
            return o.parts.back().placement;
        };
        if (a == "--tolerance")
            o.toleranceMm = ParseLengthMm(a, value());
        else if (a == "--move")
            last().SetMove(a, value());
        else if (a == "--turn")
            last().SetTurn(a, value());
        else if (a == "--json")
            o.json = true;
        else if (a.empty())
            throw UsageError("an empty file name");
        else if (!a.empty() && a[0] == '-')
            throw UsageError("unknown option " + a);
        else
            o.parts.push_back({a, PartPlacement()});
    }
    if (o.parts.empty()) throw UsageError("name at least one file");
    return o;
}

int RunMultipart(std::vector<std::string> const& args)
{
    MultipartOptions const o = ParseOptions(args);
    InterruptRequest const interrupts;
    std::vector<std::unique_ptr<MStlBase>> meshes;
    MUserOperatorCollisionDetectorWithToleranceMultipart detector;
    for (auto const& p : o.parts)
    {
        meshes.push_back(LoadPartArgument(p.path));
        detector.AddPart(meshes.back().get(), p.placement.Transform());
    }
    MUserOperatorCollisionDetectorWithToleranceMultipart::MParams params;
    params.Tolerance = o.toleranceMm * kExampleUnitsPerMm;
    detector.SetAllParams(params);
    detector.SetProgressDelegate(std::make_shared<TerminalProgressDelegate>("searching", ShowsProgress(o.json)));
    if (detector.Operate() == MUserOperatorCollisionDetectorWithToleranceMultipart::eCancelled)
    {
        std::fprintf(stderr, "stopped before the search was complete\n");
        return 130;
    }
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    detector.GetCollisions(pairs);
    if (o.json)
    {
        JsonWriter json(std::cout);
        json.BeginObject();
        json.Field("command", "multipart");
        json.Key("parameters");
        json.BeginObject();
        json.Field("tolerance_mm", o.toleranceMm);
        json.EndObject();
        json.Key("parts");
        json.BeginArray();
        for (std::size_t i = 0; i < o.parts.size(); ++i)
        {
            json.BeginObject();
            json.Field("part", o.parts[i].path);
            json.Field("triangles", meshes[i]->NumberOfTriangles());
            json.EndObject();
        }
        json.EndArray();
        json.Key("pairs");
        json.BeginArray();
        for (auto const& p : pairs)
        {
            json.BeginArray();
            json.Value(p.first);
            json.Value(p.second);
            json.EndArray();
        }
        json.EndArray();
        json.EndObject();
        return 0;
    }

    std::printf("tolerance: %.4f mm, %zu parts\n", o.toleranceMm, o.parts.size());
    for (std::size_t i = 0; i < o.parts.size(); ++i)
        std::printf("  [%zu] %s (%zu triangles)\n", i, o.parts[i].path.c_str(), meshes[i]->NumberOfTriangles());
    std::printf("colliding pairs: %zu\n", pairs.size());
    for (auto const& p : pairs) std::printf("  [%zu] - [%zu]\n", p.first, p.second);
    return 0;
}

CommandRegistration const registration{
    "multipart", "<file.stl> [--move X,Y,Z] [--turn AX,AY,AZ,DEG] <file.stl> ... [--tolerance MM] [--json]",
    "pairs of placed parts within the tolerance (default 0.5 mm) of each other", &RunMultipart};
} // namespace
