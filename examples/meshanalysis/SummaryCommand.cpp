// meshanalysis summary [file.stl] [--json]: size, extent and a few quality figures of a part.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "Command.h"
#include "InterruptibleProgress.h"
#include "JsonWriter.h"
#include "QualityReport.h"
#include "SamplePart.h"

namespace
{

using qualityreport::Calc;

struct SummaryMetric
{
    Calc::MetricType metric;
    double threshold; // in display units
};

// Shape, size, smoothness and growth: one figure each, with the thresholds below which a
// triangle usually needs attention.
std::vector<SummaryMetric> const kSummaryMetrics{{Calc::RadiusRatio, 0.3},
                                                 {Calc::MinAngle, 20.0},
                                                 {Calc::MinEdge, 0.1},
                                                 {Calc::CurvatureRatio, 0.6},
                                                 {Calc::GrowthFactor3Rings, 0.3}};

struct SummaryRow
{
    SummaryMetric metric;
    qualityreport::Statistics stats;
    int bad = 0;
};

void PrintJson(std::string const& name, MStlBase const& mesh, std::vector<SummaryRow> const& rows)
{
    JsonWriter json(std::cout);
    json.BeginObject();
    json.Field("command", "summary");
    json.Field("part", name);
    json.Field("triangles", mesh.NumberOfTriangles());
    M3DBoundingBox<long> const box = mesh.GetBoundingBox();
    json.Key("bounding_box_mm");
    if (box.IsEmpty())
        json.Null();
    else
    {
        json.BeginObject();
        for (int k = 0; k < 3; ++k)
        {
            json.Key(std::string(1, char('x' + k)));
            json.BeginArray();
            json.Value(double(box.GetMin(k)) / qualityreport::kUnitsPerMillimetre);
            json.Value(double(box.GetMax(k)) / qualityreport::kUnitsPerMillimetre);
            json.EndArray();
        }
        json.EndObject();
    }
    json.Key("metrics");
    json.BeginArray();
    for (SummaryRow const& r : rows)
    {
        Calc::MetricType const m = r.metric.metric;
        json.BeginObject();
        json.Field("number", int(m));
        json.Field("name", qualityreport::MetricName(m));
        json.Field("in_mm", Calc::GetIsInInternalUnits(m));
        json.Field("minimum", qualityreport::ToDisplayUnits(r.stats.minimum, m));
        json.Field("median", qualityreport::ToDisplayUnits(r.stats.median, m));
        json.Field("threshold", r.metric.threshold);
        json.Field("below_threshold", r.bad);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

int RunSummary(std::vector<std::string> const& args)
{
    std::string path;
    bool json = false, havePath = false;
    for (std::string const& a : args)
    {
        if (a == "--json")
            json = true;
        else if (a.size() > 1 && a[0] == '-')
            throw UsageError("unknown option '" + a + "'");
        else if (a.empty())
            throw UsageError("an empty file name (name no file for the built-in sample part)");
        else if (havePath)
            throw UsageError("expected at most one STL file");
        else
            path = a, havePath = true;
    }
    auto const mesh = LoadPartArgument(path);
    std::string const name = PartArgumentName(path);

    InterruptRequest const interrupts;
    TerminalProgressDelegate progress("measuring", ShowsProgress(json));
    progress.OnStart("summary", kSummaryMetrics.size());
    std::vector<SummaryRow> rows;
    for (auto const& m : kSummaryMetrics)
    {
        if (InterruptRequest::IsRequested())
        {
            progress.OnFinish();
            std::fprintf(stderr, "stopped: %zu of %zu metrics computed\n", rows.size(), kSummaryMetrics.size());
            return 130;
        }
        SummaryRow row{m, qualityreport::ComputeStatistics(*mesh, m.metric), 0};
        row.bad =
            Calc::GetNumberOfBadTriangles(mesh.get(), qualityreport::FromDisplayUnits(m.threshold, m.metric), m.metric);
        rows.push_back(row);
        progress.OnProgress(rows.size(), kSummaryMetrics.size());
    }
    progress.OnFinish();
    if (json)
    {
        PrintJson(name, *mesh, rows);
        return 0;
    }

    qualityreport::PrintPartHeader(name, *mesh);
    std::printf("%-3s %-22s %12s %12s %10s  %s\n", "no", "metric", "minimum", "median", "below", "threshold");
    for (SummaryRow const& r : rows)
    {
        Calc::MetricType const m = r.metric.metric;
        std::printf("%-3d %-22s %12s %12s %10d  < %g%s\n", int(m), qualityreport::MetricName(m),
                    qualityreport::FormatValue(r.stats.minimum, m).c_str(),
                    qualityreport::FormatValue(r.stats.median, m).c_str(), r.bad, r.metric.threshold,
                    Calc::GetIsInInternalUnits(m) ? " mm" : "");
    }
    return 0;
}

CommandRegistration const registration{"summary", "[file.stl] [--json]",
                                       "triangle count, bounding box and a few quality figures (the default command; "
                                       "without a file, the built-in sample part)",
                                       &RunSummary};

} // namespace
