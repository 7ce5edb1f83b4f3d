#include "PartFaces.h"

#include "QualityReport.h"
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

visual::FaceMesh ThicknessFaces(MStlBase const& part, MDataMask<MStlTriangle, float> const& values, double unitsPerMm)
{
    visual::FaceMesh faces;
    visual::AppendMesh(faces, part, MMTransformMatrix(), unitsPerMm);
    visual::FaceAttribute& index = visual::AddAttribute(faces, "triangle", visual::FaceAttribute::Type::Int);
    for (std::size_t i = 0; i < part.NumberOfTriangles(); ++i) index.values[i] = double(i);
    visual::FaceAttribute& mm = visual::AddAttribute(faces, "thickness_mm", visual::FaceAttribute::Type::Float);
    for (std::size_t i = 0; i < part.NumberOfTriangles(); ++i)
        mm.values[i] = faces.colourValues[i] = values.GetInfo(part.GetTriangle(i)) / unitsPerMm;
    return faces;
}

visual::ColourScale ThicknessScale(double minMm, double maxMm) { return {minMm, maxMm, "wall thickness (mm)", {}}; }

visual::FaceMesh CollisionFaces(std::vector<CollisionFacesPart> const& parts, double unitsPerMm)
{
    visual::FaceMesh faces;
    visual::AddAttribute(faces, "part", visual::FaceAttribute::Type::Byte);
    visual::AddAttribute(faces, "triangle", visual::FaceAttribute::Type::Int);
    visual::AddAttribute(faces, "hit", visual::FaceAttribute::Type::Byte);
    for (std::size_t p = 0; p < parts.size(); ++p)
    {
        std::size_t const first = visual::AppendMesh(faces, *parts[p].mesh, parts[p].placement, unitsPerMm);
        std::vector<bool> const& hit = *parts[p].hit;
        for (std::size_t i = 0; i < hit.size(); ++i)
        {
            faces.attributes[0].values[first + i] = double(p);
            faces.attributes[1].values[first + i] = double(i);
            faces.attributes[2].values[first + i] = hit[i] ? 1.0 : 0.0;
            faces.colourValues[first + i] = hit[i] ? 0.0 : 1.0;
        }
    }
    return faces;
}

visual::ColourScale CollisionScale() { return {0.0, 1.0, "collision", {{0.0, "hit"}, {1.0, "clear"}}, true}; }

visual::FaceMesh QualityFaces(MStlBase const& mesh, Zodara::Rudizidov::MTriangleQualityCalculator::MetricType metric,
                              visual::ColourScale& scale)
{
    using Calc = Zodara::Rudizidov::MTriangleQualityCalculator;
    visual::FaceMesh faces;
    visual::AppendMesh(faces, mesh, MMTransformMatrix(), qualityreport::kUnitsPerMillimetre);
    visual::FaceAttribute& index = visual::AddAttribute(faces, "triangle", visual::FaceAttribute::Type::Int);
    visual::FaceAttribute& value =
        visual::AddAttribute(faces, qualityreport::MetricName(metric), visual::FaceAttribute::Type::Float);
    double low = 0.0, high = 0.0;
    bool const closed = Calc::GetMetricRange(low, high, metric);
    if (closed)
    {
        low = qualityreport::ToDisplayUnits(low, metric);
        high = qualityreport::ToDisplayUnits(high, metric);
    }
    else
    {
        low = std::numeric_limits<double>::infinity();
        high = -low;
    }
    std::vector<double> const values = Calc::GetTriangleShapeQualities(&mesh, metric);
    for (std::size_t i = 0; i < mesh.NumberOfTriangles(); ++i)
    {
        double const v = qualityreport::ToDisplayUnits(values[i], metric);
        index.values[i] = double(i);
        value.values[i] = faces.colourValues[i] = v;
        if (!closed && std::isfinite(v)) low = std::min(low, v), high = std::max(high, v);
    }
    if (!(low <= high)) low = high = 0.0;
    scale.low = low;
    scale.high = high;
    scale.caption =
        std::string(qualityreport::MetricName(metric)) + (Calc::GetIsInInternalUnits(metric) ? " (mm)" : "");
    scale.labels.clear();
    return faces;
}
