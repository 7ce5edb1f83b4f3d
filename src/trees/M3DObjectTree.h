#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include <boost/pool/object_pool.hpp>
#include <omp.h>

#include "trees/ChunkedArray.h"
#include "trees/M3DObjectTreeBase.h"
#include "trees/M3DObjectTreeElements.h"
#include "trees/detail/MidpointSplit.h"

namespace MeshQueries
{

// Build-once bounding-box tree over mesh elements: mesh triangles (MStlTriangle const*), triangle
// indexes of an MStlCompact (std::size_t) or graph edges (MStlGraphEdge, by value). Built completely
// by the constructor, read-only afterwards: any number of threads may search it at once.
//
// Units: element boxes are integer boxes in the elements' internal length units, grown by a margin
// of one unit and tested as doubles; distances are whatever the query measures. The elements' mesh,
// compact mesh or box function must outlive the tree. Errors: construction throws std::bad_alloc
// when memory runs out; a search throws only what the query throws. Cost: construction
// O(n log n), breadth-first, each level's boxes and partitions computed by OpenMP threads; a search
// visits children nearest-first and skips every subtree whose BoxDistance exceeds the best so far.
template <class T>
class M3DObjectTree : public M3DObjectTreeBase
{
public:
    using Element = T;
    using ElementKind = M3DObjectTreeElement<T>;
    using ElementSource = typename ElementKind::Source;

    struct Node
    {
        // x min, x max, y min, y max, z min, z max.
        std::int32_t box[6];
        std::uint64_t begin;
        std::uint64_t end;
        // Packed from the first slot; the remaining slots are null.
        Node* children[3];

        bool IsLeaf() const { return children[0] == nullptr; }
        M3DBoundingBox<double> GetBox() const
        {
            return M3DBoundingBox<double>(double(box[0]), double(box[2]), double(box[4]), double(box[1]),
                                          double(box[3]), double(box[5]));
        }
    };

    // Mesh triangles, from an MStlIteratorStlTriangleConst range or any range of triangle pointers.
    template <class Iterator, class U = T, std::enable_if_t<std::is_same<U, MStlTriangle const*>::value, int> = 0>
    M3DObjectTree(Iterator first, Iterator last, Parameters parameters = Parameters())
        : m_pool(_PoolBlockSize(first, last)), m_poolBlockSize(_PoolBlockSize(first, last)), m_parameters(parameters)
    {
        _Construct(first, last);
    }

    // Triangle indexes of the given compact mesh, which must outlive the tree.
    template <class Iterator, class U = T, std::enable_if_t<std::is_same<U, std::size_t>::value, int> = 0>
    M3DObjectTree(Iterator first, Iterator last, MStlCompact const& compact, Parameters parameters = Parameters())
        : m_pool(_PoolBlockSize(first, last)), m_poolBlockSize(_PoolBlockSize(first, last)), m_parameters(parameters),
          m_source(&compact)
    {
        _Construct(first, last);
    }

    // Graph edges, copied into the tree; boxFunction gives an edge's (integral) box.
    template <class Iterator, class U = T, std::enable_if_t<std::is_same<U, MStlGraphEdge>::value, int> = 0>
    M3DObjectTree(Iterator first, Iterator last, ElementSource boxFunction, Parameters parameters = Parameters())
        : m_pool(_PoolBlockSize(first, last)), m_poolBlockSize(_PoolBlockSize(first, last)), m_parameters(parameters),
          m_source(std::move(boxFunction))
    {
        _Construct(first, last);
    }

    M3DObjectTree(M3DObjectTree const&) = delete;
    M3DObjectTree& operator=(M3DObjectTree const&) = delete;

    // Searches for the element that minimises the query's distance. The query offers
    // BoxDistance(M3DBoundingBox<double> const&), a lower bound over the elements inside a box, and
    // ElementDistance(T const&); +infinity from either means "not worth visiting". bestDistance is
    // the largest distance accepted on entry and the best one found on return; bestElement is
    // written only when an element is taken. Among equal distances the element tested last wins.
    template <class Query>
    void FindNearest(Query&& query, double& bestDistance, T& bestElement) const
    {
        if (m_root) _Search(*m_root, query, bestDistance, bestElement);
    }

