#pragma once
// Nearest-element search over the R*-tree: nearer subtrees first, pruned by the best squared distance.
#include <array>
#include <utility>

#include "graphsearch/detail/RStarBranchNode.h"

namespace Zodara
{
namespace util
{
// Refreshes dirty nodes on its way, so concurrent searches need a tree refreshed beforehand. Among
// equal distances the leaf examined last wins. Allocates nothing.
template <class Element, class T, std::size_t Dim, std::size_t Capacity>
void NearestSearch(BranchNode<Element, T, Dim, Capacity> const& node, IElementInfo<Element, T, Dim> const& info,
                   MMVector<T, Dim> const& p, double& best, Element& bestElement)
{
    using Node = AbstractNode<Element, T, Dim>;
    node.RefreshedBox();
    if (node.level == 1)
    {
        for (std::size_t c = 0; c < node.count; ++c)
        {
            Element const& element = static_cast<LeafNode<Element, T, Dim> const*>(node.children[c])->element;
            double const d = info.DistanceSquared(element, p);
            if (d <= best)
            {
                best = d;
                bestElement = element;
            }
        }
        return;
    }

    std::array<std::pair<double, Node const*>, Capacity> keyed;
    std::size_t const count = node.count;
    for (std::size_t c = 0; c < count; ++c)
    {
        std::pair<double, Node const*> entry{BoxDistanceSquared(node.childBoxes[c], p), node.children[c]};
        std::size_t slot = c;
        for (; slot > 0 && keyed[slot - 1].first > entry.first; --slot) keyed[slot] = keyed[slot - 1];
        keyed[slot] = entry;
    }
    for (std::size_t c = 0; c < count; ++c)
    {
        if (keyed[c].first >= best) break;
        NearestSearch(static_cast<BranchNode<Element, T, Dim, Capacity> const&>(*keyed[c].second), info, p, best,
                      bestElement);
    }
}
} // namespace util
} // namespace Zodara
