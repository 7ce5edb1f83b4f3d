// meshanalysis thickness: wall thickness of a part as a histogram in millimetres, the share of the
// surface area whose wall is thinner than a given minimum, and optionally every triangle's value.
#include "Command.h"
#include "InterruptibleProgress.h"
#include "SamplePart.h"
#include "thickness/MUserOperatorWallThickness.h"
#include <algorithm>
#include <cstdio>
#include <fstream>
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
    std::string csvPath;
};

double PositiveNumber(std::string const& option, std::string const& text)
{
    std::size_t used = 0;
    double value = 0.0;
    try
    {
        value = std::stod(text, &used);
    }
    catch (std::exception const&)
    {
        used = 0;
    }
    if (used != text.size() || !(value >= 0.0) || value > 1e6)
        throw UsageError(option + ": not a length: '" + text + "'");
    return value;
}

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
            o.minMm = PositiveNumber(a, value());
        else if (a == "--max")
            o.maxMm = PositiveNumber(a, value());
        else if (a == "--below")
            o.belowMm = PositiveNumber(a, value());
        else if (a == "--bins")
        {
            double const bins = PositiveNumber(a, value());
            if (bins < 1 || bins > 100 || bins != int(bins)) throw UsageError("--bins: a whole number from 1 to 100");
            o.bins = int(bins);
        }
        else if (a == "--csv")
            o.csvPath = value();
        else if (!a.empty() && a[0] == '-')
            throw UsageError("unknown option " + a);
        else if (o.path.empty())
            o.path = a;
        else
            throw UsageError("more than one file given");
    }
    if (!(o.minMm < o.maxMm)) throw UsageError("--min must be below --max");
    return o;
}

void PrintHistogram(std::vector<MStlTriangle const*> const& triangles, MDataMask<MStlTriangle, float> const& values,
                    ThicknessOptions const& o, double totalArea)
{
    std::vector<double> area(std::size_t(o.bins), 0.0);
    std::vector<std::size_t> count(std::size_t(o.bins), 0);
    double const width = (o.maxMm - o.minMm) / o.bins;
    for (MStlTriangle const* t : triangles)
    {
        double const mm = values.GetInfo(t) / kUnitsPerMm;
        int const bin = std::min(o.bins - 1, std::max(0, int((mm - o.minMm) / width)));
        area[std::size_t(bin)] += t->SurfaceArea();
        ++count[std::size_t(bin)];
    }
    std::printf("%-19s %10s %8s\n", "thickness (mm)", "triangles", "area");
    for (int b = 0; b < o.bins; ++b)
    {
        double const share = totalArea > 0 ? area[std::size_t(b)] / totalArea : 0.0;
        std::string const bar(std::size_t(share * 40.0 + 0.5), '#');
        std::printf("%7.3f .. %-7.3f %10zu %7.1f%% %s\n", o.minMm + b * width, o.minMm + (b + 1) * width,
                    count[std::size_t(b)], 100.0 * share, bar.c_str());
    }
}

void WriteCsv(std::string const& path, std::vector<MStlTriangle const*> const& triangles,
              MDataMask<MStlTriangle, float> const& values)
{
    std::ofstream out(path);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << "triangle,thickness_mm\n";
    for (MStlTriangle const* t : triangles)
        out << t->GetElementIndex() << "," << values.GetInfo(t) / kUnitsPerMm << "\n";
    if (!out) throw std::runtime_error("cannot write " + path);
}

int RunThickness(std::vector<std::string> const& args)
{
    ThicknessOptions const o = ParseOptions(args);
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
    InterruptRequest const interrupts;
    op.SetProgressDelegate(std::make_shared<TerminalProgressDelegate>("measuring"));
    MUserOperatorWallThickness::EReturnCode const result = op.Operate();

    std::size_t measured = 0;
    for (MStlTriangle const* t : triangles) measured += values.GetInfo(t) != notMeasured;
    if (result == MUserOperatorWallThickness::eCancelled)
    {
        std::printf("stopped: %zu of %zu triangles measured\n", measured, triangles.size());
        return 130;
    }

    double totalArea = 0.0, thinArea = 0.0;
    for (MStlTriangle const* t : triangles)
    {
        double const area = t->SurfaceArea();
        totalArea += area;
        if (values.GetInfo(t) / kUnitsPerMm < o.belowMm) thinArea += area;
    }
    std::printf("part: %s, %zu triangles, %.2f mm^2\n", PartArgumentName(o.path).c_str(), triangles.size(),
                totalArea / (kUnitsPerMm * kUnitsPerMm));
    std::printf("wall thickness, clamped to %.3f .. %.3f mm:\n", o.minMm, o.maxMm);
    PrintHistogram(triangles, values, o, totalArea);
    std::printf("area thinner than %.3f mm: %.2f%%\n", o.belowMm, totalArea > 0 ? 100.0 * thinArea / totalArea : 0.0);
    if (!o.csvPath.empty())
    {
        WriteCsv(o.csvPath, triangles, values);
        std::printf("per-triangle values written to %s\n", o.csvPath.c_str());
    }
    return 0;
}

CommandRegistration const registration{
    "thickness", "[file.stl] [--min MM] [--max MM] [--below MM] [--bins N] [--csv FILE]",
    "wall thickness histogram in mm and the share of area thinner than --below (default 1 mm)", &RunThickness};
} // namespace
