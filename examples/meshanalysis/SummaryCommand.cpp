// meshanalysis summary [file.stl]: size, extent and a few quality figures of a part.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
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

int RunSummary(std::vector<std::string> const& args)
{
    if (args.size() > 1) throw UsageError("expected at most one STL file");
    if (!args.empty() && args.front().size() > 1 && args.front()[0] == '-')
        throw UsageError("unknown option '" + args.front() + "'");
    std::string const path = args.empty() ? std::string() : args.front();
    auto const mesh = LoadPartArgument(path);

    qualityreport::PrintPartHeader(PartArgumentName(path), *mesh);
    std::printf("%-3s %-22s %12s %12s %10s  %s\n", "no", "metric", "minimum", "median", "below", "threshold");
    for (auto const& m : kSummaryMetrics)
    {
        auto const stats = qualityreport::ComputeStatistics(*mesh, m.metric);
        int const bad =
            Calc::GetNumberOfBadTriangles(mesh.get(), qualityreport::FromDisplayUnits(m.threshold, m.metric), m.metric);
        std::printf("%-3d %-22s %12s %12s %10d  < %g%s\n", int(m.metric), qualityreport::MetricName(m.metric),
                    qualityreport::FormatValue(stats.minimum, m.metric).c_str(),
                    qualityreport::FormatValue(stats.median, m.metric).c_str(), bad, m.threshold,
                    Calc::GetIsInInternalUnits(m.metric) ? " mm" : "");
    }
    return 0;
}

CommandRegistration const registration{"summary", "[file.stl]",
                                       "triangle count, bounding box and a few quality figures (the default command; "
                                       "without a file, the built-in sample part)",
                                       &RunSummary};

} // namespace