    std::size_t NumberOfElements() const { return m_elements.Size(); }
    T const& GetElement(std::size_t i) const { return m_elements[i]; }
    Node const* GetRoot() const { return m_root; }
    Parameters const& GetParameters() const { return m_parameters; }
    std::size_t GetPoolBlockSize() const { return m_poolBlockSize; }
    ElementSource const& GetElementSource() const { return m_source; }

private:
    using BoxCache = ChunkedArray<M3DObjectTreeCachedBox>;
    static constexpr long kMargin = ElementKind::kCacheMargin;

    static double _CachedMin(M3DObjectTreeCachedBox const& b, int axis) { return double(long(b.min[axis]) - kMargin); }
    static double _CachedMax(M3DObjectTreeCachedBox const& b, int axis) { return double(long(b.max[axis]) + kMargin); }
    static M3DBoundingBox<double> _CachedDoubleBox(M3DObjectTreeCachedBox const& b)
    {
        return M3DBoundingBox<double>(_CachedMin(b, 0), _CachedMin(b, 1), _CachedMin(b, 2), _CachedMax(b, 0),
                                      _CachedMax(b, 1), _CachedMax(b, 2));
    }
    static void _Grow(M3DObjectTreeCachedBox& box, M3DObjectTreeCachedBox const& b)
    {
        for (int k = 0; k < 3; ++k)
        {
            box.min[k] = std::min(box.min[k], b.min[k]);
            box.max[k] = std::max(box.max[k], b.max[k]);
        }
    }
    // Grows the box of one group; the group's index is spelled out so that each branch works on
    // a fixed box the compiler can keep in registers.
    static void _GrowGroup(M3DObjectTreeCachedBox (&groups)[3], detail::SplitGroup group,
                           M3DObjectTreeCachedBox const& b)
    {
        if (group == detail::kBelow)
            _Grow(groups[0], b);
        else if (group == detail::kAbove)
            _Grow(groups[2], b);
        else
            _Grow(groups[1], b);
    }
    static constexpr std::uint8_t kAllAxesUsed = detail::kAllAxesUsed;

    // A double box without a constructor, so that arrays of build items cost nothing to create.
    struct ItemBox
    {
        double min[3];
        double max[3];

        ItemBox& operator=(M3DBoundingBox<double> const& b)
        {
            for (int k = 0; k < 3; ++k)
            {
                min[k] = b.min[k];
                max[k] = b.max[k];
            }
            return *this;
        }
    };

    struct BuildItem
    {
        Node** slot;
        std::uint64_t begin;
        std::uint64_t end;
        ItemBox box;
        // Bit k set: axis k may no longer be split.
        std::uint8_t usedAxes;
        // The axis to try first.
        std::uint8_t axis;
        std::uint64_t belowEnd;
        std::uint64_t straddleEnd;
        // Boxes of the below, straddling and above groups, gathered while partitioning so that the
        // children's boxes need no pass of their own over the elements.
        ItemBox groupBoxes[3];
    };
    // Level buffers are sized without writing to them: the threads fill the items in.
    static_assert(std::is_trivially_default_constructible<BuildItem>::value, "build items need no construction");

    // The items of one level; grows without keeping its contents.
    class ItemBuffer
    {
    public:
        BuildItem* Reserve(std::size_t count)
        {
            if (count > m_capacity)
            {
                m_items.reset(new BuildItem[count]);
                m_capacity = count;
            }
            return m_items.get();
        }
        BuildItem* Data() { return m_items.get(); }
        void Swap(ItemBuffer& other)
        {
            m_items.swap(other.m_items);
            std::swap(m_capacity, other.m_capacity);
        }

