#pragma once
// Branch node of the R*-tree: choose-subtree, forced reinsertion and the margin-then-overlap split.
#include <algorithm>
#include <array>
#include <cfloat>
#include <utility>

#include "graphsearch/detail/RStarBoxMeasures.h"
#include "graphsearch/detail/RStarLeafNode.h"
#include "graphsearch/detail/RStarTreeNodeInterfaces.h"

namespace Zodara
{
namespace util
{
template <class Element, class T, std::size_t Dim, std::size_t Capacity>
class BranchNode : public IBranchNode<Element, T, Dim>
{
    static_assert(Capacity >= 2, "a branch must be able to hold two children");

public:
    using Base = IBranchNode<Element, T, Dim>;
    using typename Base::Box;
    using typename Base::Info;
    using typename Base::Leaf;
    using typename Base::Node;
    using typename Base::Path;
    using typename Base::Point;
    using Context = InsertionContext<Element, T, Dim>;

    // Thirty per cent of the capacity, rounded up.
    std::uint64_t reinsertCount = (Capacity * 3 + 9) / 10;
    std::uint64_t minFill;
    std::uint64_t count = 1;
    std::array<Node*, Capacity> children{};
    // The children's boxes side by side, so that a walk tests them without touching the children.
    // Exact whenever this node is not dirty: every change below a node marks it dirty or, when a
    // child is appended, records that child's box here.
    mutable std::array<Box, Capacity> childBoxes;

    BranchNode(Node* firstChild, std::size_t minimumFill) : minFill(minimumFill)
    {
        children[0] = firstChild;
        this->level = 0;
    }
    ~BranchNode() override
    {
        for (Node* child : children) delete child;
    }
    BranchNode(BranchNode const&) = delete;
    BranchNode& operator=(BranchNode const&) = delete;

    std::vector<Node*> GetChildren() const override
    {
        return std::vector<Node*>(children.begin(), children.begin() + count);
    }

    void VisitLeaves(std::function<void(Leaf const&)> const& visit) const override
    {
        for (std::size_t c = 0; c < count; ++c) children[c]->VisitLeaves(visit);
    }

    void GetInsertionPath(Box const& box, Path& path) override
    {
        path.push_back(this);
        this->GetBoundingBox();
        if (this->level <= 1) return;
        Node* chosen = this->level == 2 ? ChildOfLeastOverlapEnlargement(box) : ChildOfLeastVolumeEnlargement(box);
        chosen->GetInsertionPath(box, path);
    }

    void Print(std::ostream& os) const override
    {
        Box const& box = this->GetBoundingBox();
        for (std::int32_t l = 0; l < this->level; ++l) os << "<<<<";
        PrintBox(os, box);
        os << std::endl;
        for (std::size_t c = 0; c < count; ++c) children[c]->Print(os);
    }

    void CollectLeavesContaining(Point const& point, Info const& info, std::vector<Leaf const*>& leaves) const override
    {
        if (this->RefreshedBox().GetHasPoint(point)) CollectFromChildren(this->level, point, info, leaves);
    }

    bool HasElementsContaining(Point const& point, Info const& info) const override
    {
        return this->RefreshedBox().GetHasPoint(point) && AnyChildContains(this->level, point, info);
    }

    std::int32_t ComputeLevel() const override
    {
        if (count == 0) return -1;
        children[0]->GetBoundingBox();
        return children[0]->level + 1;
    }

    Box ComputeBoundingBox() const override
    {
        if (count == 0) return Box();
        for (std::size_t c = 0; c < count; ++c) childBoxes[c] = children[c]->GetBoundingBox();
        Box united = childBoxes[0];
        for (std::size_t c = 1; c < count; ++c) united.Union(childBoxes[c]);
        return united;
    }

    void AddChild(Node* child, Context& context) override
    {
        if (count < Capacity)
        {
            childBoxes[count] = child->GetBoundingBox();
            this->box.Union(childBoxes[count]);
            children[count++] = child;
            context.path.pop_back();
            MarkPathDirty(context);
        }
        else if (!context.splitOnOverflow)
            ForcedReinsert(child, context);
        else
            Split(child, context);
    }

private:
    static constexpr std::size_t kEntries = Capacity + 1;
    using ConcreteLeaf = LeafNode<Element, T, Dim>;

    // The query walks below do what the virtual per-node operations do, with the child-box test
    // hoisted into the parent and without virtual dispatch: the tree only ever holds these two
    // node classes, leaves exactly under level-1 branches.
    // GetHasPoint without a branch per comparison: the walks test boxes whose outcome the processor
    // cannot predict.
    static bool HoldsPoint(Box const& box, Point const& point)
    {
        bool outside = false;
        for (std::size_t d = 0; d < Dim; ++d)
            outside |= (point[d] < box.GetCornerMin()[d]) | (point[d] > box.GetCornerMax()[d]);
        return !outside;
    }

