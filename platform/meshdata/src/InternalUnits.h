#pragma once
// Turning millimetre values of mesh files into integer internal units, and the complaints when a
// value cannot be turned.
#include "meshdata/StlIO.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace MeshFiles
{
[[noreturn]] inline void Fail(std::string const& name, std::string const& problem)
{
    throw MStlFileError(name + ": " + problem);
}

inline void RequireValidScale(double unitsPerMillimetre)
{
    if (!(std::isfinite(unitsPerMillimetre) && unitsPerMillimetre > 0.0))
        throw std::invalid_argument("i_unitsPerMillimetre must be a positive finite number");
}

// Rounds half away from zero; false when the value is not finite or does not fit 32 bits.
inline bool RoundToInt32(double v, std::int32_t& out)
{
    if (!(v > -2147483648.5 && v < 2147483647.5)) return false;
    std::int64_t i = std::int64_t(v); // truncation; v - i is exact at this magnitude
    double const fraction = v - double(i);
    if (fraction >= 0.5)
        ++i;
    else if (fraction <= -0.5)
        --i;
    out = std::int32_t(i);
    return true;
}

// Rounds N values at once, half away from zero, without branches (so that the compiler may keep
// them in vector registers); false when any is not finite or does not fit 32 bits, and then out is
// undefined.
template <int N>
inline bool RoundAllToInt32(double const (&v)[N], std::int32_t (&out)[N])
{
    bool fits = true;
    for (int k = 0; k < N; ++k) fits &= (v[k] > -2147483648.5) & (v[k] < 2147483647.5);
    if (!fits) return false;
    for (int k = 0; k < N; ++k)
    {
        std::int32_t const truncated = std::int32_t(v[k]);
        double const fraction = v[k] - double(truncated);
        out[k] = truncated + std::int32_t(fraction >= 0.5) - std::int32_t(fraction <= -0.5);
    }
    return true;
}

inline std::string DescribeNumber(double v)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.9g", v);
    return buffer;
}

// Scales one value in millimetres (what: "coordinate", "diameter") to internal units, or refuses
// the file saying where and why.
inline std::int32_t ToInternalUnits(std::string const& name, std::string const& where, char const* what,
                                    double millimetres, double unitsPerMillimetre)
{
    std::int32_t out;
    if (RoundToInt32(millimetres * unitsPerMillimetre, out)) return out;
    if (std::isnan(millimetres)) Fail(name, where + ": " + what + " is NaN");
    if (std::isinf(millimetres)) Fail(name, where + ": " + what + " is infinite");
    Fail(name, where + ": " + what + " " + DescribeNumber(millimetres) +
                   " mm lies beyond the 32-bit range of internal units at " + DescribeNumber(unitsPerMillimetre) +
                   " units per mm");
}
} // namespace MeshFiles