    private:
        std::unique_ptr<BuildItem[]> m_items;
        std::size_t m_capacity = 0;
    };

    template <class Iterator>
    static std::size_t _PoolBlockSize(Iterator first, Iterator last)
    {
        std::size_t counted = 0;
        for (; first != last && counted < 1000; ++first) ++counted;
        return std::max<std::size_t>(1, counted);
    }

    template <class Iterator>
    void _Construct(Iterator first, Iterator last)
    {
        for (; first != last; ++first) m_elements.PushBack(ElementKind::FromRange(*first));
        BoxCache cache;
        if (m_parameters.cacheBoxes) _FillBoxCache(cache);
        _Build(cache);
    }

    void _FillBoxCache(BoxCache& cache) const
    {
        std::size_t const count = m_elements.Size();
        if (ElementKind::kParallelBoxCache)
        {
            // Each chunk is allocated by the thread that fills it: the pages are first touched by
            // all threads rather than by this one before the loop.
            cache.ResizeUnallocated(count);
            std::int64_t const chunks = static_cast<std::int64_t>(cache.NumberOfChunks());
            bool exhausted = false;
#pragma omp parallel for schedule(dynamic, 1)
            for (std::int64_t k = 0; k < chunks; ++k)
            {
                try
                {
                    cache.AllocateChunk(std::size_t(k));
                }
                catch (std::bad_alloc const&)
                {
#pragma omp atomic write
                    exhausted = true;
                    continue;
                }
                std::size_t const first = std::size_t(k) << BoxCache::kChunkShift;
                std::size_t const last = std::min(count, first + BoxCache::kChunkSize);
                for (std::size_t i = first; i < last; ++i) cache[i] = ElementKind::CachedBox(m_elements[i], m_source);
            }
            if (exhausted) throw std::bad_alloc();
        }
        else
        {
            cache.Resize(count);
            for (std::size_t i = 0; i < count; ++i) cache[i] = ElementKind::CachedBox(m_elements[i], m_source);
        }
    }

    bool _NeedsSplit(BuildItem const& item) const
    {
        return item.end - item.begin > m_parameters.maxLeafSize && item.usedAxes != kAllAxesUsed;
    }

    static int _ChooseAxis(BuildItem const& item) { return detail::ChooseSplitAxis(item.axis, item.usedAxes); }

    // Where an item of the next level comes from: its parent's index in the current level, the
    // parent's group it holds, and the parent's child slot it goes to.
    struct ChildOrigin
    {
        std::size_t parent;
        std::uint8_t group;
        std::uint8_t slot;
    };

