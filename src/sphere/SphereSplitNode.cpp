#include "sphere/SphereSplitNode.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sphere/SphereGeometry.h"

namespace {

// Directions this far outside an edge still count as inside, so that points on a shared edge
// belong to both cells despite rounding.
constexpr double kEdgeTolerance = 1.4901161193847656e-8;
constexpr double kPi = 3.141592653589793;

}  // namespace

SphereSplitNode::SphereSplitNode(Point const& a, Point const& b, Point const& c, int depth)
    : m_corners{SphereGeometry::UnitOrZero(a), SphereGeometry::UnitOrZero(b), SphereGeometry::UnitOrZero(c)}
{
    _PrepareEdges();
    m_unitCentroid = SphereGeometry::UnitOrZero((m_corners[0] + m_corners[1] + m_corners[2]) / 3.0);
    if (depth >= 1) _BuildChildren(depth - 1);
}

void SphereSplitNode::_PrepareEdges()
{
    for (int k = 0; k < 3; ++k) {
        Point const& from = m_corners[k];
        Point const& to = m_corners[(k + 1) % 3];
        Point const& opposite = m_corners[(k + 2) % 3];
        Point const normal = SphereGeometry::UnitOrZero(from.Cross(to));
        double const side = normal.Dot(opposite) >= 0.0 ? 1.0 : -1.0;
        m_edgeNormals[k] = normal;
        m_inwardEdgeNormals[k] = normal * side;
        m_edgeCornerCosines[k] = from.Dot(to);
    }
}

void SphereSplitNode::_BuildChildren(int depth)
{
    Point const* c = m_corners.data();
    for (int k = 0; k < 3; ++k) {
        Point const& next = c[(k + 1) % 3];
        Point const& afterNext = c[(k + 2) % 3];
        m_children[k] = std::make_unique<SphereSplitNode>(c[k], (c[k] + next) / 2.0, (c[k] + afterNext) / 2.0, depth);
    }
    m_children[3] = std::make_unique<SphereSplitNode>((c[0] + c[1]) / 2.0, (c[1] + c[2]) / 2.0, (c[0] + c[2]) / 2.0, depth);
}

bool SphereSplitNode::Contains(Point const& unitDirection) const
{
    for (Point const& inward : m_inwardEdgeNormals)
        if (inward.Dot(unitDirection) < -kEdgeTolerance) return false;
    return true;
}

double SphereSplitNode::_LargestEdgeCosine(int edge, Point const& direction) const
{
    Point const& normal = m_edgeNormals[edge];
    if (normal.x == 0.0 && normal.y == 0.0 && normal.z == 0.0) return -std::numeric_limits<double>::infinity();
    // The nearest point of the great circle is the direction's projection onto the circle's
    // plane; it counts only when it falls on the short arc between the edge's corners.
    double const cosineFrom = direction.Dot(m_corners[edge]);
    double const cosineTo = direction.Dot(m_corners[(edge + 1) % 3]);
    double const cornerCosine = m_edgeCornerCosines[edge];
    if (cosineTo - cornerCosine * cosineFrom < 0.0 || cosineFrom - cornerCosine * cosineTo < 0.0)
        return -std::numeric_limits<double>::infinity();
    double const offPlane = direction.Dot(normal);
    return std::sqrt(std::max(0.0, direction.LengthSquared() - offPlane * offPlane));
}

double SphereSplitNode::LargestCosine(Point const& direction) const
{
    if (Contains(direction)) return 1.0;
    double best = std::max({direction.Dot(m_corners[0]), direction.Dot(m_corners[1]), direction.Dot(m_corners[2])});
    for (int k = 0; k < 3; ++k) best = std::max(best, _LargestEdgeCosine(k, direction));
    // Rounding must not report a cosine above 1 for a direction outside the cell.
    return std::min(best, 1.0);
}

bool SphereSplitNode::AddPointValue(Point const& unitDirection, double value)
{
    if (!Contains(unitDirection)) return false;
    m_value += value;
    if (IsLeaf()) return true;
    for (auto const& child : m_children)
        if (child->AddPointValue(unitDirection, value)) return true;
    return false;
}

double SphereSplitNode::GetCapValue(Point const& unitDirection, double cosine) const
{
    if (LeastCosine(unitDirection) >= cosine) return m_value;
    if (LargestCosine(unitDirection) < cosine) return 0.0;
    if (IsLeaf()) return m_unitCentroid.Dot(unitDirection) >= cosine ? m_value : 0.0;
    double sum = 0.0;
    for (auto const& child : m_children) sum += child->GetCapValue(unitDirection, cosine);
    return sum;
}

double SphereSplitNode::GetMaxLeafAngleDegrees() const
{
    if (IsLeaf()) {
        double const cosine = std::clamp(LeastCosine(m_unitCentroid), -1.0, 1.0);
        return std::acos(cosine) * 180.0 / kPi;
    }
    double largest = 0.0;
    for (auto const& child : m_children) largest = std::max(largest, child->GetMaxLeafAngleDegrees());
    return largest;
}

void SphereSplitNode::AppendLeafCentroids(std::vector<Point>& centroids) const
{
    if (IsLeaf()) {
        centroids.push_back(m_unitCentroid);
        return;
    }
    for (auto const& child : m_children) child->AppendLeafCentroids(centroids);
}