    ConcreteLeaf const& LeafAt(std::size_t c) const { return static_cast<ConcreteLeaf const&>(*children[c]); }
    BranchNode const& BranchAt(std::size_t c) const { return static_cast<BranchNode const&>(*children[c]); }

    // Slots of the children whose boxes hold the point, in slot order; their nodes are fetched ahead
    // so that the descent into several of them overlaps the memory waits.
    std::size_t ChildrenContaining(Point const& point, std::size_t (&hits)[Capacity]) const
    {
        std::size_t hitCount = 0;
        for (std::size_t c = 0; c < count; ++c)
            if (HoldsPoint(childBoxes[c], point))
            {
                __builtin_prefetch(&BranchAt(c).count);
                __builtin_prefetch(&BranchAt(c).childBoxes);
                hits[hitCount++] = c;
            }
        return hitCount;
    }

    // A node below a refreshed one is refreshed too, and its level is one less than its parent's:
    // the walks pass the level down instead of reading it from each node.
    void CollectFromChildren(std::int32_t level, Point const& point, Info const& info,
                             std::vector<Leaf const*>& leaves) const
    {
        if (level == 1)
        {
            for (std::size_t c = 0; c < count; ++c)
                if (HoldsPoint(childBoxes[c], point) && info.Intersects(point, LeafAt(c).element))
                    leaves.push_back(&LeafAt(c));
            return;
        }
        std::size_t hits[Capacity];
        std::size_t const hitCount = ChildrenContaining(point, hits);
        for (std::size_t h = 0; h < hitCount; ++h)
            BranchAt(hits[h]).CollectFromChildren(level - 1, point, info, leaves);
    }

    bool AnyChildContains(std::int32_t level, Point const& point, Info const& info) const
    {
        if (level == 1)
        {
            for (std::size_t c = 0; c < count; ++c)
                if (info.Intersects(point, LeafAt(c).element)) return true;
            return false;
        }
        std::size_t hits[Capacity];
        std::size_t const hitCount = ChildrenContaining(point, hits);
        for (std::size_t h = 0; h < hitCount; ++h)
            if (BranchAt(hits[h]).AnyChildContains(level - 1, point, info)) return true;
        return false;
    }

    using Entries = std::array<Node*, kEntries>;

    Node* ChildOfLeastVolumeEnlargement(Box const& box) const
    {
        Node* best = children[0];
        double bestEnlargement = DBL_MAX, bestVolume = DBL_MAX;
        for (std::size_t c = 0; c < count; ++c)
        {
            Box const& childBox = childBoxes[c];
            double const volume = Volume(childBox);
            double const enlargement = Volume(United(childBox, box)) - volume;
            if (enlargement < bestEnlargement)
            {
                best = children[c];
                bestEnlargement = enlargement;
                bestVolume = volume;
            }
            else if (NearlyEqual(enlargement, bestEnlargement) && volume < bestVolume)
            {
                best = children[c];
                bestVolume = volume;
            }
        }
        return best;
    }

    double OverlapEnlargement(std::size_t i, Box const& grown) const
    {
        Box const& childBox = childBoxes[i];
        double sum = 0.0;
        for (std::size_t j = 0; j < count; ++j)
        {
            if (j == i) continue;
            Box const& other = childBoxes[j];
            sum += Overlap(grown, other) - Overlap(childBox, other);
        }
        return sum;
    }

    Node* ChildOfLeastOverlapEnlargement(Box const& box) const
    {
        Node* best = children[0];
        double bestOverlap = DBL_MAX, bestEnlargement = DBL_MAX, bestVolume = DBL_MAX;
        for (std::size_t i = 0; i < count; ++i)
        {
            Box const& childBox = childBoxes[i];
            Box const grown = United(childBox, box);
            double const overlap = OverlapEnlargement(i, grown);
            double const volume = Volume(childBox);
            double const enlargement = Volume(grown) - volume;
            if (overlap < bestOverlap)
            {
                best = children[i];
                bestOverlap = overlap;
                bestEnlargement = enlargement;
                bestVolume = volume;
            }
            else if (NearlyEqual(overlap, bestOverlap))
            {
                if (enlargement < bestEnlargement)
                {
                    best = children[i];
                    bestEnlargement = enlargement;
                    bestVolume = volume;
                }
                else if (NearlyEqual(enlargement, bestEnlargement) && volume < bestVolume)
                {
                    best = children[i];
                    bestVolume = volume;
                }
            }
        }
        return best;
    }

    // Twice the centre distance, squared: the halving cancels out of the ordering.
    static double CentreKey(Box const& entry, Box const& node)
    {
        double key = 0.0;
        for (std::size_t d = 0; d < Dim; ++d)
        {
            double const delta = (double(entry.GetCornerMin()[d]) + double(entry.GetCornerMax()[d])) -
                                 (double(node.GetCornerMin()[d]) + double(node.GetCornerMax()[d]));
            key += delta * delta;
        }
        return key;
    }