    // Breadth-first, one level at a time. The calling thread lists the next level's items (each
    // a non-empty group of an item just partitioned, in queue order) and takes their nodes from
    // the pool in that order; then the threads fill in the items and their nodes, one item per
    // grab, and partition each at once. Every item's partition, and so the tree, is the same
    // whatever the number of threads.
    void _Build(BoxCache& cache)
    {
        int const threads = omp_get_max_threads();
        ItemBuffer level, next;
        BuildItem& root = *level.Reserve(1);
        _InitItem(root, &m_root, 0, m_elements.Size(), 0, 0);
        if (threads > 1 && cache.Size() >= kParallelRootBoxSize)
            _ComputeBoxParallel(root, cache);
        else
            _ComputeBox(root, cache);
        m_root = _NewNode();
        _FillNode(*m_root, root);
        // The root's partition stays on this thread: sharing it would take a copy of every element
        // and box aside, which costs more than the pass itself.
        _Partition(root, cache);
        std::size_t levelSize = 1;
        // Bit g of an item's entry: the item is split and its group g is not empty.
        std::vector<std::uint8_t> groups(1, _NonEmptyGroups(root)), nextGroups;
        std::vector<ChildOrigin> origins;
        std::vector<std::size_t> firstChild;
        std::vector<Node*> nodes;
        while (true)
        {
            BuildItem* const items = level.Data();
            // A level of few items hands out their children one by one, so that the threads share
            // the few big partitions evenly; a level of many hands out parents with all their
            // children, which spares the calling thread listing every child.
            bool const byParent = levelSize >= kHandOutParentsFrom;
            std::size_t children = 0;
            if (byParent)
            {
                firstChild.resize(levelSize);
                for (std::size_t i = 0; i < levelSize; ++i)
                {
                    firstChild[i] = children;
                    children += (groups[i] & 1u) + (groups[i] >> 1 & 1u) + (groups[i] >> 2 & 1u);
                }
            }
            else
            {
                origins.clear();
                for (std::size_t i = 0; i < levelSize; ++i)
                    for (std::uint8_t group = 0, slot = 0, bits = groups[i]; bits != 0; ++group, bits >>= 1)
                        if (bits & 1) origins.push_back({i, group, slot++});
                children = origins.size();
            }
            if (children == 0) break;
            nodes.resize(children);
            for (Node*& node : nodes) node = _NewNode();
            nextGroups.resize(children);
            BuildItem* const childItems = next.Reserve(children);
            std::int64_t const count = static_cast<std::int64_t>(byParent ? levelSize : children);
            // Handed out in runs of up to 256, at least eight runs per thread and level: enough
            // runs to even out the threads' work, and long enough that two threads rarely write to
            // the same cache line of the level's arrays.
            int const grab =
                static_cast<int>(std::min<std::int64_t>(256, std::max<std::int64_t>(1, count / (8 * threads))));
#pragma omp parallel for schedule(dynamic, grab)
            for (std::int64_t k = 0; k < count; ++k)
            {
                if (!byParent)
                {
                    std::size_t const j = std::size_t(k);
                    _MakeAndPartitionChild(items, origins[j], nodes[j], childItems[j], nextGroups[j], cache);
                    continue;
                }
                std::size_t const i = std::size_t(k);
                std::uint8_t slot = 0;
                for (std::uint8_t group = 0; group < 3; ++group)
                {
                    if (!(groups[i] >> group & 1u)) continue;
                    std::size_t const j = firstChild[i] + slot;
                    _MakeAndPartitionChild(items, ChildOrigin{i, group, slot}, nodes[j], childItems[j], nextGroups[j],
                                           cache);
                    ++slot;
                }
            }
            level.Swap(next);
            groups.swap(nextGroups);
            levelSize = children;
        }
    }

    // From this many items on, a level is handed out by parent.
    static constexpr std::size_t kHandOutParentsFrom = 4096;

    // Fills in the item and node of one child and partitions it; `groups` receives its
    // non-empty groups.
    void _MakeAndPartitionChild(BuildItem const* items, ChildOrigin const& origin, Node* node, BuildItem& child,
                                std::uint8_t& groups, BoxCache& cache)
    {
        _MakeChild(items[origin.parent], origin, node, child);
        _Partition(child, cache);
        groups = _NonEmptyGroups(child);
    }

    // Bit g set: the item is to be split and its group g (below, straddling, above) is not empty.
    std::uint8_t _NonEmptyGroups(BuildItem const& item) const
    {
        if (!_NeedsSplit(item)) return 0;
        return std::uint8_t(unsigned(item.belowEnd > item.begin) | unsigned(item.straddleEnd > item.belowEnd) << 1 |
                            unsigned(item.end > item.straddleEnd) << 2);
    }

    static void _InitItem(BuildItem& item, Node** slot, std::uint64_t begin, std::uint64_t end, std::uint8_t usedAxes,
                          std::uint8_t axis)
    {
        item.slot = slot;
        item.begin = begin;
        item.end = end;
        item.usedAxes = usedAxes;
        item.axis = axis;
        item.belowEnd = begin;
        item.straddleEnd = end;
    }

    Node* _NewNode()
    {
        m_pool.set_next_size(m_poolBlockSize);
        Node* node = m_pool.malloc();
        if (!node) throw std::bad_alloc();
        return node;
    }

