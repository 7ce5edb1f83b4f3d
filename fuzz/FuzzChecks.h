#pragma once
// What every harness checks of a mesh the reader accepted: it can be written and read back to the
// same number of triangles, and every triangle's neighbours lie in the same mesh.
#include <cstdlib>

#include "meshdata/StlIO.h"

inline void CheckAcceptedMesh(MStlBase const& mesh)
{
    for (MStlTriangle const* t : mesh.GetTriangles())
        for (std::size_t i = 0; i < 3; ++i)
        {
            MStlTriangle const* const n = t->FindAdjacentTriangle(i, false);
            if (n && n->GetMesh() != &mesh) std::abort();
        }
    if (mesh.NumberOfTriangles() == 0) return;
    std::vector<char> const bytes = WriteStlMemory(mesh);
    if (ReadStlMemory("written", bytes.data(), bytes.size())->NumberOfTriangles() != mesh.NumberOfTriangles())
        std::abort();
}
