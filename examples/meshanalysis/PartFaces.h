#pragma once
// The per-face meshes that the subcommands write to files and pictures: a part, or two placed
// parts, with the operator's result on every face.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "quality/MTriangleQualityCalculator.h"
#include "visual/ColourScale.h"
#include "visual/FaceMesh.h"
#include <vector>

// Wall thickness: attributes "triangle" (index in the part) and "thickness_mm" (the mask's value
// in mm, which is also the colour value). `unitsPerMm` converts the mask's internal units.
visual::FaceMesh ThicknessFaces(MStlBase const& part, MDataMask<MStlTriangle, float> const& values, double unitsPerMm);
visual::ColourScale ThicknessScale(double minMm, double maxMm);

// One examined part of a collision run: its mesh, placement (internal units) and hit flag per triangle.
struct CollisionFacesPart
{
    MStlBase const* mesh;
    MMTransformMatrix placement;
    std::vector<bool> const* hit;
};

// Both parts, placed, in one mesh: attributes "part" (0, 1), "triangle" (index in its part) and
// "hit" (1 within the tolerance, else 0); colour value 0 for a hit (the map's low end) and 1 for a
// clear face (its high end).
visual::FaceMesh CollisionFaces(std::vector<CollisionFacesPart> const& parts, double unitsPerMm);
visual::ColourScale CollisionScale();

// One quality metric: attributes "triangle" and the metric's name, in display units (lengths in
// mm); coloured over the metric's range or, for an open range, over the values found.
visual::FaceMesh QualityFaces(MStlBase const& mesh, Zodara::Rudizidov::MTriangleQualityCalculator::MetricType metric,
                              visual::ColourScale& scale);