    static void _FillNode(Node& node, BuildItem const& item)
    {
        node.box[0] = TruncateToInt32(item.box.min[0]);
        node.box[1] = TruncateToInt32(item.box.max[0]);
        node.box[2] = TruncateToInt32(item.box.min[1]);
        node.box[3] = TruncateToInt32(item.box.max[1]);
        node.box[4] = TruncateToInt32(item.box.min[2]);
        node.box[5] = TruncateToInt32(item.box.max[2]);
        node.begin = item.begin;
        node.end = item.end;
        node.children[0] = node.children[1] = node.children[2] = nullptr;
    }

    // The child of `parent` for one of its groups (below, straddling, above): its item, its node
    // (taken from the pool beforehand) and the parent's child slot. The children split first on
    // the axis after the parent's; the straddling child may no longer split the parent's axis.
    static void _MakeChild(BuildItem const& parent, ChildOrigin const& origin, Node* node, BuildItem& child)
    {
        int const axis = _ChooseAxis(parent);
        std::uint8_t const childAxis = static_cast<std::uint8_t>(detail::NextSplitAxis(axis));
        std::uint8_t const used = origin.group == detail::kStraddling
                                      ? static_cast<std::uint8_t>(parent.usedAxes | (1u << axis))
                                      : parent.usedAxes;
        std::uint64_t const bounds[4] = {parent.begin, parent.belowEnd, parent.straddleEnd, parent.end};
        Node* const parentNode = *parent.slot;
        _InitItem(child, &parentNode->children[origin.slot], bounds[origin.group], bounds[origin.group + 1], used,
                  childAxis);
        child.box = parent.groupBoxes[origin.group];
        _FillNode(*node, child);
        parentNode->children[origin.slot] = node;
    }

    void _ComputeBox(BuildItem& item, BoxCache const& cache) const
    {
        M3DBoundingBox<double> box;
        if (cache.Size() > 0)
        {
            M3DObjectTreeCachedBox all;
            for (std::uint64_t i = item.begin; i < item.end; ++i) _Grow(all, cache[i]);
            if (item.end > item.begin) box = _CachedDoubleBox(all);
        }
        else
        {
            for (std::uint64_t i = item.begin; i < item.end; ++i)
                box |= ElementKind::DoubleBox(m_elements[i], m_source);
        }
        item.box = box;
    }

    // Below this many elements the root is measured by one thread alone.
    static constexpr std::size_t kParallelRootBoxSize = 1u << 16;

    // The root's box, its elements' cached boxes gathered by all threads: integer minima and
    // maxima, so the order of gathering does not matter.
    void _ComputeBoxParallel(BuildItem& item, BoxCache const& cache) const
    {
        M3DObjectTreeCachedBox all;
        std::int64_t const begin = std::int64_t(item.begin), end = std::int64_t(item.end);
#pragma omp parallel
        {
            M3DObjectTreeCachedBox mine;
#pragma omp for schedule(static) nowait
            for (std::int64_t i = begin; i < end; ++i) _Grow(mine, cache[std::size_t(i)]);
#pragma omp critical(vz_static_tree_root_box)
            _Grow(all, mine);
        }
        item.box = item.end > item.begin ? _CachedDoubleBox(all) : M3DBoundingBox<double>();
    }

    // Three groups by the elements' extent on the axis: below (max < split), straddling
    // (min <= split <= max), above (min > split).
    void _Partition(BuildItem& item, BoxCache& cache)
    {
        if (!_NeedsSplit(item)) return;
        if (cache.Size() > 0)
            _PartitionCached(item, cache);
        else
            _PartitionUncached(item);
    }

