#pragma once
// The colour map of the pictures and exports: a sequential heat map from dark red (low) through red
// and orange to pale yellow (high). Its lightness rises evenly from end to end (it is interpolated
// in the OKLab perceptual colour space), so that equal steps of value look like equal steps of
// colour and the order still reads in grey. Low values are the ones that need attention: thin walls,
// colliding faces, poor triangles.
#include <cstdint>

namespace visual
{
struct Rgb8
{
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(Rgb8 const& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(Rgb8 const& o) const { return !(*this == o); }
};

// t from 0 (low end) to 1 (high end); values outside are clamped, NaN gives the low end.
Rgb8 HeatColour(double t);

// Faces without a value (not measured) are drawn in a neutral grey outside the map.
constexpr Rgb8 kNoValueColour{150, 150, 150};
} // namespace visual
