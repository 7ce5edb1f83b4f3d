#pragma once
// The library's side of the peer comparison: the same work as the peers do, through the library's
// own entry points, with every answer kept so that it can be compared with a peer's or hashed.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include <omp.h>

#include "PeerInputs.h"
#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "trees/M3DObjectTree.h"
#include "trees/M3DTriangleTreeMutable.h"
#include "trees/NearestTriangleQuery.h"

namespace peers
{

// A first hit or a closest triangle: the triangle's index in its mesh (-1 for none) and the ray
// parameter or the squared distance.
struct Answer
{
    std::int64_t triangle = -1;
    double value = 0.0;
};

using MutableTree = MeshQueriesMutable::M3DTriangleTreeMutableStl;
using StaticTree = MeshQueries::M3DObjectTree<MStlTriangle const*>;

inline MeshQueries::M3DObjectTreeBase::Parameters StaticTreeParameters()
{
    MeshQueries::M3DObjectTreeBase::Parameters p;
    p.cacheBoxes = true;
    p.maxLeafSize = 10;
    return p;
}

inline std::unique_ptr<StaticTree> BuildStaticTree(MStlBase const& mesh)
{
    return std::make_unique<StaticTree>(MStlIteratorStlTriangleConst::Begin(&mesh),
                                        MStlIteratorStlTriangleConst::End(&mesh), StaticTreeParameters());
}

// First hits through the mutable tree. A mutable tree refreshes its boxes during queries, so each
// thread casts through a tree of its own over the shared mesh.
class OurRays
{
public:
    OurRays(MStlBase& mesh, int threads)
    {
        for (int i = 0; i < threads; ++i)
        {
            m_trees.push_back(std::make_unique<MutableTree>(MutableTree::FineLeaves));
            m_trees.back()->SetMesh(MeshQueriesMutable::StlHandle(&mesh));
            m_trees.back()->Rebuild();
        }
    }

    void Run(std::vector<Ray> const& rays, std::vector<Answer>& answers)
    {
        answers.assign(rays.size(), Answer());
        std::int64_t const n = std::int64_t(rays.size());
#pragma omp parallel for schedule(dynamic, 1024) num_threads(int(m_trees.size()))
        for (std::int64_t i = 0; i < n; ++i)
        {
            auto const r = m_trees[std::size_t(omp_get_thread_num())]->ProjectPoint(rays[i].origin, rays[i].direction);
            if (r.Found()) answers[i] = {std::int64_t(r.triangle.Get()->GetElementIndex()), r.distance};
        }
    }

    // The same rays through ProjectPoints, in batches of kBatch rays; origins and directions apart.
    static constexpr std::int64_t kBatch = 1024;
    void RunBatched(std::vector<Point> const& origins, std::vector<Point> const& directions,
                    std::vector<Answer>& answers)
    {
        answers.assign(origins.size(), Answer());
        std::int64_t const n = std::int64_t(origins.size());
#pragma omp parallel num_threads(int(m_trees.size()))
        {
            MutableTree& tree = *m_trees[std::size_t(omp_get_thread_num())];
            std::vector<MeshQueries::ProjectPointResult<MeshQueriesMutable::StlHandle>> results(std::size_t{kBatch});
#pragma omp for schedule(dynamic, 1)
            for (std::int64_t begin = 0; begin < n; begin += kBatch)
            {
                std::int64_t const count = std::min(kBatch, n - begin);
                tree.ProjectPoints(&origins[begin], &directions[begin], std::size_t(count), results.data());
                for (std::int64_t i = 0; i < count; ++i)
                    if (results[i].Found())
                        answers[begin + i] = {std::int64_t(results[i].triangle.Get()->GetElementIndex()),
                                              results[i].distance};
            }
        }
    }

private:
    std::vector<std::unique_ptr<MutableTree>> m_trees;
};

// Origins and directions of rays, each in an array of its own, as ProjectPoints takes them.
inline void SplitRays(std::vector<Ray> const& rays, std::vector<Point>& origins, std::vector<Point>& directions)
{
    origins.resize(rays.size());
    directions.resize(rays.size());
    for (std::size_t i = 0; i < rays.size(); ++i)
    {
        origins[i] = rays[i].origin;
        directions[i] = rays[i].direction;
    }
}

using MeshQueries::NearestTriangleQuery;

inline void OurClosest(StaticTree const& tree, std::vector<Point> const& points, int threads,
                       std::vector<Answer>& answers)
{
    answers.assign(points.size(), Answer());
    std::int64_t const n = std::int64_t(points.size());
#pragma omp parallel for schedule(dynamic, 1024) num_threads(threads)
    for (std::int64_t i = 0; i < n; ++i)
    {
        double best = std::numeric_limits<double>::infinity();
        MStlTriangle const* element = nullptr;
        tree.FindNearest(NearestTriangleQuery(points[i]), best, element);
        if (element) answers[i] = {std::int64_t(element->GetElementIndex()), best};
    }
}

// The whole two-part collision operator, trees included; flags[p][i] is set when triangle i of part
// p is within the tolerance of the other part.
inline void OurContact(MStlBase& first, MStlBase& second, double tolerance, int threads,
                       std::vector<std::uint8_t> flags[2])
{
    flags[0].assign(first.NumberOfTriangles(), 0);
    flags[1].assign(second.NumberOfTriangles(), 0);
    MUserOperatorCollisionDetectorWithTolerance detector;
    MUserOperatorCollisionDetectorWithTolerance::MParams params;
    params.Tolerance = tolerance;
    detector.SetAllParams(params);
    detector.SetFirstPart(&first, [&](MStlTriangle& t) { flags[0][t.GetElementIndex()] = 1; });
    detector.SetSecondPart(&second, [&](MStlTriangle& t) { flags[1][t.GetElementIndex()] = 1; });
    int const saved = omp_get_max_threads();
    omp_set_num_threads(threads);
    detector.Operate();
    omp_set_num_threads(saved);
}

} // namespace peers
