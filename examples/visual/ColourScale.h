#pragma once
// How values become colours: a range of values spread over the colour map, with the caption and the
// tick labels that the picture's colour bar shows.
#include "visual/ColourMap.h"
#include <string>
#include <utility>
#include <vector>

namespace visual
{
struct ColourScale
{
    double low = 0.0;    // shown with the map's low end; values below are clamped
    double high = 1.0;   // shown with the map's high end; values above are clamped
    std::string caption; // names the value and its unit, for example "wall thickness (mm)"
    // Labels of the colour bar at given values. When empty, TickLabels chooses numbers.
    std::vector<std::pair<double, std::string>> labels;
    // The values are categories, one per label (for example hit and clear): the colour bar shows a
    // swatch of each label's colour instead of a gradient.
    bool categories = false;

    // 0 at low, 1 at high, clamped; 0 when the range is empty.
    double Position(double value) const;
    // The colour of a face with this value; kNoValueColour for NaN.
    Rgb8 ColourOf(double value) const;
};

// The scale's own labels, or `count` evenly spaced values from low to high printed with as many
// decimals as their spacing needs.
std::vector<std::pair<double, std::string>> TickLabels(ColourScale const& scale, int count);

// A number printed with `decimals` digits after the point.
std::string FormatFixed(double value, int decimals);
} // namespace visual
