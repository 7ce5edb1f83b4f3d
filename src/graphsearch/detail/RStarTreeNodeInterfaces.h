#pragma once
// Node interfaces of the R*-tree and the state an insertion carries down and up the tree.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "graphsearch/IElementInfo.h"

namespace Zodara
{
template <class T, std::size_t Dim, class Element>
class IRStarTree;

namespace util
{
template <class Element, class T, std::size_t Dim>
class ILeafNode;
template <class Element, class T, std::size_t Dim>
class IBranchNode;

template <class T, std::size_t Dim>
class IBoundingBoxed
{
public:
    virtual MBoundingBoxND<T, Dim> const& GetBoundingBox() const = 0;
    virtual ~IBoundingBoxed() = default;
};

// The cached level and box are refreshed on first read after a change below the node. Queries are
// const yet may perform that refresh, hence the mutable cache.
template <class Element, class T, std::size_t Dim>
class AbstractNode : public IBoundingBoxed<T, Dim>
{
public:
    using Box = MBoundingBoxND<T, Dim>;
    using Point = MMVector<T, Dim>;
    using Info = IElementInfo<Element, T, Dim>;
    using Leaf = ILeafNode<Element, T, Dim>;
    using Branch = IBranchNode<Element, T, Dim>;
    using Path = std::deque<Branch*>;

    mutable bool dirty = true;
    mutable std::int32_t level = 0;
    mutable Box box;

    Box const& GetBoundingBox() const override { return RefreshedBox(); }

    // The same as GetBoundingBox without a virtual call, for the tree's own walks.
    Box const& RefreshedBox() const
    {
        if (dirty) Refresh();
        return box;
    }
    ~AbstractNode() override = default;

    virtual void VisitLeaves(std::function<void(Leaf const&)> const& visit) const = 0;
    virtual void GetInsertionPath(Box const& box, Path& path) = 0;
    virtual void Print(std::ostream& os) const = 0;
    virtual void CollectLeavesContaining(Point const& point, Info const& info,
                                         std::vector<Leaf const*>& leaves) const = 0;
    virtual bool HasElementsContaining(Point const& point, Info const& info) const = 0;
    virtual std::int32_t ComputeLevel() const = 0;
    virtual Box ComputeBoundingBox() const = 0;

private:
    void Refresh() const
    {
        level = ComputeLevel();
        box = ComputeBoundingBox();
        dirty = false;
    }
};

template <class Element, class T, std::size_t Dim>
class ILeafNode : public AbstractNode<Element, T, Dim>
{
public:
    virtual Element const& GetElement() const = 0;
};

template <class Element, class T, std::size_t Dim>
struct InsertionContext
{
    bool splitOnOverflow = false;
    // Branches from the root down to the one that receives the entry, that one last.
    std::deque<IBranchNode<Element, T, Dim>*> path;
    IRStarTree<T, Dim, Element>* tree = nullptr;
};

template <class Element, class T, std::size_t Dim>
class IBranchNode : public AbstractNode<Element, T, Dim>
{
public:
    using Node = AbstractNode<Element, T, Dim>;
    virtual void AddChild(Node* child, InsertionContext<Element, T, Dim>& context) = 0;
    virtual std::vector<Node*> GetChildren() const = 0;
};

// Ancestors are refreshed on their next use rather than at once.
template <class Element, class T, std::size_t Dim>
void MarkPathDirty(InsertionContext<Element, T, Dim>& context)
{
    while (!context.path.empty())
    {
        context.path.back()->dirty = true;
        context.path.pop_back();
    }
}

template <class T, std::size_t Dim>
void PrintBox(std::ostream& os, MBoundingBoxND<T, Dim> const& box)
{
    auto printCorner = [&os](MMVector<T, Dim> const& corner)
    {
        os << "(";
        for (std::size_t d = 0; d < Dim; ++d) os << (d == 0 ? "" : ", ") << corner[d];
        os << ")";
    };
    os << "{ ";
    printCorner(box.GetCornerMin());
    os << " - ";
    printCorner(box.GetCornerMax());
    os << " }";
}
} // namespace util

template <class T, std::size_t Dim, class Element>
class IRStarTree
{
public:
    virtual void ReinsertNode(util::AbstractNode<Element, T, Dim>* node) = 0;
    virtual util::IBranchNode<Element, T, Dim> const* GetRoot() const = 0;
    virtual std::shared_ptr<IElementInfo<Element, T, Dim>> const GetElementInfo() const = 0;
};
} // namespace Zodara
