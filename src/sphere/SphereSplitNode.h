#pragma once

#include <array>
#include <memory>
#include <vector>

#include "interfaces/MathCore.h"

// One spherical triangle of the direction value tree: three unit corners, either four children or
// none, and the sum of the values added at directions inside it.
class SphereSplitNode
{
public:
    using Point = MMPoint3d<double>;

    // Corners are normalised here (a zero corner stays zero); depth > 0 builds the four children.
    SphereSplitNode(Point const& a, Point const& b, Point const& c, int depth);

    SphereSplitNode(SphereSplitNode const&) = delete;
    SphereSplitNode& operator=(SphereSplitNode const&) = delete;

    bool IsLeaf() const { return !m_children[0]; }
    SphereSplitNode const& GetChild(int k) const { return *m_children[k]; }
    Point const& GetCorner(int k) const { return m_corners[k]; }
    Point const& GetUnitCentroid() const { return m_unitCentroid; }
    double GetValue() const { return m_value; }

    // Edges are widened by a small tolerance, so a direction on a shared edge lies in both cells.
    bool Contains(Point const& unitDirection) const;

    // Largest cosine between a direction and any point of the cell (1 when inside).
    double LargestCosine(Point const& direction) const;
    double LeastCosine(Point const& direction) const { return -LargestCosine(-direction); }

    // Adds the value along the first path of nested cells that contains the direction; false when
    // no leaf below accepted it (the value stays added to the cells that contained it).
    bool AddPointValue(Point const& unitDirection, double value);

    double GetCapValue(Point const& unitDirection, double cosine) const;
    double GetMaxLeafAngleDegrees() const;
    void AppendLeafCentroids(std::vector<Point>& centroids) const;

private:
    void _PrepareEdges();
    void _BuildChildren(int depth);
    double _LargestEdgeCosine(int edge, Point const& direction) const;

    std::array<Point, 3> m_corners;
    // Normal of the great circle of edge k (corner k to k+1), turned toward the opposite corner.
    std::array<Point, 3> m_inwardEdgeNormals;
    // Unit normal of corner k cross corner k+1, and the cosine between those two corners.
    std::array<Point, 3> m_edgeNormals;
    std::array<double, 3> m_edgeCornerCosines;
    Point m_unitCentroid;
    std::array<std::unique_ptr<SphereSplitNode>, 4> m_children;
    double m_value = 0.0;
};
