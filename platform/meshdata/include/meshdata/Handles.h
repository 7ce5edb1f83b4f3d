#pragma once
// Handles over meshes and triangles, the types over which trees and cached properties are instantiated.
#include "meshdata/MStlBase.h"
#include <cstddef>

namespace Dovovez
{
namespace StlBase
{
namespace Handle
{
// The policy of a handle that sees every triangle of the mesh.
struct StlBasePolicy
{
};

// A view of a whole mesh through which its triangles are reached.
template <class Policy>
class StlImpl
{
public:
    StlImpl() = default;
    explicit StlImpl(MStlBase* mesh) : m_mesh(mesh) {}
    MStlBase* GetMesh() const { return m_mesh; }
    void SetMesh(MStlBase* mesh) { m_mesh = mesh; }
    std::size_t NumberOfTriangles() const { return m_mesh ? m_mesh->NumberOfTriangles() : 0; }
    // Calls f(MStlTriangle*) for every triangle in the mesh's order.
    template <class F>
    void ForEachTriangle(F&& f) const
    {
        if (!m_mesh) return;
        for (MStlTriangle* t : m_mesh->GetTriangles()) f(t);
    }
    bool operator==(StlImpl const& o) const { return m_mesh == o.m_mesh; }

private:
    MStlBase* m_mesh = nullptr;
};

template <class Policy>
class StlConstImpl
{
public:
    StlConstImpl() = default;
    explicit StlConstImpl(MStlBase const* mesh) : m_mesh(mesh) {}
    MStlBase const* GetMesh() const { return m_mesh; }
    std::size_t NumberOfTriangles() const { return m_mesh ? m_mesh->NumberOfTriangles() : 0; }
    template <class F>
    void ForEachTriangle(F&& f) const
    {
        if (!m_mesh) return;
        for (MStlTriangle const* t : m_mesh->GetTriangles()) f(t);
    }
    bool operator==(StlConstImpl const& o) const { return m_mesh == o.m_mesh; }

private:
    MStlBase const* m_mesh = nullptr;
};

// One triangle; the null triangle holds a null pointer.
class Triangle
{
public:
    Triangle() = default;
    explicit Triangle(MStlTriangle* t) : m_triangle(t) {}
    MStlTriangle* Get() const { return m_triangle; }
    MStlTriangle* operator->() const { return m_triangle; }
    bool IsNull() const { return m_triangle == nullptr; }
    bool operator==(Triangle const& o) const { return m_triangle == o.m_triangle; }
    bool operator!=(Triangle const& o) const { return m_triangle != o.m_triangle; }

private:
    MStlTriangle* m_triangle = nullptr;
};
} // namespace Handle
} // namespace StlBase
} // namespace Dovovez
