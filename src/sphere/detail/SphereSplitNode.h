#pragma once

#include <array>
#include <memory>
#include <vector>

#include "interfaces/MathCore.h"

// One spherical triangle of the direction value tree: three unit corners, either four children or
// none, and the sum of the values added at directions inside it.
//
// Each node also keeps what searches ask of its edges, computed once at construction.
class SphereSplitNode
{
public:
    using Point = MMPoint3d<double>;

    // Corners are normalised here (a zero corner stays zero); depth > 0 builds the four children.
    SphereSplitNode(Point const& a, Point const& b, Point const& c, int depth);

    SphereSplitNode(SphereSplitNode const&) = delete;
    SphereSplitNode& operator=(SphereSplitNode const&) = delete;

    bool IsLeaf() const { return !m_children; }
    SphereSplitNode const& GetChild(int k) const { return m_children[k]; }
    Point const& GetCorner(int k) const { return m_corners[k]; }
    double GetValue() const { return m_value; }
    // The corners' mean, normalised unless of length 0.
    Point GetUnitCentroid() const;

    // Edges are widened by a small tolerance, so a direction on a shared edge lies in both cells.
    bool Contains(Point const& unitDirection) const;

    // Largest cosine between a direction and any point of the cell (1 when inside).
    double LargestCosine(Point const& direction) const;
    // Least cosine: minus the largest cosine of the opposite direction.
    double LeastCosine(Point const& direction) const;

    // Adds the value along the first path of nested cells that contains the direction; false when
    // no leaf below accepted it (the value stays added to the cells that contained it).
    bool AddPointValue(Point const& unitDirection, double value);

    double GetCapValue(Point const& unitDirection, double cosine) const;
    double GetMaxLeafAngleDegrees() const;
    void AppendLeafCentroids(std::vector<Point>& centroids) const;

private:
    // Per edge k (corner k to k+1): the unit normal of corner k cross corner k+1 (zero when that
    // cross product is), the side (+1 or -1) that turns it toward the opposite corner, and the
    // cosine between the two corners.
    struct Edges
    {
        Point normal[3];
        double side[3];
        double cornerCosine[3];
        bool degenerate[3];
    };

    // A direction's products with the corners and edge normals. Those of the opposite direction
    // are exactly their negatives, so one set serves both cosine bounds.
    struct DirectionProducts
    {
        double corner[3];
        double edgeNormal[3];
        // Cosine to the nearest point of each edge's great circle, the same for both directions.
        double circleCosine[3];
    };

    // Children are made in one block of four, default-constructed and then initialised.
    SphereSplitNode() = default;
    void _Initialise(Point const& a, Point const& b, Point const& c, int depth);
    void _BuildChildren(int depth);
    void _PrepareEdges();
    DirectionProducts _Products(Edges const& edges, Point const& direction) const;
    // sign +1 for the direction itself, -1 for its opposite.
    double _LargestCosine(Edges const& edges, DirectionProducts const& products, double sign) const;
    static double _LargestEdgeCosine(int edge, Edges const& edges, DirectionProducts const& products, double sign);

    std::array<Point, 3> m_corners;
    Edges m_edges;
    std::unique_ptr<SphereSplitNode[]> m_children;
    double m_value = 0.0;
};
