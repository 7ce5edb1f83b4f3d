#include "thickness/detail/WallThicknessQuery.h"

#include "collision/TriangleDistance.h"
#include <cmath>

namespace
{
constexpr double kPlaneEpsilon = 1.4901161193847656e-8;

double AxisGap(double nodeMin, double nodeMax, double queryMin, double queryMax)
{
    if (nodeMin > queryMax) return nodeMin - queryMax;
    if (queryMin > nodeMax) return queryMin - nodeMax;
    return 0.0;
}
} // namespace

WallThicknessQuery::WallThicknessQuery(MStlTriangle const& measured, WallThicknessLimits const& limits)
    : m_normal(measured.GetNormal()), m_limits(limits)
{
    for (int k = 0; k < 3; ++k) m_vertices[k] = measured.GetVertex(k);
    M3DBoundingBox<long> box;
    measured.GetBoundingBox(box);
    for (int k = 0; k < 3; ++k)
    {
        m_boxMin[k] = double(box.GetMin(k));
        m_boxMax[k] = double(box.GetMax(k));
    }
}

double WallThicknessQuery::BoxDistance(M3DBoundingBox<double> const& box) const
{
    double sum = 0.0;
    for (int k = 0; k < 3; ++k)
    {
        double const gap = AxisGap(box.GetMin(k), box.GetMax(k), m_boxMin[k], m_boxMax[k]);
        sum += gap * gap;
    }
    return sum;
}

double WallThicknessQuery::ElementDistance(MStlTriangle const* candidate) const
{
    MMPoint3d<double> const& candidateNormal = m_limits.candidateNormals[candidate->GetElementIndex()];
    if (m_normal.Dot(candidateNormal) > m_limits.cosOpposite) return m_limits.rejectedDistanceSqr;

    MMPoint3d<double> const candidateVertices[3] = {candidate->GetVertex(0), candidate->GetVertex(1),
                                                    candidate->GetVertex(2)};
    MMPoint3d<double> onCandidate, onMeasured;
    double const distanceSqr = MeshQueries::TriangleDistanceSqr(candidateVertices, candidateNormal, m_vertices,
                                                                m_normal, &onCandidate, &onMeasured);
    if (distanceSqr == 0.0) return TouchingDistanceSqr(onCandidate, candidateNormal);

    // NaN distances come here too and fail none of the comparisons below.
    MMPoint3d<double> u = onCandidate - onMeasured;
    double const length = MeshQueries::SafeLength(u);
    if (length > 0.0) u /= length;
    double const a = u.Dot(candidateNormal);
    double const b = u.Dot(m_normal);
    // The candidate must lie behind the measured triangle and face away from it.
    if (a < 0.0 || b > 0.0) return m_limits.rejectedDistanceSqr;
    if (m_limits.cosDirection <= 0.0) return distanceSqr;
    if (std::fabs(a) < m_limits.cosDirection || std::fabs(b) < m_limits.cosDirection)
        return m_limits.rejectedDistanceSqr;
    return distanceSqr;
}

double WallThicknessQuery::TouchingDistanceSqr(MMPoint3d<double> const& onCandidate,
                                               MMPoint3d<double> const& candidateNormal) const
{
    int inPlane = 0;
    for (auto const& v : m_vertices)
    {
        double const w = (v - onCandidate).Dot(candidateNormal);
        if (std::fabs(w) < kPlaneEpsilon)
            ++inPlane;
        else if (w > 0.0)
            return m_limits.rejectedDistanceSqr; // a vertex in front of the candidate
    }
    return inPlane == 3 ? m_limits.rejectedDistanceSqr : 0.0;
}
