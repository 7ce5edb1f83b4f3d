#include "collision/MUserOperatorCollisionDetectorWithToleranceMultipart.h"

#include "collision/detail/ParameterChecks.h"

#include "collision/ToleranceQuery.h"
#include "collision/detail/CollisionProgress.h"
#include "trees/M3DObjectTree.h"
#include "trees/OperatorTreeKind.h"
#include <algorithm>
#include <boost/iterator/counting_iterator.hpp>
#include <limits>
#include <omp.h>

namespace
{
using MeshTree = MeshQueries::M3DObjectTree<MStlTriangle const*>;
using CompactTree = MeshQueries::M3DObjectTree<std::size_t>;

MeshQueries::M3DObjectTreeBase::Parameters CollisionTreeParameters()
{
    MeshQueries::M3DObjectTreeBase::Parameters parameters;
    parameters.cacheBoxes = true;
    parameters.maxLeafSize = MaxLeafSizeOfTreeKind(eCollisionTree);
    return parameters;
}

// A null part, a caller error, counts as a part without triangles rather than being dereferenced.
std::size_t TriangleCount(MultipartPart const& part)
{
    if (auto const* mesh = std::get_if<MStlBase const*>(&part.part)) return *mesh ? (*mesh)->NumberOfTriangles() : 0;
    MStlCompact const* compact = std::get<MStlCompact const*>(part.part);
    return compact ? compact->GetNumTriangles() : 0;
}

MMTransformMatrix MappingInto(MMTransformMatrix const& treeTransform, MMTransformMatrix const& queryTransform)
{
    MMTransformMatrix mapping(treeTransform);
    mapping.Invert(); // a singular placement is not reported
    mapping.PostMultiply(queryTransform);
    return mapping;
}

// The query triangles of one part: mesh triangles in iteration order, or compact triangle indexes.
class MeshQueryTriangles
{
public:
    explicit MeshQueryTriangles(MStlBase const* mesh)
    {
        m_triangles.reserve(mesh->NumberOfTriangles());
        for (auto it = MStlIteratorStlTriangleConst::Begin(mesh); it != MStlIteratorStlTriangleConst::End(mesh); ++it)
            m_triangles.push_back(&*it);
    }
    std::size_t Count() const { return m_triangles.size(); }
    MeshQueries::ToleranceQuery Query(std::size_t i, MMTransformMatrix const& mapping, double tolerance,
                                      MStlCompact const* treeRef) const
    {
        return MeshQueries::MakeToleranceQuery(m_triangles[i], mapping, tolerance, treeRef);
    }

private:
    std::vector<MStlTriangle const*> m_triangles;
};

class CompactQueryTriangles
{
public:
    explicit CompactQueryTriangles(MStlCompact const* compact) : m_compact(compact) {}
    std::size_t Count() const { return m_compact->GetNumTriangles(); }
    MeshQueries::ToleranceQuery Query(std::size_t i, MMTransformMatrix const& mapping, double tolerance,
                                      MStlCompact const* treeRef) const
    {
        return MeshQueries::MakeToleranceQuery(*m_compact, i, mapping, tolerance, treeRef);
    }

private:
    MStlCompact const* m_compact;
};

// True when some query triangle lies within the tolerance of the tree. Threads stop starting new
// queries soon after the first hit through a shared flag.
template <class Tree, class QueryTriangles>
bool AnyWithinTolerance(Tree const& tree, MStlCompact const* treeRef, QueryTriangles const& queries,
                        MMTransformMatrix const& mapping, double tolerance, MeshQueries::CollisionProgress& progress)
{
    bool collided = false;
    long const count = long(queries.Count());
    long const chunk = 100;
#pragma omp parallel for schedule(dynamic, chunk) num_threads(omp_get_num_procs())
    for (long i = 0; i < count; ++i)
    {
        // Every index passes here once, so the chunks counted add up whatever is skipped.
        progress.AdvanceAtChunkEnd(i, count, chunk);
        bool done;
#pragma omp flush
#pragma omp atomic read
        done = collided;
        if (done || progress.IsStopRequested()) continue;
        MeshQueries::ToleranceQuery query = queries.Query(std::size_t(i), mapping, tolerance, treeRef);
        if (MeshQueries::IsWithinTolerance(tree, query))
        {
#pragma omp atomic write
            collided = true;
#pragma omp flush
        }
    }
    progress.RethrowFailure();
    return collided;
}

// treeRef: the compact mesh that resolves the tree's triangle indexes, null for a tree of mesh triangles.
M3DBoundingBox<double> PartBox(MultipartPart const& part)
{
    M3DBoundingBox<double> box;
    if (auto const* mesh = std::get_if<MStlBase const*>(&part.part))
    {
        M3DBoundingBox<long> const integer = (*mesh)->GetBoundingBox();
        if (!integer.IsEmpty())
            box.Set(MMPoint3d<double>(integer.GetCornerMin()), MMPoint3d<double>(integer.GetCornerMax()));
        return box;
    }
    MStlCompact const* compact = std::get<MStlCompact const*>(part.part);
    for (std::size_t i = 0; i < compact->GetNumVertices(); ++i)
    {
        MStlCompact::MVertex const& v = compact->GetVertex(i);
        box.AddPoint(MMPoint3d<double>(v.x, v.y, v.z));
    }
    return box;
}

// A box that holds the mapped box of a part: its eight corners mapped, grown by two units to cover
// the one-unit growth of every query box and the rounding of the mapping.
M3DBoundingBox<double> MappedCover(M3DBoundingBox<double> const& box, MMTransformMatrix const& mapping)
{
    M3DBoundingBox<double> cover;
    for (int corner = 0; corner < 8; ++corner)
    {
        MMPoint3d<double> const p((corner & 1) ? box.GetMax(0) : box.GetMin(0),
                                  (corner & 2) ? box.GetMax(1) : box.GetMin(1),
                                  (corner & 4) ? box.GetMax(2) : box.GetMin(2));
        cover.AddPoint(mapping.Transform(p, false));
    }
    for (int k = 0; k < 3; ++k)
    {
        cover.SetMin(k, cover.GetMin(k) - 2.0);
        cover.SetMax(k, cover.GetMax(k) + 2.0);
    }
    return cover;
}

double GapSqr(M3DBoundingBox<double> const& a, M3DBoundingBox<double> const& b)
{
    double sum = 0.0;
    for (int k = 0; k < 3; ++k)
    {
        double gap = 0.0;
        if (a.GetMin(k) > b.GetMax(k))
            gap = a.GetMin(k) - b.GetMax(k);
        else if (b.GetMin(k) > a.GetMax(k))
            gap = b.GetMin(k) - a.GetMax(k);
        sum += gap * gap;
    }
    return sum;
}

// True when no query triangle can find a tree triangle: every node box below the root lies inside
// the root box, so a query part whose cover is farther than the tolerance from it finds nothing.
// Deciding this once spares the parallel loop for parts that are far apart.
template <class Tree>
bool CannotCollide(Tree const& tree, MultipartPart const& queryPart, MMTransformMatrix const& mapping, double tolerance)
{
    if (tree.NumberOfElements() == 0) return true;
    M3DBoundingBox<double> const queryBox = PartBox(queryPart);
    if (queryBox.IsEmpty()) return true;
    double const limit = tolerance < std::numeric_limits<double>::infinity() ? tolerance * tolerance
                                                                             : std::numeric_limits<double>::infinity();
    return GapSqr(tree.GetRoot()->GetBox(), MappedCover(queryBox, mapping)) > limit;
}

template <class Tree>
bool PartCollides(Tree const& tree, MStlCompact const* treeRef, MultipartPart const& queryPart,
                  MMTransformMatrix const& mapping, double tolerance, MeshQueries::CollisionProgress& progress)
{
    if (TriangleCount(queryPart) == 0 || CannotCollide(tree, queryPart, mapping, tolerance))
    {
        progress.Advance(TriangleCount(queryPart));
        return false;
    }
    if (auto const* mesh = std::get_if<MStlBase const*>(&queryPart.part))
        return AnyWithinTolerance(tree, treeRef, MeshQueryTriangles(*mesh), mapping, tolerance, progress);
    return AnyWithinTolerance(tree, treeRef, CompactQueryTriangles(std::get<MStlCompact const*>(queryPart.part)),
                              mapping, tolerance, progress);
}
} // namespace

