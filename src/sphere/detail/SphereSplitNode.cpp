#include "sphere/detail/SphereSplitNode.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sphere/detail/SphereGeometry.h"

namespace
{

// Directions this far outside an edge still count as inside, so that points on a shared edge
// belong to both cells despite rounding.
constexpr double kEdgeTolerance = 1.4901161193847656e-8;
constexpr double kPi = 3.141592653589793;

bool IsZero(MMPoint3d<double> const& v) { return v.x == 0.0 && v.y == 0.0 && v.z == 0.0; }

} // namespace

SphereSplitNode::SphereSplitNode(Point const& a, Point const& b, Point const& c, int depth)
{
    _Initialise(a, b, c, depth);
}

void SphereSplitNode::_Initialise(Point const& a, Point const& b, Point const& c, int depth)
{
    m_corners = {SphereGeometry::UnitOrZero(a), SphereGeometry::UnitOrZero(b), SphereGeometry::UnitOrZero(c)};
    _PrepareEdges();
    if (depth >= 1) _BuildChildren(depth - 1);
}

void SphereSplitNode::_BuildChildren(int depth)
{
    // One block keeps siblings together in memory, which searches visit side by side.
    m_children.reset(new SphereSplitNode[4]);
    Point const* c = m_corners.data();
    for (int k = 0; k < 3; ++k)
    {
        Point const& next = c[(k + 1) % 3];
        Point const& afterNext = c[(k + 2) % 3];
        m_children[k]._Initialise(c[k], (c[k] + next) / 2.0, (c[k] + afterNext) / 2.0, depth);
    }
    m_children[3]._Initialise((c[0] + c[1]) / 2.0, (c[1] + c[2]) / 2.0, (c[0] + c[2]) / 2.0, depth);
}

SphereSplitNode::Point SphereSplitNode::GetUnitCentroid() const
{
    return SphereGeometry::UnitOrZero((m_corners[0] + m_corners[1] + m_corners[2]) / 3.0);
}

void SphereSplitNode::_PrepareEdges()
{
    Edges& edges = m_edges;
    for (int k = 0; k < 3; ++k)
    {
        Point const& from = m_corners[k];
        Point const& to = m_corners[(k + 1) % 3];
        Point const& opposite = m_corners[(k + 2) % 3];
        edges.normal[k] = SphereGeometry::UnitOrZero(from.Cross(to));
        edges.side[k] = edges.normal[k].Dot(opposite) >= 0.0 ? 1.0 : -1.0;
        edges.cornerCosine[k] = from.Dot(to);
        edges.degenerate[k] = IsZero(edges.normal[k]);
    }
}

bool SphereSplitNode::Contains(Point const& unitDirection) const
{
    Edges const& edges = m_edges;
    for (int k = 0; k < 3; ++k)
        if (edges.side[k] * edges.normal[k].Dot(unitDirection) < -kEdgeTolerance) return false;
    return true;
}

SphereSplitNode::DirectionProducts SphereSplitNode::_Products(Edges const& edges, Point const& direction) const
{
    DirectionProducts products;
    for (int k = 0; k < 3; ++k)
    {
        products.corner[k] = direction.Dot(m_corners[k]);
        products.edgeNormal[k] = edges.normal[k].Dot(direction);
    }
    double const lengthSquared = direction.LengthSquared();
    for (int k = 0; k < 3; ++k)
        products.circleCosine[k] =
            std::sqrt(std::max(0.0, lengthSquared - products.edgeNormal[k] * products.edgeNormal[k]));
    return products;
}

double SphereSplitNode::_LargestEdgeCosine(int edge, Edges const& edges, DirectionProducts const& products, double sign)
{
    // The nearest point of the great circle is the direction's projection onto the circle's
    // plane; it counts only when it falls on the short arc between the edge's corners. Written
    // without branches: which way these tests go is unpredictable along a cap's boundary.
    double const cosineFrom = sign * products.corner[edge];
    double const cosineTo = sign * products.corner[(edge + 1) % 3];
    double const cornerCosine = edges.cornerCosine[edge];
    bool const onArc = !edges.degenerate[edge] & (cosineTo - cornerCosine * cosineFrom >= 0.0) &
                       (cosineFrom - cornerCosine * cosineTo >= 0.0);
    return onArc ? products.circleCosine[edge] : -std::numeric_limits<double>::infinity();
}

double SphereSplitNode::_LargestCosine(Edges const& edges, DirectionProducts const& products, double sign) const
{
    bool inside = true;
    for (int k = 0; k < 3; ++k)
        if (edges.side[k] * (sign * products.edgeNormal[k]) < -kEdgeTolerance) inside = false;
    if (inside) return 1.0;
    double best = std::max({sign * products.corner[0], sign * products.corner[1], sign * products.corner[2]});
    for (int k = 0; k < 3; ++k) best = std::max(best, _LargestEdgeCosine(k, edges, products, sign));
    // Rounding must not report a cosine above 1 for a direction outside the cell.
    return std::min(best, 1.0);
}

double SphereSplitNode::LargestCosine(Point const& direction) const
{
    Edges const& edges = m_edges;
    return _LargestCosine(edges, _Products(edges, direction), 1.0);
}

double SphereSplitNode::LeastCosine(Point const& direction) const
{
    Edges const& edges = m_edges;
    return -_LargestCosine(edges, _Products(edges, direction), -1.0);
}

bool SphereSplitNode::AddPointValue(Point const& unitDirection, double value)
{
    if (!Contains(unitDirection)) return false;
    m_value += value;
    if (IsLeaf()) return true;
    for (int k = 0; k < 4; ++k)
        if (m_children[k].AddPointValue(unitDirection, value)) return true;
    return false;
}

double SphereSplitNode::GetCapValue(Point const& unitDirection, double cosine) const
{
    Edges const& edges = m_edges;
    DirectionProducts const products = _Products(edges, unitDirection);
    if (-_LargestCosine(edges, products, -1.0) >= cosine) return m_value;
    if (_LargestCosine(edges, products, 1.0) < cosine) return 0.0;
    if (IsLeaf()) return GetUnitCentroid().Dot(unitDirection) >= cosine ? m_value : 0.0;
    double sum = 0.0;
    for (int k = 0; k < 4; ++k) sum += m_children[k].GetCapValue(unitDirection, cosine);
    return sum;
}

double SphereSplitNode::GetMaxLeafAngleDegrees() const
{
    if (IsLeaf())
    {
        double const cosine = std::clamp(LeastCosine(GetUnitCentroid()), -1.0, 1.0);
        return std::acos(cosine) * 180.0 / kPi;
    }
    double largest = 0.0;
    for (int k = 0; k < 4; ++k) largest = std::max(largest, m_children[k].GetMaxLeafAngleDegrees());
    return largest;
}

void SphereSplitNode::AppendLeafCentroids(std::vector<Point>& centroids) const
{
    if (IsLeaf())
    {
        centroids.push_back(GetUnitCentroid());
        return;
    }
    for (int k = 0; k < 4; ++k) m_children[k].AppendLeafCentroids(centroids);
}
