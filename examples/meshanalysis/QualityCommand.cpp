// meshanalysis quality [file.stl] [--metric <number|name>] [--threshold <value>]: every quality
// metric of a part, and the number of bad triangles for one of them, whose per-triangle values can
// go to files and a picture.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "FaceOutputs.h"
#include "InterruptibleProgress.h"
#include "JsonWriter.h"
#include "NumberArguments.h"
#include "PartFaces.h"
#include "QualityReport.h"
#include "SamplePart.h"

namespace
{

using qualityreport::Calc;

struct QualityOptions
{
    std::string path;
    Calc::MetricType metric = Calc::RadiusRatio;
    double threshold = 0.3; // in display units
    FaceOutputOptions outputs;
};

Calc::MetricType ParseMetric(std::string const& text)
{
    for (int m = 1; m <= 36; ++m)
        if (qualityreport::IsMetric(m) && text == qualityreport::MetricName(m)) return Calc::MetricType(m);
    if (!text.empty() && (std::isdigit((unsigned char)text[0]) || text[0] == '-' || text[0] == '+'))
    {
        int const number = ParseWholeNumber("--metric", text, 1, 36);
        if (qualityreport::IsMetric(number)) return Calc::MetricType(number);
        throw UsageError("no metric number " + text);
    }
    throw UsageError("no metric named '" + text + "'");
}

QualityOptions ParseOptions(std::vector<std::string> const& args)
{
    QualityOptions options;
    bool havePath = false;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        std::string const& a = args[i];
        if (a == "--metric" || a == "--threshold")
        {
            if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
            std::string const& value = args[++i];
            if (a == "--metric")
                options.metric = ParseMetric(value);
            else
                options.threshold = ParseNumber(a, value, -1e300, 1e300);
        }
        else if (TakeFaceOutputOption(args, i, options.outputs))
            continue;
        else if (a.size() > 1 && a[0] == '-')
        {
            throw UsageError("unknown option '" + a + "'");
        }
        else if (a.empty())
            throw UsageError("an empty file name (name no file for the built-in sample part)");
        else
        {
            if (havePath) throw UsageError("expected at most one STL file");
            options.path = a;
            havePath = true;
        }
    }
    return options;
}

char const* CategoryName(Calc::MetricCategory category)
{
    switch (category)
    {
    case Calc::CategoryShape: return "shape";
    case Calc::CategoryMeasure: return "measure";
    case Calc::CategoryGrowth: return "growth";
    default: return "none";
    }
}

std::string RangeText(Calc::MetricType metric)
{
    double lo = 0.0, hi = 0.0;
    if (!Calc::GetMetricRange(lo, hi, metric)) return "open";
    char text[64];
    std::snprintf(text, sizeof text, "%g .. %g", lo, hi);
    return text;
}

struct MetricRow
{
    int metric;
    qualityreport::Statistics stats;
};

void PrintJson(std::string const& name, MStlBase const& mesh, QualityOptions const& options,
               std::vector<MetricRow> const& rows, int bad, FaceOutputFiles const& files)
{
    JsonWriter json(std::cout);
    json.BeginObject();
    json.Field("command", "quality");
    json.Field("part", name);
    json.Field("triangles", mesh.NumberOfTriangles());
    json.Key("parameters");
    json.BeginObject();
    json.Field("metric", int(options.metric));
    json.Field("metric_name", qualityreport::MetricName(options.metric));
    json.Field("threshold", options.threshold);
    json.EndObject();
    json.Key("metrics");
    json.BeginArray();
    for (MetricRow const& r : rows)
    {
        auto const metric = Calc::MetricType(r.metric);
        json.BeginObject();
        json.Field("number", r.metric);
        json.Field("name", qualityreport::MetricName(r.metric));
        json.Field("category", CategoryName(Calc::GetMetricCategory(metric)));
        json.Field("in_mm", Calc::GetIsInInternalUnits(metric));
        json.Field("minimum", qualityreport::ToDisplayUnits(r.stats.minimum, metric));
        json.Field("median", qualityreport::ToDisplayUnits(r.stats.median, metric));
        json.Field("maximum", qualityreport::ToDisplayUnits(r.stats.maximum, metric));
        json.EndObject();
    }
    json.EndArray();
    json.Field("bad_triangles", bad);
    files.WriteJson(json);
    json.EndObject();
}

