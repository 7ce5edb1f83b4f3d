// Shape metrics of three corner points. Every formula reads only its input, so any number of
// threads may evaluate them at once.
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "quality/MTriangleQualityCalculator.h"

namespace Zodara
{
namespace Rudizidov
{

namespace
{

using Point = MMPoint3d<double>;
using Calc = MTriangleQualityCalculator;

constexpr double kPi = 3.141592653589793;
constexpr double kThirdOfPi = 1.0471975511965976;
constexpr double kTwoThirdsOfPi = 2.0943951023931953;
constexpr double kTwoThirdsOfPiForSkew = 2.0943951023931957;
constexpr double kSqrt3 = 1.7320508075688772;
constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kShortestAngleSide = 1.4901161193847656e-8;
constexpr double kShortestUnitEdge = 1.0;

// Limits v to [lo, hi]; a NaN ends at lo, the worst end of every range it is used for.
inline double Clamp(double v, double lo, double hi) { return v > lo ? (v < hi ? v : hi) : lo; }

// The three edge lengths a = |P1-P0|, b = |P2-P0|, c = |P1-P2|.
struct Edges
{
    double a, b, c;

    explicit Edges(Point const* p) : a((p[1] - p[0]).Length()), b((p[2] - p[0]).Length()), c((p[1] - p[2]).Length()) {}
    double Shortest() const { return std::min({a, b, c}); }
    double Longest() const { return std::max({a, b, c}); }
    double SemiPerimeter() const { return 0.5 * (a + b + c); }
    bool AnyShorterThanUnit() const { return a < kShortestUnitEdge || b < kShortestUnitEdge || c < kShortestUnitEdge; }
    // s(s-a)(s-b)(s-c), the squared area by Heron; may be slightly negative for flat triangles.
    double HeronProduct() const
    {
        double const s = SemiPerimeter();
        return s * (s - a) * (s - b) * (s - c);
    }
    double HeronArea() const { return std::sqrt(std::max(0.0, HeronProduct())); }
};

// Corner k has the sides P(k+1)-Pk and P(k+2)-Pk.
struct Corners
{
    Point u[3], v[3];

