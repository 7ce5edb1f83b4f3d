#pragma once
// The math core: points, vectors, boxes, transforms and two geometric routines.
#include "mathcore/Intersections.h"
#include "mathcore/M3DBoundingBox.h"
#include "mathcore/MBoundingBoxND.h"
#include "mathcore/MMPoint3d.h"
#include "mathcore/MMTransformMatrix.h"
#include "mathcore/MMVector.h"
#include "mathcore/MTriangle3dUtilities.h"
