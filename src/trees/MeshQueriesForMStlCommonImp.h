#pragma once

namespace MeshQueries
{

// Queries over a mesh seen through the handle H. The nested property classes are the types under
// which trees built for such a handle are cached on the mesh; they serve only as keys here.
template <class H>
class MeshQueriesForMStlCommonImp
{
public:
    class M3DTriangleTreeProperty;
    class M3DPointTreeProperty;
    class M3DGraphEdgeTreeProperty;
    class M3DGraphEdgeWithoutThicknessTreeProperty;
};

} // namespace MeshQueries
