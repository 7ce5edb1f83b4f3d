#pragma once
// Geometry adapter of the R*-tree: the tree itself knows nothing about its elements.
#include <cstddef>

#include "interfaces/MathCore.h"

namespace Zodara
{
// No virtual destructor: the interface keeps exactly its three slots. Whoever owns an adapter
// through this type must therefore release it without relying on a derived destructor.
template <class Element, class T, std::size_t Dim>
class IElementInfo
{
public:
    virtual MBoundingBoxND<T, Dim> GetBoundingBox(Element const& element) const = 0;
    virtual bool Intersects(MMVector<T, Dim> const& point, Element const& element) const = 0;
    virtual double DistanceSquared(Element const& element, MMVector<T, Dim> const& point) const = 0;
};
} // namespace Zodara