    void ForcedReinsert(Node* child, Context& context)
    {
        Box const node = this->GetBoundingBox();
        std::array<std::pair<double, Node*>, kEntries> keyed;
        for (std::size_t c = 0; c < Capacity; ++c)
            keyed[c] = {CentreKey(children[c]->GetBoundingBox(), node), children[c]};
        keyed[Capacity] = {CentreKey(child->GetBoundingBox(), node), child};
        std::stable_sort(keyed.begin(), keyed.end(), [](auto const& a, auto const& b) { return a.first > b.first; });

        children.fill(nullptr);
        count = 0;
        for (std::size_t e = reinsertCount; e < kEntries; ++e) children[count++] = keyed[e].second;
        this->dirty = true;
        MarkPathDirty(context);

        for (std::size_t e = reinsertCount; e-- > 0;) context.tree->ReinsertNode(keyed[e].second);
    }

    struct Distribution
    {
        double marginSum;
        double volumeSum;
        double overlap;
    };

    static Distribution Distribute(Entries const& sorted, std::size_t k)
    {
        Box first = sorted[0]->GetBoundingBox();
        for (std::size_t e = 1; e < k; ++e) first.Union(sorted[e]->GetBoundingBox());
        Box second = sorted[k]->GetBoundingBox();
        for (std::size_t e = k + 1; e < kEntries; ++e) second.Union(sorted[e]->GetBoundingBox());
        return {Margin(second) + Margin(first), Volume(second) + Volume(first), Overlap(first, second)};
    }

    static Entries SortedByCorner(Entries entries, std::size_t axis, bool byMaximum)
    {
        std::stable_sort(entries.begin(), entries.end(),
                         [axis, byMaximum](Node const* a, Node const* b)
                         {
                             Box const& boxA = a->GetBoundingBox();
                             Box const& boxB = b->GetBoundingBox();
                             return byMaximum ? boxA.GetCornerMax()[axis] < boxB.GetCornerMax()[axis]
                                              : boxA.GetCornerMin()[axis] < boxB.GetCornerMin()[axis];
                         });
        return entries;
    }

    // Axis of least total margin, then on it the distribution of least overlap (volume on near ties).
    std::pair<Entries, std::size_t> ChooseSplit(Entries const& entries) const
    {
        std::size_t const m = minFill;
        std::size_t bestAxis = 0;
        double bestMarginTotal = 0.0;
        for (std::size_t axis = 0; axis < Dim; ++axis)
        {
            Entries const lower = SortedByCorner(entries, axis, false);
            Entries const upper = SortedByCorner(entries, axis, true);
            double total = 0.0;
            for (std::size_t k = m; k <= kEntries - m; ++k)
                total += Distribute(lower, k).marginSum + Distribute(upper, k).marginSum;
            if (axis == 0 || total < bestMarginTotal)
            {
                bestAxis = axis;
                bestMarginTotal = total;
            }
        }

        Entries const lists[2] = {SortedByCorner(entries, bestAxis, false), SortedByCorner(entries, bestAxis, true)};
        std::pair<Entries, std::size_t> best{lists[0], m};
        Distribution bestDistribution = Distribute(lists[0], m);
        for (std::size_t k = m; k <= kEntries - m; ++k)
            for (Entries const& list : lists)
            {
                Distribution const candidate = Distribute(list, k);
                if (candidate.overlap < bestDistribution.overlap ||
                    (NearlyEqual(candidate.overlap, bestDistribution.overlap) &&
                     candidate.volumeSum < bestDistribution.volumeSum))
                {
                    best = {list, k};
                    bestDistribution = candidate;
                }
            }
        return best;
    }

    void Split(Node* child, Context& context)
    {
        Entries entries;
        entries[0] = child;
        for (std::size_t c = 0; c < Capacity; ++c) entries[c + 1] = children[c];
        auto const [sorted, k] = ChooseSplit(entries);

        children.fill(nullptr);
        count = 0;

        auto* sibling = new BranchNode(sorted[k], minFill);
        Context siblingContext = context;
        siblingContext.path.push_back(sibling);
        for (std::size_t e = k + 1; e < kEntries; ++e)
        {
            Context fresh = siblingContext;
            sibling->AddChild(sorted[e], fresh);
        }

        context.path.pop_back();
        if (!context.path.empty())
        {
            for (std::size_t e = 0; e < k; ++e) children[count++] = sorted[e];
            this->dirty = true;
            Context ancestors = context;
            MarkPathDirty(ancestors);
            context.path.back()->AddChild(sibling, context);
            return;
        }

        // The root keeps its identity: its old content moves one level down.
        auto* lowerHalf = new BranchNode(sorted[0], minFill);
        for (std::size_t e = 1; e < k; ++e)
        {
            Context fresh{context.splitOnOverflow, {lowerHalf}, context.tree};
            lowerHalf->AddChild(sorted[e], fresh);
        }
        children[0] = lowerHalf;
        children[1] = sibling;
        count = 2;
        this->dirty = true;
    }
};
} // namespace util
} // namespace Zodara
