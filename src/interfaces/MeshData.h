#pragma once
// The mesh data library: meshes, triangles, points, compact meshes, beam graphs, callbacks,
// dependencies, handles, and the per-triangle data masks.
#include "HandleTags.h"
#include "Handles.h"
#include "IDataMask.h"
#include "MNeighbourFinder.h"
#include "MStlBase.h"
#include "MStlBaseDependencies.h"
#include "MStlCallback.h"
#include "MStlCompact.h"
#include "MStlGraph.h"
#include "MStlPoint.h"
#include "MStlTriangle.h"
#include "interfaces/MDataMask.h"
