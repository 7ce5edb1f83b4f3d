#pragma once
// Shared by the collision tests: reference answers from every pair of triangles measured, in the
// frame the operators use (query triangles mapped into the tree part's coordinates), and a progress
// delegate that records what it is told.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"
#include "interfaces/Progress.h"
#include "support/reference_geometry.h"
#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace vz_test
{
using Point = MMPoint3d<double>;

struct PlacedTriangle
{
    Point v[3];
};

inline MMTransformMatrix Mapping(MMTransformMatrix const& treeTransform, MMTransformMatrix const& queryTransform)
{
    MMTransformMatrix m(treeTransform);
    m.Invert();
    m.PostMultiply(queryTransform);
    return m;
}

inline MMTransformMatrix Placement(Point const& axis, double angle, Point const& offset)
{
    MMTransformMatrix m = MMTransformMatrix::Translation(offset);
    m.PostMultiply(MMTransformMatrix::Rotation(axis, angle));
    return m;
}

inline PlacedTriangle Placed(Point const (&v)[3], MMTransformMatrix const& m)
{
    PlacedTriangle t;
    for (int k = 0; k < 3; ++k) t.v[k] = m.Transform(v[k], false);
    return t;
}

inline std::vector<PlacedTriangle> TrianglesOf(MStlBase const& mesh, MMTransformMatrix const& m)
{
    std::vector<PlacedTriangle> out;
    for (MStlTriangle const* t : mesh.GetTriangles())
    {
        Point const v[3] = {t->GetVertex(0), t->GetVertex(1), t->GetVertex(2)};
        out.push_back(Placed(v, m));
    }
    return out;
}

inline std::vector<PlacedTriangle> TrianglesOf(MStlCompact const& mesh, MMTransformMatrix const& m)
{
    std::vector<PlacedTriangle> out;
    for (std::size_t i = 0; i < mesh.GetNumTriangles(); ++i)
    {
        Point v[3];
        for (int k = 0; k < 3; ++k)
        {
            auto const& p = mesh.GetVertex(mesh.GetTriangle(i).v[k]);
            v[k] = Point(p.x, p.y, p.z);
        }
        out.push_back(Placed(v, m));
    }
    return out;
}

// For each query triangle: does it lie within the tolerance of some tree triangle?
inline std::vector<bool> WithinTolerance(std::vector<PlacedTriangle> const& queries,
                                         std::vector<PlacedTriangle> const& tree, double tolerance)
{
    std::vector<bool> hits;
    for (auto const& q : queries)
        hits.push_back(std::any_of(tree.begin(), tree.end(),
                                   [&](PlacedTriangle const& t)
                                   { return TriangleDistanceSqr(q.v, t.v) <= tolerance * tolerance; }));
    return hits;
}

// Records what it is told; asks to stop once `stopAfter` progress calls have come (never when 0).
struct RecordingDelegate : Zodara::Common::IProgressDelegate
{
    explicit RecordingDelegate(std::size_t stopAfter_ = 0) : stopAfter(stopAfter_) {}
    void OnStart(std::string const&, std::size_t total) override { totals.push_back(total); }
    void OnProgress(std::size_t done, std::size_t) override
    {
        lastDone = done;
        ++progressCalls;
        if (throwOnProgress) throw std::runtime_error("delegate failed");
    }
    void OnFinish() override { ++finishes; }
    bool IsCancelRequested() override { return stopAfter != 0 && progressCalls >= stopAfter; }

    std::size_t stopAfter;
    bool throwOnProgress = false;
    std::vector<std::size_t> totals;
    std::size_t lastDone = 0, progressCalls = 0, finishes = 0;
};
} // namespace vz_test
