#include "visual/ColourMap.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace visual
{
namespace
{
using Triple = std::array<double, 3>;

double SrgbToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double LinearToSrgb(double c) { return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055; }

// The OKLab transform: linear sRGB to an opponent space whose distances follow perceived ones.
Triple ToOkLab(Triple const& srgb)
{
    double const r = SrgbToLinear(srgb[0]), g = SrgbToLinear(srgb[1]), b = SrgbToLinear(srgb[2]);
    double const l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    double const m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    double const s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

Triple FromOkLab(Triple const& lab)
{
    double const l = std::pow(lab[0] + 0.3963377774 * lab[1] + 0.2158037573 * lab[2], 3.0);
    double const m = std::pow(lab[0] - 0.1055613458 * lab[1] - 0.0638541728 * lab[2], 3.0);
    double const s = std::pow(lab[0] - 0.0894841775 * lab[1] - 1.2914855480 * lab[2], 3.0);
    return {LinearToSrgb(4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s),
            LinearToSrgb(-1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s),
            LinearToSrgb(-0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s)};
}

std::uint8_t ToByte(double c) { return std::uint8_t(std::lround(std::clamp(c, 0.0, 1.0) * 255.0)); }

// Anchors at even steps of t, chosen with lightness rising in even steps (OKLab L about 0.33, 0.55,
// 0.75, 0.94): dark crimson, red, orange, pale yellow.
std::array<Triple, 4> const kAnchorsSrgb{
    {{0.36, 0.04, 0.12}, {0.75, 0.22, 0.17}, {0.95, 0.61, 0.07}, {0.98, 0.91, 0.65}}};

// 256 entries, computed once: the map is looked up per face of large meshes.
std::array<Rgb8, 256> BuildTable()
{
    std::array<Triple, 4> lab;
    for (std::size_t i = 0; i < lab.size(); ++i) lab[i] = ToOkLab(kAnchorsSrgb[i]);
    std::array<Rgb8, 256> table;
    for (std::size_t i = 0; i < table.size(); ++i)
    {
        double const t = double(i) / 255.0 * double(lab.size() - 1);
        std::size_t const k = std::min<std::size_t>(std::size_t(t), lab.size() - 2);
        double const f = t - double(k);
        Triple mixed;
        for (int c = 0; c < 3; ++c) mixed[c] = lab[k][c] + (lab[k + 1][c] - lab[k][c]) * f;
        Triple const srgb = FromOkLab(mixed);
        table[i] = {ToByte(srgb[0]), ToByte(srgb[1]), ToByte(srgb[2])};
    }
    return table;
}
} // namespace

Rgb8 HeatColour(double t)
{
    static std::array<Rgb8, 256> const table = BuildTable();
    if (!(t > 0.0)) return table.front();
    if (t >= 1.0) return table.back();
    return table[std::size_t(std::lround(t * 255.0))];
}
} // namespace visual
