// meshanalysis quality [file.stl] [--metric <number|name>] [--threshold <value>]: every quality
// metric of a part, and the number of bad triangles for one of them.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Command.h"
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
};

Calc::MetricType ParseMetric(std::string const& text)
{
    char* end = nullptr;
    long const number = std::strtol(text.c_str(), &end, 10);
    if (!text.empty() && *end == '\0')
    {
        if (qualityreport::IsMetric(int(number)) && number == int(number)) return Calc::MetricType(number);
        throw UsageError("no metric number " + text);
    }
    for (int m = 1; m <= 36; ++m)
        if (qualityreport::IsMetric(m) && text == qualityreport::MetricName(m)) return Calc::MetricType(m);
    throw UsageError("no metric named '" + text + "'");
}

double ParseThreshold(std::string const& text)
{
    char* end = nullptr;
    double const value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value))
        throw UsageError("threshold '" + text + "' is not a number");
    return value;
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
                options.threshold = ParseThreshold(value);
        }
        else if (a.size() > 1 && a[0] == '-')
        {
            throw UsageError("unknown option '" + a + "'");
        }
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

int RunQuality(std::vector<std::string> const& args)
{
    QualityOptions const options = ParseOptions(args);
    auto const mesh = LoadPartArgument(options.path);

    qualityreport::PrintPartHeader(PartArgumentName(options.path), *mesh);
    std::printf("%-3s %-26s %-8s %-14s %12s %12s %12s\n", "no", "metric", "category", "range", "minimum", "median",
                "maximum");
    for (int m = 1; m <= 36; ++m)
    {
        if (!qualityreport::IsMetric(m)) continue;
        auto const metric = Calc::MetricType(m);
        auto const stats = qualityreport::ComputeStatistics(*mesh, metric);
        std::printf("%-3d %-26s %-8s %-14s %12s %12s %12s%s\n", m, qualityreport::MetricName(m),
                    CategoryName(Calc::GetMetricCategory(metric)), RangeText(metric).c_str(),
                    qualityreport::FormatValue(stats.minimum, metric).c_str(),
                    qualityreport::FormatValue(stats.median, metric).c_str(),
                    qualityreport::FormatValue(stats.maximum, metric).c_str(),
                    Calc::GetIsInInternalUnits(metric) ? "  mm" : "");
    }
    int const bad = Calc::GetNumberOfBadTriangles(
        mesh.get(), qualityreport::FromDisplayUnits(options.threshold, options.metric), options.metric);
    std::printf("bad triangles: %d of %zu with %d %s < %g%s\n", bad, mesh->NumberOfTriangles(), int(options.metric),
                qualityreport::MetricName(options.metric), options.threshold,
                Calc::GetIsInInternalUnits(options.metric) ? " mm" : "");
    return 0;
}

CommandRegistration const registration{
    "quality", "[file.stl] [--metric <number|name>] [--threshold <value>]",
    "every quality metric by number and name (lengths in mm), and the number of triangles whose chosen metric "
    "(default 1 RadiusRatio) is below the threshold (default 0.3)",
    &RunQuality};

} // namespace
