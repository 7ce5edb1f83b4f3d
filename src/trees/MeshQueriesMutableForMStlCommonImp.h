#pragma once

namespace MeshQueriesMutable
{

// Queries over a mesh seen through the handle H with an updatable triangle tree. The nested
// property class is the type under which such a tree is cached on the mesh; it serves only as a key.
template <class H>
class MeshQueriesMutableForMStlCommonImp
{
public:
    class M3DTriangleTreeMutableProperty;
};

} // namespace MeshQueriesMutable
