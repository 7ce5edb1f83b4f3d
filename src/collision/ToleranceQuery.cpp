#include "collision/ToleranceQuery.h"

namespace MeshQueries
{

namespace
{

using Point = MMPoint3d<double>;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The grown box always contains the mapped triangle: truncation toward zero moves each bound by
// less than one unit.
M3DBoundingBox<long> _GrownIntegerBox(Point const vertices[3])
{
    M3DBoundingBox<double> box;
    for (int i = 0; i < 3; ++i) box.AddPoint(vertices[i]);
    M3DBoundingBox<long> grown;
    for (int k = 0; k < 3; ++k)
    {
        grown.min[k] = TruncateToInt32(box.min[k] - 1.0);
        grown.max[k] = TruncateToInt32(box.max[k] + 1.0);
    }
    return grown;
}

ToleranceQuery _MakeQuery(Point const original[3], Point const& normal, MMTransformMatrix const& mapping,
                          double tolerance, MStlCompact const* partRef)
{
    ToleranceQuery query;
    for (int i = 0; i < 3; ++i) query.vertices[i] = mapping.Transform(original[i], false);
    query.normal = mapping.Transform(normal, true);
    query.found = false;
    query.box = _GrownIntegerBox(query.vertices);
    query.tolerance = tolerance;
    query.partRef = partRef;
    return query;
}

double _Gap(double nodeMin, double nodeMax, double queryMin, double queryMax)
{
    if (nodeMin > queryMax) return nodeMin - queryMax;
    if (queryMin > nodeMax) return queryMin - nodeMax;
    return 0.0;
}

} // namespace

double ToleranceQuery::BoxDistance(M3DBoundingBox<double> const& nodeBox) const
{
    if (found) return kInfinity;
    double sum = 0.0;
    for (int k = 0; k < 3; ++k)
    {
        double const gap = _Gap(nodeBox.min[k], nodeBox.max[k], double(box.min[k]), double(box.max[k]));
        sum += gap * gap;
    }
    return sum;
}

double ToleranceQuery::ElementDistance(MStlTriangle const* triangle)
{
    if (found) return kInfinity;
    Point const other[3] = {triangle->GetVertex(0), triangle->GetVertex(1), triangle->GetVertex(2)};
    double const d = TriangleDistanceSqr(vertices, normal, other, triangle->GetNormal());
    if (tolerance * tolerance >= d) found = true;
    return d;
}

double ToleranceQuery::ElementDistance(std::size_t compactTriangle)
{
    // Without the compact mesh the index names nothing: rejected rather than dereferenced.
    if (found || !partRef) return kInfinity;
    MStlCompact::MTriangle const& t = partRef->GetTriangle(compactTriangle);
    Point other[3];
    for (int i = 0; i < 3; ++i)
    {
        MStlCompact::MVertex const& v = partRef->GetVertex(t.v[i]);
        other[i] = Point(double(v.x), double(v.y), double(v.z));
    }
    double const d = TriangleDistanceSqr(vertices, normal, other, CompactTriangleNormal(*partRef, compactTriangle));
    if (tolerance * tolerance >= d) found = true;
    return d;
}

ToleranceQuery MakeToleranceQuery(MStlTriangle const* triangle, MMTransformMatrix const& mapping, double tolerance,
                                  MStlCompact const* partRef)
{
    Point const original[3] = {triangle->GetVertex(0), triangle->GetVertex(1), triangle->GetVertex(2)};
    return _MakeQuery(original, triangle->GetNormal(), mapping, tolerance, partRef);
}

ToleranceQuery MakeToleranceQuery(MStlCompact const& queryPart, std::size_t triangle, MMTransformMatrix const& mapping,
                                  double tolerance, MStlCompact const* partRef)
{
    MStlCompact::MTriangle const& t = queryPart.GetTriangle(triangle);
    Point original[3];
    for (int i = 0; i < 3; ++i)
    {
        MStlCompact::MVertex const& v = queryPart.GetVertex(t.v[i]);
        original[i] = Point(double(v.x), double(v.y), double(v.z));
    }
    return _MakeQuery(original, CompactTriangleNormal(queryPart, triangle), mapping, tolerance, partRef);
}

} // namespace MeshQueries
