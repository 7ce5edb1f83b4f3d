#pragma once
// The mesh data library: meshes, triangles, points, compact meshes, beam graphs, callbacks,
// dependencies, handles, and the per-triangle data masks.
#include "interfaces/MDataMask.h"
#include "meshdata/HandleTags.h"
#include "meshdata/Handles.h"
#include "meshdata/IDataMask.h"
#include "meshdata/MNeighbourFinder.h"
#include "meshdata/MStlBase.h"
#include "meshdata/MStlBaseDependencies.h"
#include "meshdata/MStlCallback.h"
#include "meshdata/MStlCompact.h"
#include "meshdata/MStlGraph.h"
#include "meshdata/MStlPoint.h"
#include "meshdata/MStlTriangle.h"