int RunQuality(std::vector<std::string> const& args)
{
    QualityOptions const options = ParseOptions(args);
    // From here on Ctrl-C only asks to stop, so that a stop while the part loads still removes the
    // output files.
    InterruptRequest const interrupts;
    FaceOutputFiles files(options.outputs);
    auto const mesh = LoadPartArgument(options.path);
    std::string const name = PartArgumentName(options.path);

    // Statistics of every metric, one step each; Ctrl-C stops between metrics.
    TerminalProgressDelegate progress("measuring", ShowsProgress(options.outputs.json));
    std::vector<MetricRow> rows;
    for (int m = 1; m <= 36; ++m)
        if (qualityreport::IsMetric(m)) rows.push_back({m, {}});
    progress.OnStart("quality", rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
    {
        if (InterruptRequest::IsRequested())
        {
            progress.OnFinish();
            std::fprintf(stderr, "stopped: %zu of %zu metrics computed\n", i, rows.size());
            return 130;
        }
        rows[i].stats = qualityreport::ComputeStatistics(*mesh, Calc::MetricType(rows[i].metric));
        progress.OnProgress(i + 1, rows.size());
    }
    progress.OnFinish();
    int const bad = Calc::GetNumberOfBadTriangles(
        mesh.get(), qualityreport::FromDisplayUnits(options.threshold, options.metric), options.metric);
    if (files.AnyRequested())
    {
        visual::ColourScale scale;
        visual::FaceMesh const faces = QualityFaces(*mesh, options.metric, scale);
        files.Write(faces, scale, ShortPartName(name) + ": " + qualityreport::MetricName(options.metric));
    }
    if (options.outputs.json)
    {
        PrintJson(name, *mesh, options, rows, bad, files);
        return 0;
    }

    qualityreport::PrintPartHeader(name, *mesh);
    std::printf("%-3s %-26s %-8s %-14s %12s %12s %12s\n", "no", "metric", "category", "range", "minimum", "median",
                "maximum");
    for (MetricRow const& r : rows)
    {
        auto const metric = Calc::MetricType(r.metric);
        std::printf("%-3d %-26s %-8s %-14s %12s %12s %12s%s\n", r.metric, qualityreport::MetricName(r.metric),
                    CategoryName(Calc::GetMetricCategory(metric)), RangeText(metric).c_str(),
                    qualityreport::FormatValue(r.stats.minimum, metric).c_str(),
                    qualityreport::FormatValue(r.stats.median, metric).c_str(),
                    qualityreport::FormatValue(r.stats.maximum, metric).c_str(),
                    Calc::GetIsInInternalUnits(metric) ? "  mm" : "");
    }
    std::printf("bad triangles: %d of %zu with %d %s < %g%s\n", bad, mesh->NumberOfTriangles(), int(options.metric),
                qualityreport::MetricName(options.metric), options.threshold,
                Calc::GetIsInInternalUnits(options.metric) ? " mm" : "");
    files.PrintWritten();
    return 0;
}

CommandRegistration const registration{
    "quality", std::string("[file.stl] [--metric <number|name>] [--threshold <value>] ") + kFaceOutputUsage,
    "every quality metric by number and name (lengths in mm), and the number of triangles whose chosen metric "
    "(default 1 RadiusRatio) is below the threshold (default 0.3); the chosen metric per triangle to CSV, PLY, "
    "VTK and a PNG picture",
    &RunQuality};

} // namespace
