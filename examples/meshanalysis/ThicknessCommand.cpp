// meshanalysis thickness: wall thickness of a part as a histogram in millimetres, the share of the
// surface area whose wall is thinner than a given minimum, and optionally every triangle's value in
// files and a picture.
#include "Command.h"
#include "FaceOutputs.h"
#include "InterruptibleProgress.h"
#include "JsonWriter.h"
#include "NumberArguments.h"
#include "PartFaces.h"
#include "SamplePart.h"
#include "thickness/MUserOperatorWallThickness.h"
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr double kUnitsPerMm = 10000.0;

struct ThicknessOptions
{
    std::string path;
    double minMm = 0.5;
    double maxMm = 1.5;
    double belowMm = 1.0;
    int bins = 10;
    FaceOutputOptions outputs;
};

ThicknessOptions ParseOptions(std::vector<std::string> const& args)
{
    ThicknessOptions o;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        std::string const& a = args[i];
        auto value = [&]() -> std::string const&
        {
            if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
            return args[++i];
        };
        if (a == "--min")
            o.minMm = ParseLengthMm(a, value());
        else if (a == "--max")
            o.maxMm = ParseLengthMm(a, value());
        else if (a == "--below")
            o.belowMm = ParseLengthMm(a, value());
        else if (a == "--bins")
            o.bins = ParseWholeNumber(a, value(), 1, 100);
        else if (TakeFaceOutputOption(args, i, o.outputs))
            continue;
        else if (!a.empty() && a[0] == '-')
            throw UsageError("unknown option " + a);
        else if (a.empty())
            throw UsageError("an empty file name (name no file for the built-in sample part)");
        else if (o.path.empty())
            o.path = a;
        else
            throw UsageError("more than one file given");
    }
    if (!(o.minMm < o.maxMm)) throw UsageError("--min must be below --max");
    return o;
}

struct Histogram
{
    std::vector<double> area;
    std::vector<std::size_t> count;
    double totalArea = 0.0, thinArea = 0.0;
};

Histogram MakeHistogram(std::vector<MStlTriangle const*> const& triangles, MDataMask<MStlTriangle, float> const& values,
                        ThicknessOptions const& o)
{
    Histogram h{std::vector<double>(std::size_t(o.bins), 0.0), std::vector<std::size_t>(std::size_t(o.bins), 0)};
    double const width = (o.maxMm - o.minMm) / o.bins;
    for (MStlTriangle const* t : triangles)
    {
        double const mm = values.GetInfo(t) / kUnitsPerMm;
        std::size_t const bin = std::size_t(std::min(o.bins - 1, std::max(0, int((mm - o.minMm) / width))));
        double const area = t->SurfaceArea();
        h.area[bin] += area;
        ++h.count[bin];
        h.totalArea += area;
        if (mm < o.belowMm) h.thinArea += area;
    }
    return h;
}

void PrintReport(std::string const& partName, std::size_t triangleCount, Histogram const& h, ThicknessOptions const& o)
{
    std::printf("part: %s, %zu triangles, %.2f mm^2\n", partName.c_str(), triangleCount,
                h.totalArea / (kUnitsPerMm * kUnitsPerMm));
    std::printf("wall thickness, clamped to %.3f .. %.3f mm:\n", o.minMm, o.maxMm);
    std::printf("%-19s %10s %8s\n", "thickness (mm)", "triangles", "area");
    double const width = (o.maxMm - o.minMm) / o.bins;
    for (int b = 0; b < o.bins; ++b)
    {
        double const share = h.totalArea > 0 ? h.area[std::size_t(b)] / h.totalArea : 0.0;
        std::string const bar(std::size_t(share * 40.0 + 0.5), '#');
        std::printf("%7.3f .. %-7.3f %10zu %7.1f%% %s\n", o.minMm + b * width, o.minMm + (b + 1) * width,
                    h.count[std::size_t(b)], 100.0 * share, bar.c_str());
    }
    std::printf("area thinner than %.3f mm: %.2f%%\n", o.belowMm,
                h.totalArea > 0 ? 100.0 * h.thinArea / h.totalArea : 0.0);
}

