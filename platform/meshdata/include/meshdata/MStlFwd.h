#pragma once
// Forward declarations of the mesh data library's classes.
#include <cstdint>

class MStlBase;
class MStlTriangle;
class MStlPoint;
class MStlFeature;
class MStlGraph;
class MStlGraphEdge;
class MStlCompact;
class MStlCallback;
class MStlBaseDependencies;
class MStlBaseElementInfo;
class MStlBaseElementInfoStlDependency;
class IDataMask;
class IDataMaskOwner;
class IStlMarkTriangles;
