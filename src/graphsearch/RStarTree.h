#pragma once
// Dynamic R*-tree over elements whose geometry comes from an IElementInfo adapter. Elements are
// inserted one at a time and never removed; the root object keeps its identity for the tree's life.
//
// Units: those of the adapter's boxes and distances. Errors: the constructor throws
// std::invalid_argument "ip_elementInfo" for a null adapter and "i_minFill out of range" unless
// 1 <= minimumFill <= (Capacity + 1) / 2; std::bad_alloc when memory runs out.
// Threads: none. Node boxes are refreshed lazily, so queries write too; RefreshAll brings every box
// up to date, after which queries may run concurrently until the next Insert.
// Cost: Insert descends one path and may split or reinsert along it, O(log n) amortised; point
// queries visit only the boxes that hold the point.
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphsearch/detail/RStarBranchNode.h"
#include "graphsearch/detail/RStarLeafNode.h"

namespace Zodara
{
template <class T, std::size_t Dim, class Element, std::size_t Capacity>
class RStarTree : public IRStarTree<T, Dim, Element>
{
public:
    using Info = IElementInfo<Element, T, Dim>;
    using Box = MBoundingBoxND<T, Dim>;
    using Point = MMVector<T, Dim>;
    using Node = util::AbstractNode<Element, T, Dim>;
    using Leaf = util::LeafNode<Element, T, Dim>;
    using Branch = util::BranchNode<Element, T, Dim, Capacity>;
    using BranchInterface = util::IBranchNode<Element, T, Dim>;
    using Context = util::InsertionContext<Element, T, Dim>;

    // A split must be able to give both groups minimumFill of the capacity + 1 entries.
    RStarTree(std::shared_ptr<Info> adapter, std::size_t minimumFill)
        : minFill(minimumFill), elementInfo(std::move(adapter))
    {
        if (elementInfo == nullptr) throw std::invalid_argument("ip_elementInfo");
        if (minFill < 1 || minFill > (Capacity + 1) / 2) throw std::invalid_argument("i_minFill out of range");
    }
    virtual ~RStarTree() { delete root; }
    RStarTree(RStarTree const&) = delete;
    RStarTree& operator=(RStarTree const&) = delete;

    void Insert(Element element)
    {
        if (root == nullptr)
        {
            root = new Branch(new Leaf(element, *elementInfo), minFill);
            return;
        }
        Box const box = CreateBoundingBox(element);
        InsertNode(new Leaf(element, *elementInfo), box);
    }

    std::vector<Element> GetElementsContaining(Point const& point) const
    {
        std::vector<Element> elements;
        if (root == nullptr) return elements;
        std::vector<typename Node::Leaf const*> leaves;
        root->CollectLeavesContaining(point, *elementInfo, leaves);
        elements.reserve(leaves.size());
        for (auto const* leaf : leaves) elements.push_back(leaf->GetElement());
        return elements;
    }

    bool HasElementsContaining(Point const& point) const
    {
        return root != nullptr && root->HasElementsContaining(point, *elementInfo);
    }

    void Print(std::ostream& os) const
    {
        std::string const dashes(49, '-');
        os << dashes << std::endl << "Tree:" << std::endl << "=====" << std::endl;
        if (root != nullptr) root->Print(os);
        os << dashes << std::endl;
    }

    BranchInterface const* GetRoot() const override { return root; }
    std::shared_ptr<Info> const GetElementInfo() const override { return elementInfo; }

    // Brings every cached box and level up to date, so that concurrent readers find nothing to write.
    void RefreshAll() const
    {
        if (root != nullptr) Refresh(*root);
    }

private:
    Branch* root = nullptr;
    std::size_t minFill;
    std::shared_ptr<Info> elementInfo;

    static void Refresh(Node const& node)
    {
        node.GetBoundingBox();
        if (node.level < 1) return;
        for (Node const* child : static_cast<Branch const&>(node).children)
            if (child != nullptr) Refresh(*child);
    }

    Box CreateBoundingBox(Element const& element) const { return elementInfo->GetBoundingBox(element); }

    // The box only steers the descent; the leaf still takes its own box from the adapter.
    void InsertElement(Element element, Box box)
    {
        if (root == nullptr)
        {
            Insert(element);
            return;
        }
        InsertNode(new Leaf(element, *elementInfo), box);
    }

    void InsertNode(Node* node, Box box) { InsertAlongPath(node, box, false); }

    void ReinsertNode(Node* node) override { InsertAlongPath(node, node->GetBoundingBox(), true); }

    void InsertAlongPath(Node* node, Box const& box, bool splitOnOverflow)
    {
        std::deque<BranchInterface*> path;
        root->GetInsertionPath(box, path);
        BranchInterface* target = path.back();
        Context context{splitOnOverflow, std::move(path), this};
        target->AddChild(node, context);
    }
};
} // namespace Zodara
