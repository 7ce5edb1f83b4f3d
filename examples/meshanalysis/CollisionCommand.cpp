// meshanalysis collision: which triangles of two placed parts come within a tolerance of the other
// part; with one part, which triangles face another region of the same part across a narrow gap.
// The hits can go to files and a picture, both parts placed in one mesh.
#include "Command.h"
#include "FaceOutputs.h"
#include "InterruptibleProgress.h"
#include "JsonWriter.h"
#include "NumberArguments.h"
#include "PartFaces.h"
#include "PlacementArguments.h"
#include "SamplePart.h"
#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include <algorithm>
#include <cstdio>
#include <iostream>
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
    FaceOutputOptions outputs;
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
        else if (TakeFaceOutputOption(args, i, o.outputs))
            continue;
        else if (!a.empty() && a[0] == '-')
            throw UsageError("unknown option " + a);
        else if (a.empty())
            throw UsageError("an empty file name (name no file for the built-in sample part)");
        else
            o.paths.push_back(a);
    }
    if (o.paths.size() > 2) throw UsageError("at most two files");
    return o;
}

// One examined part: its mesh, placement, name and which of its triangles were hit.
struct CollisionPart
{
    std::unique_ptr<MStlBase> mesh;
    MMTransformMatrix placement;
    std::string name;
    std::vector<bool> hit;
    std::size_t Hits() const { return std::size_t(std::count(hit.begin(), hit.end(), true)); }
};

MUserOperatorCollisionDetectorWithTolerance::Callback Recorder(CollisionPart& part)
{
    part.hit.assign(part.mesh->NumberOfTriangles(), false);
    // Calls come one at a time (inside the library's critical section or from the calling thread).
    return [&part](MStlTriangle& t) { part.hit[t.GetElementIndex()] = true; };
}

void PrintJson(std::vector<CollisionPart> const& parts, CollisionOptions const& o, FaceOutputFiles const& files)
{
    JsonWriter json(std::cout);
    json.BeginObject();
    json.Field("command", "collision");
    json.Field("mode", parts.size() == 2 ? "two parts" : "one part");
    json.Field("part", parts[0].name);
    json.Field("triangles", parts[0].mesh->NumberOfTriangles());
    json.Key("parameters");
    json.BeginObject();
    json.Field("tolerance_mm", o.toleranceMm);
    json.EndObject();
    json.Key("parts");
    json.BeginArray();
    for (std::size_t i = 0; i < parts.size(); ++i)
    {
        CollisionPart const& p = parts[i];
        PartPlacement const& placement = o.placement[i];
        json.BeginObject();
        json.Field("part", p.name);
        json.Field("triangles", p.mesh->NumberOfTriangles());
        json.Field("hit_triangles", p.Hits());
        json.Key("move_mm");
        json.BeginArray();
        for (double c : {placement.moveMm.x, placement.moveMm.y, placement.moveMm.z}) json.Value(c);
        json.EndArray();
        json.Key("turn_axis_degrees");
        json.BeginArray();
        for (double c : {placement.turnAxis.x, placement.turnAxis.y, placement.turnAxis.z, placement.turnDegrees})
            json.Value(c);
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    // The pairs of parts within the tolerance of each other, by index in "parts".
    json.Key("pairs");
    json.BeginArray();
    if (parts.size() == 2 && parts[0].Hits() > 0)
    {
        json.BeginArray();
        json.Value(0);
        json.Value(1);
        json.EndArray();
    }
    json.EndArray();
    files.WriteJson(json);
    json.EndObject();
}

int RunCollision(std::vector<std::string> const& args)
{
    CollisionOptions const o = ParseOptions(args);
    // From here on Ctrl-C only asks to stop, so that a stop while the part loads still removes the
    // output files.
    InterruptRequest const interrupts;
    FaceOutputFiles files(o.outputs);
    std::vector<CollisionPart> parts(o.paths.size() == 2 ? 2 : 1);
    for (std::size_t p = 0; p < parts.size(); ++p)
    {
        std::string const path = o.paths.empty() ? std::string() : o.paths[p];
        parts[p].mesh = LoadPartArgument(path);
        parts[p].name = PartArgumentName(path);
        parts[p].placement = o.placement[p].Transform();
    }

    MUserOperatorCollisionDetectorWithTolerance detector;
    MUserOperatorCollisionDetectorWithTolerance::MParams params;
    params.Tolerance = o.toleranceMm * kExampleUnitsPerMm;
    detector.SetAllParams(params);
    detector.SetFirstPart(parts[0].mesh.get(), Recorder(parts[0]));
    detector.SetFirstPartTransform(parts[0].placement);
    if (parts.size() == 2)
    {
        detector.SetSecondPart(parts[1].mesh.get(), Recorder(parts[1]));
        detector.SetSecondPartTransform(parts[1].placement);
    }
    detector.SetProgressDelegate(
        std::make_shared<TerminalProgressDelegate>("searching", ShowsProgress(o.outputs.json)));
    if (detector.Operate() == MUserOperatorCollisionDetectorWithTolerance::eCancelled)
    {
        std::fprintf(stderr, "stopped before the search was complete\n");
        return 130;
    }

    if (files.AnyRequested())
    {
        std::vector<CollisionFacesPart> placed;
        for (CollisionPart const& p : parts) placed.push_back({p.mesh.get(), p.placement, &p.hit});
        std::string const title = parts.size() == 2
                                      ? ShortPartName(parts[0].name) + " and " + ShortPartName(parts[1].name)
                                      : ShortPartName(parts[0].name);
        files.Write(CollisionFaces(placed, kExampleUnitsPerMm), CollisionScale(),
                    title + ": within " + visual::FormatFixed(o.toleranceMm, 3) + " mm");
    }
    if (o.outputs.json)
    {
        PrintJson(parts, o, files);
        return 0;
    }
    std::printf("tolerance: %.4f mm\n", o.toleranceMm);
    if (parts.size() == 1)
        std::printf("part: %s, %zu of %zu triangles face another region of the part within the tolerance\n",
                    parts[0].name.c_str(), parts[0].Hits(), parts[0].mesh->NumberOfTriangles());
    else
    {
        std::printf("part A: %s, %zu of %zu triangles within tolerance of part B\n", parts[0].name.c_str(),
                    parts[0].Hits(), parts[0].mesh->NumberOfTriangles());
        std::printf("part B: %s, %zu of %zu triangles within tolerance of part A\n", parts[1].name.c_str(),
                    parts[1].Hits(), parts[1].mesh->NumberOfTriangles());
    }
    files.PrintWritten();
    return 0;
}

CommandRegistration const registration{
    "collision",
    std::string("[a.stl [b.stl]] [--tolerance MM] [--move-a X,Y,Z] [--turn-a AX,AY,AZ,DEG] [--move-b ...] "
                "[--turn-b ...] ") +
        kFaceOutputUsage,
    "triangles of two placed parts within the tolerance (default 0.5 mm) of each other; with one part, "
    "triangles facing the part itself across a gap; hits to CSV, PLY, VTK and a PNG picture",
    &RunCollision};
} // namespace
