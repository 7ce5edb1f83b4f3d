#pragma once
// What IsWithinTolerance hands to the static tree's search in place of the ToleranceQuery itself:
// the same answers, cheaper. Box distances are computed inline with the query's own arithmetic;
// before the exact triangle-pair distance, a tree triangle whose box is clearly farther from the
// query's box than the tolerance is turned away at once.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"

namespace MeshQueries
{
namespace detail
{

// Query is ToleranceQuery; a template only so that this header can come before its definition.
template <class Query>
class ToleranceSearch
{
public:
    explicit ToleranceSearch(Query& query) : m_query(query)
    {
        double extent = 0.0;
        for (int k = 0; k < 3; ++k)
        {
            m_min[k] = double(query.box.min[k]);
            m_max[k] = double(query.box.max[k]);
            extent = std::max(extent, m_max[k] - m_min[k]);
        }
        // The exact distance can come out below the true one only by rounding, far less than one
        // unit plus a thousandth of the triangle's size. Without a finite tolerance nothing is
        // turned away.
        double const reach = std::fabs(query.tolerance) + 1.0 + 1e-3 * extent;
        m_rejectAboveSqr = std::isfinite(reach) ? reach * reach : std::numeric_limits<double>::infinity();
    }

    // As the query's BoxDistance, operation for operation.
    double BoxDistance(M3DBoundingBox<double> const& nodeBox) const
    {
        if (m_query.found) return kInfinity;
        double sum = 0.0;
        for (int k = 0; k < 3; ++k)
        {
            double const gap = _Gap(nodeBox.min[k], nodeBox.max[k], m_min[k], m_max[k]);
            sum += gap * gap;
        }
        return sum;
    }

    // +infinity for a triangle whose box is beyond the tolerance; the search cannot take it either
    // way, since it only takes distances up to the squared tolerance it was seeded with.
    double ElementDistance(MStlTriangle const* triangle)
    {
        if (m_query.found) return kInfinity;
        MStlPoint const* const p[3] = {triangle->GetPoint(0), triangle->GetPoint(1), triangle->GetPoint(2)};
        if (_BeyondReach(p[0]->x, p[1]->x, p[2]->x, 0) || _BeyondReach(p[0]->y, p[1]->y, p[2]->y, 1) ||
            _BeyondReach(p[0]->z, p[1]->z, p[2]->z, 2) || _BoxGapSqr(p) > m_rejectAboveSqr)
            return kInfinity;
        return m_query.ElementDistance(triangle);
    }

    double ElementDistance(std::size_t compactTriangle) { return m_query.ElementDistance(compactTriangle); }

private:
    static constexpr double kInfinity = std::numeric_limits<double>::infinity();

    static double _Gap(double nodeMin, double nodeMax, double queryMin, double queryMax)
    {
        if (nodeMin > queryMax) return nodeMin - queryMax;
        if (queryMin > nodeMax) return queryMin - nodeMax;
        return 0.0;
    }

    // One axis alone already beyond the reach: the common case, decided without squares.
    bool _BeyondReach(std::int32_t a, std::int32_t b, std::int32_t c, int k) const
    {
        double const lo = double(std::min({a, b, c})), hi = double(std::max({a, b, c}));
        double const gap = _Gap(lo, hi, m_min[k], m_max[k]);
        return gap * gap > m_rejectAboveSqr;
    }

    double _BoxGapSqr(MStlPoint const* const (&p)[3]) const
    {
        double sum = 0.0;
        for (int k = 0; k < 3; ++k)
        {
            auto coordinate = [k](MStlPoint const* q) { return k == 0 ? q->x : (k == 1 ? q->y : q->z); };
            double const lo = double(std::min({coordinate(p[0]), coordinate(p[1]), coordinate(p[2])}));
            double const hi = double(std::max({coordinate(p[0]), coordinate(p[1]), coordinate(p[2])}));
            double const gap = _Gap(lo, hi, m_min[k], m_max[k]);
            sum += gap * gap;
        }
        return sum;
    }

    Query& m_query;
    double m_min[3];
    double m_max[3];
    double m_rejectAboveSqr;
};

} // namespace detail
} // namespace MeshQueries
