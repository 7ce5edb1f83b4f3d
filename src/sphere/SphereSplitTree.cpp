#include "sphere/SphereSplitTree.h"

#include <array>
#include <cmath>

#include "sphere/detail/SphereGeometry.h"

namespace
{

using Point = MMPoint3d<double>;

std::array<Point, 12> IcosahedronVertices()
{
    double const phi = (1.0 + std::sqrt(5.0)) * 0.5;
    std::array<Point, 12> vertices;
    std::size_t next = 0;
    for (double s1 : {-1.0, 1.0})
    {
        for (double s2 : {-1.0, 1.0})
        {
            vertices[next++] = Point(0.0, s1, s2 * phi);
            vertices[next++] = Point(s1, s2 * phi, 0.0);
            vertices[next++] = Point(s2 * phi, 0.0, s1);
        }
    }
    return vertices;
}

bool IsEdgeLength(double squaredLength, double referenceSquaredLength)
{
    return squaredLength > referenceSquaredLength - 0.01 && squaredLength < referenceSquaredLength + 0.01;
}

} // namespace

SphereSplitTree::SphereSplitTree(int depth)
{
    std::array<Point, 12> const v = IcosahedronVertices();
    double const edgeSquared = (v[0] - v[6]).LengthSquared();
    for (std::size_t i = 0; i < v.size(); ++i)
    {
        for (std::size_t j = i + 1; j < v.size(); ++j)
        {
            if (!IsEdgeLength((v[j] - v[i]).LengthSquared(), edgeSquared)) continue;
            for (std::size_t k = j + 1; k < v.size(); ++k)
            {
                if (!IsEdgeLength((v[k] - v[i]).LengthSquared(), edgeSquared) ||
                    !IsEdgeLength((v[k] - v[j]).LengthSquared(), edgeSquared))
                    continue;
                // Every root runs counter-clockwise seen from outside the sphere.
                bool const counterClockwise = (v[j] - v[i]).Cross(v[k] - v[j]).Dot(v[i]) > 0.0;
                if (counterClockwise)
                    m_roots.push_back(new SphereSplitNode(v[i], v[j], v[k], depth));
                else
                    m_roots.push_back(new SphereSplitNode(v[i], v[k], v[j], depth));
            }
        }
    }
}

SphereSplitTree::~SphereSplitTree() = default;

void SphereSplitTree::AddPointValue(MMPoint3d<double> const& direction, double value)
{
    Point const unitDirection = SphereGeometry::UnitOrZero(direction);
    for (SphereSplitNode& root : m_roots)
        if (root.AddPointValue(unitDirection, value)) return;
}

double SphereSplitTree::GetValue(MMPoint3d<double> const& direction, double cosine) const
{
    Point const unitDirection = SphereGeometry::UnitOrZero(direction);
    double sum = 0.0;
    for (SphereSplitNode const& root : m_roots) sum += root.GetCapValue(unitDirection, cosine);
    return sum;
}

double SphereSplitTree::GetMaxError() const { return m_roots.empty() ? 0.0 : m_roots.front().GetMaxLeafAngleDegrees(); }

void SphereSplitTree::GetUniformlyDistributedPoints(std::vector<MMPoint3d<double>>& points, int depth)
{
    points.clear();
    SphereSplitTree const tree(depth);
    for (SphereSplitNode const& root : tree.m_roots) root.AppendLeafCentroids(points);
}