    // Cached boxes are integers: their groups are gathered as integers, which is exact and spares
    // six conversions per element.
    void _PartitionCached(BuildItem& item, BoxCache& cache)
    {
        int const axis = _ChooseAxis(item);
        double const split = detail::SplitValue(item.box.min[axis], item.box.max[axis]);
        M3DObjectTreeCachedBox groups[3];
        auto const ends = detail::PartitionAtSplit(
            item.begin, item.end,
            [&](std::size_t i)
            {
                M3DObjectTreeCachedBox const& b = cache[i];
                detail::SplitGroup const group = detail::GroupOf(_CachedMin(b, axis), _CachedMax(b, axis), split);
                _GrowGroup(groups, group, b);
                return group;
            },
            [&](std::size_t i, std::size_t j) { _SwapElements(i, j, cache); });
        item.belowEnd = ends.first;
        item.straddleEnd = ends.second;
        std::uint64_t const bounds[4] = {item.begin, ends.first, ends.second, item.end};
        for (int g = 0; g < 3; ++g)
            if (bounds[g] < bounds[g + 1]) item.groupBoxes[g] = _CachedDoubleBox(groups[g]);
    }

    void _PartitionUncached(BuildItem& item)
    {
        int const axis = _ChooseAxis(item);
        double const split = detail::SplitValue(item.box.min[axis], item.box.max[axis]);
        M3DBoundingBox<double> groups[3];
        auto const ends = detail::PartitionAtSplit(
            item.begin, item.end,
            [&](std::size_t i)
            {
                M3DBoundingBox<double> const b = ElementKind::DoubleBox(m_elements[i], m_source);
                detail::SplitGroup const group = detail::GroupOf(b.min[axis], b.max[axis], split);
                if (group == detail::kBelow)
                    groups[0] |= b;
                else if (group == detail::kAbove)
                    groups[2] |= b;
                else
                    groups[1] |= b;
                return group;
            },
            [&](std::size_t i, std::size_t j) { m_elements.SwapEntries(i, j); });
        item.belowEnd = ends.first;
        item.straddleEnd = ends.second;
        for (int g = 0; g < 3; ++g) item.groupBoxes[g] = groups[g];
    }

    void _SwapElements(std::uint64_t a, std::uint64_t b, BoxCache& cache)
    {
        m_elements.SwapEntries(a, b);
        cache.SwapEntries(a, b);
    }

    template <class Query>
    void _Search(Node const& node, Query& query, double& bestDistance, T& bestElement) const
    {
        constexpr double kInfinity = std::numeric_limits<double>::infinity();
        if (node.IsLeaf())
        {
            // Start loading every element of the leaf before measuring the first one.
            for (std::uint64_t i = node.begin; i < node.end; ++i) ElementKind::Prefetch(m_elements[i]);
            for (std::uint64_t i = node.begin; i < node.end; ++i) ElementKind::PrefetchVertices(m_elements[i]);
            for (std::uint64_t i = node.begin; i < node.end; ++i)
            {
                T const& element = m_elements[i];
                double const d = query.ElementDistance(element);
                if (d <= bestDistance && d < kInfinity)
                {
                    bestDistance = d;
                    bestElement = element;
                }
            }
            return;
        }
        // Nearest first; a stable insertion sort keeps slot order among equal distances.
        Node const* order[3];
        double distance[3];
        int count = 0;
        for (Node const* child : node.children)
        {
            if (!child) continue;
            double const d = query.BoxDistance(child->GetBox());
            int j = count++;
            while (j > 0 && distance[j - 1] > d)
            {
                distance[j] = distance[j - 1];
                order[j] = order[j - 1];
                --j;
            }
            distance[j] = d;
            order[j] = child;
            // The grandchildren's boxes are what the next level down reads first.
            for (Node const* grandchild : child->children)
                if (grandchild) __builtin_prefetch(grandchild);
        }
        for (int k = 0; k < count; ++k)
            if (distance[k] <= bestDistance && distance[k] < kInfinity)
                _Search(*order[k], query, bestDistance, bestElement);
    }

    ChunkedArray<T> m_elements;
    Node* m_root = nullptr;
    boost::object_pool<Node> m_pool;
    std::size_t m_poolBlockSize;
    Parameters m_parameters;
    ElementSource m_source{};
};

} // namespace MeshQueries
