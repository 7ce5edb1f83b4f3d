#pragma once
// A leaf holds one element; its box comes from the element adapter once, at construction.
#include "graphsearch/detail/RStarTreeNodeInterfaces.h"

namespace Zodara
{
namespace util
{
template <class Element, class T, std::size_t Dim>
class LeafNode final : public ILeafNode<Element, T, Dim>
{
public:
    using Base = ILeafNode<Element, T, Dim>;
    using typename Base::Box;
    using typename Base::Info;
    using typename Base::Leaf;
    using typename Base::Path;
    using typename Base::Point;

    Element element;

    LeafNode(Element const& e, Info const& info) : element(e)
    {
        this->box = info.GetBoundingBox(element);
        this->level = 0;
    }

    Element const& GetElement() const override { return element; }

    void VisitLeaves(std::function<void(Leaf const&)> const& visit) const override { visit(*this); }

    // Only branches belong on an insertion path; a well-formed tree never descends to a leaf.
    void GetInsertionPath(Box const&, Path& path) override { path.push_back(nullptr); }

    void Print(std::ostream& os) const override
    {
        os << "Node: ";
        PrintBox(os, this->GetBoundingBox());
        os << " (" << element << ")" << std::endl;
    }

    void CollectLeavesContaining(Point const& point, Info const& info, std::vector<Leaf const*>& leaves) const override
    {
        if (this->RefreshedBox().GetHasPoint(point) && info.Intersects(point, element)) leaves.push_back(this);
    }

    bool HasElementsContaining(Point const& point, Info const& info) const override
    {
        return info.Intersects(point, element);
    }

    std::int32_t ComputeLevel() const override { return 0; }
    Box ComputeBoundingBox() const override { return this->box; }
};
} // namespace util
} // namespace Zodara