MUserOperatorCollisionDetectorWithToleranceMultipart::MUserOperatorCollisionDetectorWithToleranceMultipart() = default;

std::size_t MUserOperatorCollisionDetectorWithToleranceMultipart::AddPart(MStlBase const* part,
                                                                          MMTransformMatrix transform)
{
    parts.push_back({part, transform});
    return parts.size() - 1;
}

std::size_t MUserOperatorCollisionDetectorWithToleranceMultipart::AddPart(MStlCompact const* part,
                                                                          MMTransformMatrix transform)
{
    parts.push_back({part, transform});
    return parts.size() - 1;
}

void MUserOperatorCollisionDetectorWithToleranceMultipart::SetAllParams(MParams const& params_) { params = params_; }

void MUserOperatorCollisionDetectorWithToleranceMultipart::SetProgressDelegate(
    std::shared_ptr<Zodara::Common::IProgressDelegate> const& delegate)
{
    progressDelegate = delegate;
}

void MUserOperatorCollisionDetectorWithToleranceMultipart::GetCollisions(
    std::vector<std::pair<std::size_t, std::size_t>>& collisions_) const
{
    collisions_ = collisions;
}

MUserOperatorCollisionDetectorWithToleranceMultipart::EReturnCode
MUserOperatorCollisionDetectorWithToleranceMultipart::Operate()
{
    if (parts.empty()) return eNoParts;
    if (!parameterchecks::IsLengthLimit(params.Tolerance)) return eInvalidParameters;
    for (MultipartPart const& part : parts)
        if (!parameterchecks::IsFiniteTransform(part.transform)) return eInvalidParameters;
    collisions.clear();
    std::vector<std::size_t> order = _SizeOrder();
    // Part order[k] queries the trees of the parts after it in the order, once each.
    std::size_t steps = 0;
    for (std::size_t k = 0; k < order.size(); ++k) steps += TriangleCount(parts[order[k]]) * (order.size() - 1 - k);
    MeshQueries::CollisionProgress progress(progressDelegate, "multipart collision", steps);
    while (order.size() > 1 && !progress.IsStopRequested())
    {
        std::size_t const r = order.back();
        order.pop_back();
        _ExaminePart(r, order, progress);
    }
    progress.RethrowFailure(); // also a failure while counting pairs that were not searched
    return progress.WasCancelled() ? eCancelled : eOK;
}

