#pragma once
// The curvature ratios (22-24) of every triangle of a mesh at once.
#include <vector>

#include "quality/MTriangleQualityCalculator.h"

namespace Zodara
{
namespace Rudizidov
{
namespace curvature
{

// The value GetTriangleShapeQuality(t, metric) gives for each triangle t, in element-index order,
// bit for bit. Each fold between a triangle and the next one around a vertex is measured once, and
// the fan walk of a triangle is replayed only where its outcome can still matter, so that a vertex
// shared by thousands of triangles costs about as much as thousands of ordinary vertices.
std::vector<double> CurvatureRatiosOfMesh(MStlBase const& mesh, MTriangleQualityCalculator::MetricType metric);

} // namespace curvature
} // namespace Rudizidov
} // namespace Zodara