    explicit Corners(Point const* p)
    {
        for (int k = 0; k < 3; ++k)
        {
            u[k] = p[(k + 1) % 3] - p[k];
            v[k] = p[(k + 2) % 3] - p[k];
        }
    }
    double Cosine(int k) const { return u[k].Dot(v[k]) / (u[k].Length() * v[k].Length()); }
    bool AnySideTooShortForAnAngle() const
    {
        for (int k = 0; k < 3; ++k)
            if (u[k].Length() < kShortestAngleSide || v[k].Length() < kShortestAngleSide) return true;
        return false;
    }
    // The cosine of the smallest angle. Cosines that are not numbers (a side of length 0) are
    // skipped, so coincident corners keep the start value -1.
    double LargestCosine() const
    {
        double c = -1.0;
        for (int k = 0; k < 3; ++k)
        {
            double const ck = Cosine(k);
            if (ck > c) c = ck;
        }
        return Clamp(c, -1.0, 1.0);
    }
    // The cosine of the largest angle.
    double LeastCosine() const
    {
        double c = 1.0;
        for (int k = 0; k < 3; ++k)
        {
            double const ck = Cosine(k);
            if (ck < c) c = ck;
        }
        return Clamp(c, -1.0, 1.0);
    }
};

// Length that neither overflows nor underflows: the vector is scaled by its largest component.
double ScaledLength(Point const& p)
{
    double const m = std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    if (m == 0.0) return 0.0;
    return m * (p / m).Length();
}

double CrossProductArea(Point const* p) { return 0.5 * (p[1] - p[0]).Cross(p[2] - p[0]).Length(); }

double RadiusRatioOf(Point const* p)
{
    Edges const e(p);
    if (e.AnyShorterThanUnit()) return 0.0;
    double const s = e.SemiPerimeter();
    return Clamp(8.0 * (s - e.a) * (s - e.b) * (s - e.c) / (e.a * e.b * e.c), 0.0, 1.0);
}

double ShortestOverLongestEdge(Point const* p)
{
    Edges const e(p);
    double const longest = e.Longest();
    return longest > 0.0 ? e.Shortest() / longest : 0.0;
}

double HeightRatioOf(Point const* p)
{
    Edges const e(p);
    if (e.AnyShorterThanUnit()) return 0.0;
    double const longest = e.Longest();
    return Clamp((4.0 / kSqrt3) * e.HeronArea() / longest / longest, 0.0, 1.0);
}

double HeightToMaxEdgeOf(Point const* p) { return Clamp(HeightRatioOf(p) * kSqrt3 * 0.5, 0.0, kSqrt3 * 0.5); }

// Distance of P2 from the circle of places that make the triangle equilateral over edge P0P1.
double ApexDistanceOf(Point const* p)
{
    Point d = p[0] - p[1];
    double const length = d.Length();
    Point const middle = (p[0] + p[1]) * 0.5;
    if (length > 0.0) d /= length;
    Point const toApex = p[2] - middle;
    double const t = toApex.Dot(d);
    double const h = (toApex - d * t).Length();
    double const off = h - length * kSqrt3 * 0.5;
    return std::sqrt(off * off + t * t);
}

double CircumcircleAreaRatioOf(Point const* p)
{
    Edges const e(p);
    if (e.AnyShorterThanUnit()) return 0.0;
    double const x = e.HeronProduct();
    if (x <= 0.0) return 0.0;
    double const area = std::sqrt(x);
    double const circumradius = e.a * e.b * e.c / (4.0 * area);
    return Clamp(area / (3.0 * kSqrt3 * circumradius * circumradius / 4.0), 0.0, 1.0);
}

double MinAngleRatioOf(Point const* p) { return Clamp(std::acos(Corners(p).LargestCosine()) / kThirdOfPi, 0.0, 1.0); }

double MaxAngleRatioOf(Point const* p)
{
    Corners const corners(p);
    if (corners.AnySideTooShortForAnAngle()) return 0.0;
    return Clamp((kPi - std::acos(corners.LeastCosine())) / kTwoThirdsOfPi, 0.0, 1.0);
}

double MinAngleOf(Point const* p) { return std::max(std::acos(Corners(p).LargestCosine()), 0.0) * kDegreesPerRadian; }

double MaxAngleOf(Point const* p)
{
    Corners const corners(p);
    if (corners.AnySideTooShortForAnAngle()) return 0.0;
    return Clamp(std::acos(corners.LeastCosine()), 0.0, kPi) * kDegreesPerRadian;
}

double MinHeightOf(Point const* p)
{
    Edges const e(p);
    if (e.AnyShorterThanUnit()) return 0.0;
    return std::max(2.0 * e.HeronArea() / e.Longest(), 0.0);
}

double AngleRatioOf(Point const* p)
{
    Corners const corners(p);
    if (corners.AnySideTooShortForAnAngle()) return 0.0;
    return Clamp(std::acos(corners.LargestCosine()) / std::acos(corners.LeastCosine()), 0.0, 1.0);
}

double EquiangleSkewOf(Point const* p)
{
    Corners const corners(p);
    if (corners.AnySideTooShortForAnAngle()) return 0.0;
    double const largestAngle = std::acos(corners.LeastCosine());
    double const smallestAngle = std::acos(corners.LargestCosine());
    double const overshoot = (largestAngle - kThirdOfPi) / kTwoThirdsOfPiForSkew;
    double const undershoot = (kThirdOfPi - smallestAngle) / kThirdOfPi;
    return Clamp(overshoot > undershoot ? 1.0 - overshoot : 1.0 - undershoot, 0.0, 1.0);
}

double CircumradiusAreaRatioOf(Point const* p)
{
    Edges const e(p);
    double const area = CrossProductArea(p);
    // Flat triangles have an infinite circumradius; their ratio is the limit 0.
    if (!(area > 0.0)) return 0.0;
    double const scaledCircumradius = 1.5 * e.a * e.b * e.c / (4.0 * area);
    return area / (scaledCircumradius * scaledCircumradius / kSqrt3);
}

double EdgeSquaresAreaRatioOf(Point const* p)
{
    Edges const e(p);
    double const squares = e.a * e.a + e.b * e.b + e.c * e.c;
    if (!(squares > 0.0)) return 0.0;
    return CrossProductArea(p) * 6.92820323 / squares;
}

// Least cosine, over the edges, between the edge's outward in-plane normal and the direction
// from the centroid to the edge's midpoint.
double CentroidDeviationOf(Point const* p)
{
    Point const centroid = (p[0] + p[1] + p[2]) / 3.0;
    Point normal = (p[1] - p[0]).Cross(p[2] - p[0]);
    double const normalLength = normal.Length();
    if (normalLength > 0.0) normal /= normalLength;
    double least = HUGE_VAL;
    for (int k = 0; k < 3; ++k)
    {
        Point const& from = p[k];
        Point const& to = p[(k + 1) % 3];
        Point const outward = normal.Cross(from - to);
        Point const toMiddle = (from + to) * 0.5 - centroid;
        double const lengths = ScaledLength(outward) * ScaledLength(toMiddle);
        // A flat or collapsed triangle has no outward direction; it scores the worst.
        double const cosine = lengths > 0.0 ? outward.Dot(toMiddle) / lengths : 0.0;
        least = std::min(least, cosine);
    }
    return least;
}

double AspectRatioOf(Point const* p)
{
    double const a2 = (p[1] - p[0]).LengthSquared();
    double const b2 = (p[2] - p[0]).LengthSquared();
    double const c2 = (p[1] - p[2]).LengthSquared();
    double const shortest = std::sqrt(std::min({a2, b2, c2}));
    // An edge of length 0 makes the triangle infinitely stretched, coincident corners included.
    if (!(shortest > 0.0)) return HUGE_VAL;
    return std::sqrt(std::max({a2, b2, c2})) / shortest;
}

} // namespace

double MTriangleQualityCalculator::Rin(MMPoint3d<double> const* const ip_points)
{
    Edges const e(ip_points);
    double const s = e.SemiPerimeter();
    if (!(s > 0.0)) return 0.0;
    return std::sqrt(std::max(0.0, (s - e.a) * (s - e.b) * (s - e.c) / s));
}

double MTriangleQualityCalculator::GetTriangleShapeQuality(MMPoint3d<double> const* const ip_points,
                                                           MetricType i_metric)
{
    if (!ip_points) throw std::invalid_argument("ip_points");
    Point const* const p = ip_points;
    switch (i_metric)
    {
    case RadiusRatio: return RadiusRatioOf(p);
    case EdgeRatio: return ShortestOverLongestEdge(p);
    case HeightRatio: return HeightRatioOf(p);
    case HeightToMaxEdge: return HeightToMaxEdgeOf(p);
    case ApexDistance: return ApexDistanceOf(p);
    case CircumcircleAreaRatio: return CircumcircleAreaRatioOf(p);
    case MinAngleRatio: return MinAngleRatioOf(p);
    case MaxAngleRatio: return MaxAngleRatioOf(p);
    case MinAngle: return MinAngleOf(p);
    case MaxAngle: return MaxAngleOf(p);
    case MinHeight: return MinHeightOf(p);
    case MinEdge: return Edges(p).Shortest();
    case AngleRatio: return AngleRatioOf(p);
    case MinMaxEdgeRatio: return ShortestOverLongestEdge(p);
    case EquiangleSkew: return EquiangleSkewOf(p);
    case MaxEdge: return Edges(p).Longest();
    case InradiusRatio:
    {
        double const longest = Edges(p).Longest();
        return longest > 0.0 ? Rin(p) * 3.4641016151377544 / longest : 0.0;
    }
    case CircumradiusAreaRatio: return CircumradiusAreaRatioOf(p);
    case EdgeSquaresAreaRatio: return EdgeSquaresAreaRatioOf(p);
    case CentroidDeviation: return CentroidDeviationOf(p);
    case AspectRatio: return AspectRatioOf(p);
    default: return 0.0;
    }
}

double MTriangleQualityCalculator::GetTriangleShapeQuality(MTriangle3D<MMPoint3d<double>> const& i_triangle,
                                                           MetricType i_metric)
{
    return GetTriangleShapeQuality(i_triangle.p, i_metric);
}

} // namespace Rudizidov
} // namespace Zodara