std::vector<std::size_t> MUserOperatorCollisionDetectorWithToleranceMultipart::_SizeOrder() const
{
    std::vector<std::pair<std::size_t, std::size_t>> sizes;
    sizes.reserve(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) sizes.emplace_back(TriangleCount(parts[i]), i);
    std::sort(sizes.begin(), sizes.end());
    std::vector<std::size_t> order;
    order.reserve(sizes.size());
    for (auto const& s : sizes) order.push_back(s.second);
    return order;
}

void MUserOperatorCollisionDetectorWithToleranceMultipart::_ExaminePart(std::size_t r,
                                                                        std::vector<std::size_t> const& others,
                                                                        MeshQueries::CollisionProgress& progress)
{
    MultipartPart const& treePart = parts[r];
    if (TriangleCount(treePart) == 0) // nothing to find in an empty tree
    {
        for (std::size_t j : others) progress.Advance(TriangleCount(parts[j]));
        return;
    }
    double const tolerance = params.Tolerance;
    auto examine = [&](auto const& tree, MStlCompact const* treeRef)
    {
        for (std::size_t j : others)
        {
            MMTransformMatrix const mapping = MappingInto(treePart.transform, parts[j].transform);
            bool const collides = PartCollides(tree, treeRef, parts[j], mapping, tolerance, progress);
            // A pair whose search was stopped is not known to be clear, and is left out only when
            // no hit was found before the stop.
            if (collides) collisions.emplace_back(r, j);
        }
    };
    if (auto const* mesh = std::get_if<MStlBase const*>(&treePart.part))
    {
        MeshTree const tree(MStlIteratorStlTriangleConst::Begin(*mesh), MStlIteratorStlTriangleConst::End(*mesh),
                            CollisionTreeParameters());
        examine(tree, nullptr);
    }
    else
    {
        MStlCompact const* compact = std::get<MStlCompact const*>(treePart.part);
        CompactTree const tree(boost::counting_iterator<std::size_t>(0),
                               boost::counting_iterator<std::size_t>(compact->GetNumTriangles()), *compact,
                               CollisionTreeParameters());
        examine(tree, compact);
    }
}
