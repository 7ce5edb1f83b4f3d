#pragma once
// Box measures and the tolerant comparison that the R*-tree's choices rest on.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>

#include "interfaces/MathCore.h"

namespace Zodara
{
namespace util
{
template <class T, std::size_t Dim>
double Volume(MBoundingBoxND<T, Dim> const& box)
{
    double volume = 1.0;
    for (std::size_t d = 0; d < Dim; ++d) volume *= double(box.GetCornerMax()[d]) - double(box.GetCornerMin()[d]);
    return volume;
}

template <class T, std::size_t Dim>
double Margin(MBoundingBoxND<T, Dim> const& box)
{
    double margin = 0.0;
    for (std::size_t d = 0; d < Dim; ++d) margin += double(box.GetCornerMax()[d]) - double(box.GetCornerMin()[d]);
    return margin;
}

// Volume of the intersection, 0 when the boxes are disjoint.
template <class T, std::size_t Dim>
double Overlap(MBoundingBoxND<T, Dim> const& a, MBoundingBoxND<T, Dim> const& b)
{
    double overlap = 1.0;
    for (std::size_t d = 0; d < Dim; ++d)
    {
        double const hi = std::min(double(a.GetCornerMax()[d]), double(b.GetCornerMax()[d]));
        double const lo = std::max(double(a.GetCornerMin()[d]), double(b.GetCornerMin()[d]));
        overlap *= std::max(0.0, hi - lo);
    }
    return overlap;
}

template <class T, std::size_t Dim>
MBoundingBoxND<T, Dim> United(MBoundingBoxND<T, Dim> box, MBoundingBoxND<T, Dim> const& other)
{
    box.Union(other);
    return box;
}

inline bool NearlyEqual(double a, double b)
{
    double const difference = std::fabs(a - b);
    return difference < 2.0 * DBL_EPSILON * std::fabs(a + b) || difference < DBL_MIN;
}

// Squared distance from a point to a box, 0 inside.
template <class T, std::size_t Dim>
double BoxDistanceSquared(MBoundingBoxND<T, Dim> const& box, MMVector<T, Dim> const& p)
{
    double sum = 0.0;
    for (std::size_t d = 0; d < Dim; ++d)
    {
        double const lo = box.GetCornerMin()[d], hi = box.GetCornerMax()[d], x = p[d];
        if (x < lo)
            sum += (lo - x) * (lo - x);
        else if (x > hi)
            sum += (x - hi) * (x - hi);
    }
    return sum;
}
} // namespace util
} // namespace Zodara
