#pragma once
// The distance object with which one measured triangle searches a direction bin's tree: boxes by
// their gap to the measured triangle's box, candidates by the opposite-wall pair test.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"

struct WallThicknessLimits
{
    double cosOpposite = 0.0;
    double cosDirection = 0.0;
    // Answer for a rejected candidate; it never lowers the result.
    double rejectedDistanceSqr = 0.0;
    // Normal of every candidate by element index, computed once instead of at every pair test.
    MMPoint3d<double> const* candidateNormals = nullptr;
};

class WallThicknessQuery
{
public:
    WallThicknessQuery(MStlTriangle const& measured, WallThicknessLimits const& limits);

    MMPoint3d<double> const& MeasuredNormal() const { return m_normal; }

    double BoxDistance(M3DBoundingBox<double> const& box) const;
    double ElementDistance(MStlTriangle const* candidate) const;

private:
    double TouchingDistanceSqr(MMPoint3d<double> const& onCandidate, MMPoint3d<double> const& candidateNormal) const;

    MMPoint3d<double> m_vertices[3];
    MMPoint3d<double> m_normal;
    double m_boxMin[3];
    double m_boxMax[3];
    WallThicknessLimits m_limits;
};
