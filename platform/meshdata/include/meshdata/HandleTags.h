#pragma once
// Handle kinds beyond the whole-mesh views of Handles.h: the visibility and marking policies, the
// triangle subsets, predicate-filtered views, and the wrappers that attach an object to a mesh
// under the key of its type.
#include "meshdata/Handles.h"
#include "meshdata/MStlBase.h"
#include <cstddef>
#include <memory>
#include <utility>

// The dependency key of the type Wrapper, the same on every mesh. Declared here for the wrappers;
// each library that attaches objects provides the instances for its own types.
template <class Wrapper>
std::size_t GetDepTypeIndex(MStlBase const* ip_mesh);

namespace Dovovez
{
namespace StlBase
{
namespace Handle
{
// A view policy that sees only the visible triangles.
struct VisibleTrianglesPolicy
{
};

// A view policy that sees only the marked triangles.
struct MarkedTrianglesPolicy
{
};

// Triangle subsets of one mesh. Each knows only its mesh; the subset's membership is the
// business of whoever fills it.
template <class MeshPointer>
class TriangleSubset
{
public:
    TriangleSubset() = default;
    explicit TriangleSubset(MeshPointer mesh) : m_mesh(mesh) {}
    MeshPointer GetMesh() const { return m_mesh; }

private:
    MeshPointer m_mesh = nullptr;
};

class Surface : public TriangleSubset<MStlBase*>
{
    using TriangleSubset::TriangleSubset;
};
class SurfaceConst : public TriangleSubset<MStlBase const*>
{
    using TriangleSubset::TriangleSubset;
};
class BitMaskTriangles : public TriangleSubset<MStlBase*>
{
    using TriangleSubset::TriangleSubset;
};
class BitMaskTrianglesConst : public TriangleSubset<MStlBase const*>
{
    using TriangleSubset::TriangleSubset;
};
class MarkedTrianglesConst : public TriangleSubset<MStlBase const*>
{
    using TriangleSubset::TriangleSubset;
};

// The triangles of one feature of a mesh.
template <class FeaturePointer>
class FeatureSubset
{
public:
    FeatureSubset() = default;
    explicit FeatureSubset(FeaturePointer feature) : m_feature(feature) {}
    FeaturePointer GetFeature() const { return m_feature; }
    MStlBase const* GetMesh() const { return m_feature ? m_feature->GetMesh() : nullptr; }

private:
    FeaturePointer m_feature = nullptr;
};

class Feature : public FeatureSubset<MStlFeature*>
{
    using FeatureSubset::FeatureSubset;
};
class FeatureConst : public FeatureSubset<MStlFeature const*>
{
    using FeatureSubset::FeatureSubset;
};

// Predicates of the predicate-filtered views.
struct BitMaskTringlesPredicate
{
};
struct MarkedTrianglesPredicate
{
};

// Holds one object attached to a mesh. Self is the concrete wrapper, whose type is the key.
template <class Self, class Held>
class DependencyWrapperBase
{
public:
    explicit DependencyWrapperBase(Held held) : m_held(std::move(held)) {}
    Held const& Get() const { return m_held; }

    // Attaches held to the mesh under Self's key, replacing whatever was attached there.
    static void Attach(MStlBase const* mesh, Held held)
    {
        std::size_t const key = GetDepTypeIndex<Self>(mesh);
        mesh->GetDependencies()->SetDependency(key, std::make_shared<Self>(std::move(held)));
    }

    // The wrapper attached to the mesh under Self's key, or null.
    static std::shared_ptr<Self const> Find(MStlBase const* mesh)
    {
        std::size_t const key = GetDepTypeIndex<Self>(mesh);
        return std::static_pointer_cast<Self const>(mesh->GetDependencies()->GetDependency(key));
    }

private:
    Held m_held;
};

template <class Held, class Policy>
class StlConstDependencyWrapper : public DependencyWrapperBase<StlConstDependencyWrapper<Held, Policy>, Held>
{
public:
    using DependencyWrapperBase<StlConstDependencyWrapper, Held>::DependencyWrapperBase;
};

template <class Held>
class SurfaceConstDependencyWrapper : public DependencyWrapperBase<SurfaceConstDependencyWrapper<Held>, Held>
{
public:
    using DependencyWrapperBase<SurfaceConstDependencyWrapper, Held>::DependencyWrapperBase;
};

template <class Held>
class FeatureConstDependencyWrapper : public DependencyWrapperBase<FeatureConstDependencyWrapper<Held>, Held>
{
public:
    using DependencyWrapperBase<FeatureConstDependencyWrapper, Held>::DependencyWrapperBase;
};
} // namespace Handle
} // namespace StlBase

namespace Generic
{
namespace Handle
{
// A view of the elements of BaseHandle that pass Predicate.
template <class BaseHandle, class Predicate>
class PredicativeConst
{
public:
    PredicativeConst() = default;
    explicit PredicativeConst(BaseHandle base) : m_base(std::move(base)) {}
    BaseHandle const& GetBase() const { return m_base; }

    // A property kept for such a view, stored alongside the view's predicate.
    template <class Property>
    class GenericPropertyContainer
    {
    public:
        GenericPropertyContainer() = default;
        explicit GenericPropertyContainer(Property property) : m_property(std::move(property)) {}
        Property const& Get() const { return m_property; }

    private:
        Property m_property{};
    };

private:
    BaseHandle m_base{};
};
} // namespace Handle
} // namespace Generic
} // namespace Dovovez
