#include "visual/ColourScale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace visual
{
double ColourScale::Position(double value) const
{
    if (!(high > low)) return 0.0;
    return std::clamp((value - low) / (high - low), 0.0, 1.0);
}

Rgb8 ColourScale::ColourOf(double value) const
{
    if (std::isnan(value)) return kNoValueColour;
    return HeatColour(Position(value));
}

std::string FormatFixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::clamp(decimals, 0, 12), value);
    return text;
}

std::vector<std::pair<double, std::string>> TickLabels(ColourScale const& scale, int count)
{
    if (!scale.labels.empty()) return scale.labels;
    std::vector<std::pair<double, std::string>> ticks;
    if (count < 2 || !(scale.high > scale.low))
    {
        ticks.emplace_back(scale.low, FormatFixed(scale.low, 3));
        return ticks;
    }
    double const step = (scale.high - scale.low) / (count - 1);
    // The fewest decimals that show the step exactly, and at most one more than its leading digit
    // needs, so that neighbouring labels always differ.
    int const most = std::max(0, 1 - int(std::floor(std::log10(step))));
    int decimals = 0;
    while (decimals < most)
    {
        double const scaled = step * std::pow(10.0, decimals);
        if (std::abs(scaled - std::round(scaled)) < 1e-9 * scaled) break;
        ++decimals;
    }
    for (int i = 0; i < count; ++i)
    {
        double const value = i + 1 == count ? scale.high : scale.low + step * i;
        ticks.emplace_back(value, FormatFixed(value, decimals));
    }
    return ticks;
}
} // namespace visual
