#include "mathcore/Intersections.h"

#include <algorithm>
#include <cmath>

namespace Intersections
{
namespace
{
// Along the segment, the radial distance from the axis is convex in t and the allowed radius is
// affine in t, so their difference is convex: its minimum decides whether the segment meets the cone.
struct ConeGap
{
    MMPoint3d<double> origin, direction, base, axis;
    double height, baseRadius, apexRadius;

    double Height(double t) const { return (origin + direction * t - base).Dot(axis); }
    double operator()(double t) const
    {
        MMPoint3d<double> const d = origin + direction * t - base;
        double const h = d.Dot(axis);
        double const radial = (d - axis * h).Length();
        return radial - (baseRadius + (apexRadius - baseRadius) * (h / height));
    }
};
} // namespace

bool LineSegment_Cone_Intersection(std::vector<MMPoint3d<double>>& points, double tMin, double tMax,
                                   MMPoint3d<double> const& origin, MMPoint3d<double> const& direction,
                                   MMPoint3d<double> const& baseCentre, MMPoint3d<double> const& apex,
                                   double baseRadius, double apexRadius)
{
    if (!(tMin <= tMax)) return false;
    MMPoint3d<double> axis = apex - baseCentre;
    double const height = axis.Length();
    if (!(height > 0)) return false;
    axis /= height;
    ConeGap const gap{origin, direction, baseCentre, axis, height, baseRadius, apexRadius};

    // Clip the parameter range to the slab 0 <= h <= height.
    double lo = tMin, hi = tMax;
    double const h0 = gap.Height(0.0), dh = direction.Dot(axis);
    if (dh == 0.0)
    {
        if (h0 < 0.0 || h0 > height) return false;
    }
    else
    {
        double ta = (0.0 - h0) / dh, tb = (height - h0) / dh;
        if (ta > tb) std::swap(ta, tb);
        lo = std::max(lo, ta);
        hi = std::min(hi, tb);
        if (lo > hi) return false;
    }

    // Golden-section search for the minimum of the convex gap.
    double a = lo, b = hi;
    double const g = 0.6180339887498949;
    double c = b - g * (b - a), d = a + g * (b - a);
    double fc = gap(c), fd = gap(d);
    for (int i = 0; i < 200 && (b - a) > 1e-12 * (1.0 + std::fabs(a) + std::fabs(b)); ++i)
    {
        if (fc < fd)
        {
            b = d;
            d = c;
            fd = fc;
            c = b - g * (b - a);
            fc = gap(c);
        }
        else
        {
            a = c;
            c = d;
            fc = fd;
            d = a + g * (b - a);
            fd = gap(d);
        }
    }
    double tBest = 0.5 * (a + b);
    double fBest = gap(tBest);
    for (double t : {lo, hi})
        if (gap(t) < fBest)
        {
            fBest = gap(t);
            tBest = t;
        }
    if (fBest > 0.0) return false;

    // Bisect for the entry and the exit of the cone on either side of the minimum.
    auto boundary = [&](double inside, double outside)
    {
        if (gap(outside) <= 0.0) return outside;
        for (int i = 0; i < 100; ++i)
        {
            double const m = 0.5 * (inside + outside);
            (gap(m) <= 0.0 ? inside : outside) = m;
        }
        return inside;
    };
    points.push_back(origin + direction * boundary(tBest, lo));
    points.push_back(origin + direction * boundary(tBest, hi));
    return true;
}
} // namespace Intersections
