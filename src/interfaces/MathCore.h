#pragma once
// The math core: points, vectors, boxes, transforms and two geometric routines.
#include "Intersections.h"
#include "M3DBoundingBox.h"
#include "MBoundingBoxND.h"
#include "MMPoint3d.h"
#include "MMTransformMatrix.h"
#include "MMVector.h"
#include "MTriangle3dUtilities.h"