void PrintJson(std::string const& partName, std::size_t triangleCount, Histogram const& h, ThicknessOptions const& o,
               FaceOutputFiles const& files)
{
    JsonWriter json(std::cout);
    json.BeginObject();
    json.Field("command", "thickness");
    json.Field("part", partName);
    json.Field("triangles", triangleCount);
    json.Key("parameters");
    json.BeginObject();
    json.Field("min_mm", o.minMm);
    json.Field("max_mm", o.maxMm);
    json.Field("below_mm", o.belowMm);
    json.Field("bins", o.bins);
    json.EndObject();
    json.Field("area_mm2", h.totalArea / (kUnitsPerMm * kUnitsPerMm));
    json.Field("thin_area_percent", h.totalArea > 0 ? 100.0 * h.thinArea / h.totalArea : 0.0);
    json.Key("histogram");
    json.BeginArray();
    double const width = (o.maxMm - o.minMm) / o.bins;
    for (int b = 0; b < o.bins; ++b)
    {
        json.BeginObject();
        json.Field("from_mm", o.minMm + b * width);
        json.Field("to_mm", o.minMm + (b + 1) * width);
        json.Field("triangles", h.count[std::size_t(b)]);
        json.Field("area_percent", h.totalArea > 0 ? 100.0 * h.area[std::size_t(b)] / h.totalArea : 0.0);
        json.EndObject();
    }
    json.EndArray();
    files.WriteJson(json);
    json.EndObject();
}

int RunThickness(std::vector<std::string> const& args)
{
    ThicknessOptions const o = ParseOptions(args);
    // From here on Ctrl-C only asks to stop, so that a stop while the part loads still removes the
    // output files.
    InterruptRequest const interrupts;
    FaceOutputFiles files(o.outputs);
    std::unique_ptr<MStlBase> part = LoadPartArgument(o.path);
    std::vector<MStlTriangle const*> const triangles(part->GetTriangles().begin(), part->GetTriangles().end());

    float const notMeasured = -1.0f;
    MDataMask<MStlTriangle, float> values(part->GetDataMaskOwner(), notMeasured);
    MUserOperatorWallThickness op;
    MUserOperatorWallThickness::MParams params;
    params.MinThickness = o.minMm * kUnitsPerMm;
    params.MaxThickness = o.maxMm * kUnitsPerMm;
    op.SetModel(part.get());
    op.SetParams(params);
    op.SetOutputMask(values);
    op.SetProgressDelegate(std::make_shared<TerminalProgressDelegate>("measuring", ShowsProgress(o.outputs.json)));
    MUserOperatorWallThickness::EReturnCode const result = op.Operate();

    if (result == MUserOperatorWallThickness::eCancelled)
    {
        std::size_t measured = 0;
        for (MStlTriangle const* t : triangles) measured += values.GetInfo(t) != notMeasured;
        std::fprintf(stderr, "stopped: %zu of %zu triangles measured\n", measured, triangles.size());
        return 130;
    }
    std::string const name = PartArgumentName(o.path);
    Histogram const h = MakeHistogram(triangles, values, o);
    if (files.AnyRequested())
    {
        files.Write(ThicknessFaces(*part, values, kUnitsPerMm), ThicknessScale(o.minMm, o.maxMm),
                    ShortPartName(name) + ": wall thickness");
    }
    if (o.outputs.json)
        PrintJson(name, triangles.size(), h, o, files);
    else
    {
        PrintReport(name, triangles.size(), h, o);
        files.PrintWritten();
    }
    return 0;
}

CommandRegistration const registration{
    "thickness", std::string("[file.stl] [--min MM] [--max MM] [--below MM] [--bins N] ") + kFaceOutputUsage,
    "wall thickness histogram in mm and the share of area thinner than --below (default 1 mm); per-triangle "
    "values to CSV, PLY, VTK and a PNG picture",
    &RunThickness};
} // namespace
