#include <limits>
#include <utility>
#include <vector>

#include "trees/M3DTriangleTreeMutable.h"
#include "trees/detail/RayTriangleTest.h"
#include "trees/detail/SegmentBoxClip.h"
#include "trees/detail/TrianglePrefetch.h"

namespace MeshQueriesMutable
{

namespace
{

using Tree = M3DTriangleTreeMutableStl;
using Result = MeshQueries::ProjectPointResult<StlHandle>;
using Point = Tree::Point;
using Triangle = Tree::Triangle;

// What ProjectPoint reports for the ray from origin along the unit direction whose search ended
// with hit (null for none) at parameter tMax.
Result ReportHit(StlHandle const& mesh, Point const& origin, Point const& unit, double tMax, MStlTriangle* hit)
{
    Result result;
    if (!hit) return result;
    result.mesh = mesh;
    result.distance = tMax;
    result.triangle = Triangle(hit);
    result.point = origin + unit * tMax;
    return result;
}

// The unit direction of a ray, false for a zero (or not finite) length.
bool Normalised(Point const& direction, Point& unit)
{
    double const length = direction.Length();
    if (!(length > 0.0)) return false;
    unit = direction / length;
    return true;
}

} // namespace

Result M3DTriangleTreeMutableStl::ProjectPoint(Point const& origin, Point const& direction)
{
    Point unit;
    if (!m_root || !Normalised(direction, unit)) return Result();
    double tMax = std::numeric_limits<double>::max();
    MStlTriangle* hit = nullptr;
    m_root->ProjectPoint(hit, origin, unit, tMax);
    return ReportHit(m_mesh, origin, unit, tMax, hit);
}

namespace
{

using GroupBox = MeshQueries::TrianglesGroupBBox3D;
using BoxTripleClip = unsigned (*)(GroupBox const&, GroupBox const&, GroupBox const&, Point const&, Point const&,
                                   double, double, double*);

// A node's three children clipped at once: in four lanes where the processor has 256-bit vectors,
// else two boxes in a pair of lanes and one alone. Both give the same bits.
BoxTripleClip ChildClipForThisProcessor()
{
#if defined(VZ_HAS_WIDE_BOX_CLIP)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx")) return SegmentMeetsBoxTripleWide;
#endif
    return SegmentMeetsBoxTriple;
}

} // namespace

int M3DTriangleTreeMutableStl::Node::RaySearchOrder(Point const& origin, Point const& direction, double tMax,
                                                    int (&order)[3])
{
    BaseNode* const* const c = children;
    BaseNode* const any = c[0] ? c[0] : (c[1] ? c[1] : c[2]);
    GroupBox const* boxes[3];
    for (int slot = 0; slot < 3; ++slot)
    {
        if (c[slot]) c[slot]->EnsureBBox();
        boxes[slot] = &(c[slot] ? c[slot] : any)->box;
    }
    double entry[3] = {0.0, 0.0, 0.0};
    // An absent child is clipped on a present sibling's box and its outcome dropped.
    static BoxTripleClip const clipChildren = ChildClipForThisProcessor();
    unsigned const met = clipChildren(*boxes[0], *boxes[1], *boxes[2], origin, direction, 0.0, tMax, entry);
    bool passed[3];
    for (int slot = 0; slot < 3; ++slot)
    {
        passed[slot] = c[slot] && ((met >> slot) & 1u);
        if (passed[slot]) c[slot]->PrefetchContents();
    }
    int count = 0;
    if (passed[1]) order[count++] = 1;
    if (passed[0] && passed[2])
    {
        bool const lowFirst = entry[0] < entry[2];
        order[count++] = lowFirst ? 0 : 2;
        order[count++] = lowFirst ? 2 : 0;
    }
    else if (passed[0])
    {
        order[count++] = 0;
    }
    else if (passed[2])
    {
        order[count++] = 2;
    }
    return count;
}

void M3DTriangleTreeMutableStl::Node::ProjectPoint(MStlTriangle*& result, Point const& origin, Point const& direction,
                                                   double& tMax)
{
    PrefetchChildren(children);
    int order[3];
    int const count = RaySearchOrder(origin, direction, tMax, order);
    result = nullptr;
    for (int i = 0; i < count; ++i)
    {
        double const before = tMax;
        MStlTriangle* found = nullptr;
        children[order[i]]->ProjectPoint(found, origin, direction, tMax);
        if (tMax < before) result = found;
    }
}

namespace
{

// Rays a batch search keeps in flight: enough for their waits for memory to overlap the others'
// work, few enough for their nodes to stay in cache between turns.
constexpr int kRaysInFlight = 8;

// One ray of a batch and where its search stands. The search is the one ProjectPoint makes, with
// the children the recursion has yet to enter on an explicit stack, the first to be entered on top.
// The recursion keeps a child's hit only when the child's search shortened the ray, so its answer
// is the hit of the last leaf that shortened the ray, which is what `hit` holds. A leaf takes three
// turns: its triangle records are requested in the first, their corners in the second, and the
// third tests them.
struct RayInFlight
{
    std::size_t index = 0;
    Point unit;
    double tMax = 0.0;
    MStlTriangle* hit = nullptr;
    Tree::Leaf* leaf = nullptr;
    bool cornersRequested = false;
    std::vector<Tree::BaseNode*> stack;
};

// One step of a ray's search; false when the search is over.
bool TakeTurn(RayInFlight& ray, Point const& origin)
{
    if (ray.leaf)
    {
        if (!ray.cornersRequested)
        {
            PrefetchTriangleCorners(ray.leaf->triangles);
            ray.cornersRequested = true;
            return true;
        }
        double const before = ray.tMax;
        MStlTriangle* found = nullptr;
        ray.leaf->ProjectPoint(found, origin, ray.unit, ray.tMax);
        if (ray.tMax < before) ray.hit = found;
        ray.leaf = nullptr;
        return true;
    }
    if (ray.stack.empty()) return false;
    Tree::BaseNode* const next = ray.stack.back();
    ray.stack.pop_back();
    if (next->IsLeaf())
    {
        ray.leaf = static_cast<Tree::Leaf*>(next);
        ray.cornersRequested = false;
        PrefetchTriangleRecords(ray.leaf->triangles);
        return true;
    }
    auto* const node = static_cast<Tree::Node*>(next);
    int order[3];
    for (int i = node->RaySearchOrder(origin, ray.unit, ray.tMax, order); i-- > 0;)
        ray.stack.push_back(node->children[order[i]]);
    return true;
}

} // namespace

void M3DTriangleTreeMutableStl::ProjectPoints(Point const* origins, Point const* directions, std::size_t count,
                                              Result* results)
{
    // A root leaf's hit counts even when it does not shorten the ray; the single search has it so.
    if (!m_root || m_root->IsLeaf())
    {
        for (std::size_t i = 0; i < count; ++i) results[i] = ProjectPoint(origins[i], directions[i]);
        return;
    }
    std::size_t nextRay = 0;
    // Starts the next ray of the batch that has a direction; false when none is left.
    auto start = [&](RayInFlight& ray)
    {
        for (; nextRay < count; ++nextRay)
        {
            if (!Normalised(directions[nextRay], ray.unit))
            {
                results[nextRay] = Result();
                continue;
            }
            ray.index = nextRay++;
            ray.tMax = std::numeric_limits<double>::max();
            ray.hit = nullptr;
            ray.leaf = nullptr;
            ray.stack.assign(1, m_root);
            m_root->PrefetchContents();
            return true;
        }
        return false;
    };
    RayInFlight rays[kRaysInFlight];
    int active = 0;
    while (active < kRaysInFlight && start(rays[active])) ++active;
    while (active > 0)
        for (int k = 0; k < active;)
        {
            RayInFlight& ray = rays[k];
            Point const& origin = origins[ray.index];
            if (TakeTurn(ray, origin))
            {
                ++k;
                continue;
            }
            results[ray.index] = ReportHit(m_mesh, origin, ray.unit, ray.tMax, ray.hit);
            if (!start(ray)) std::swap(ray, rays[--active]);
        }
}

void M3DTriangleTreeMutableStl::Leaf::ProjectPoint(MStlTriangle*& result, Point const& origin, Point const& direction,
                                                   double& tMax)
{
    PrefetchTriangles(triangles);
    result = nullptr;
    for (MStlTriangle* t : triangles)
    {
        double hit;
        if (RayHitsTriangle(origin, direction, t->GetVertex(0), t->GetVertex(1), t->GetVertex(2), 0.0, tMax, hit))
        {
            result = t;
            tMax = hit;
        }
    }
}

void M3DTriangleTreeMutableStl::Node::GetTrianglesAlongLineSegment(std::vector<Triangle>& out, Point const& origin,
                                                                   Point const& direction, double const& tMin,
                                                                   double const& tMax)
{
    for (BaseNode* child : children)
    {
        if (!child) continue;
        child->EnsureBBox();
        double entry;
        if (SegmentMeetsBox(child->box, origin, direction, tMin, tMax, entry))
            child->GetTrianglesAlongLineSegment(out, origin, direction, tMin, tMax);
    }
}

void M3DTriangleTreeMutableStl::Leaf::GetTrianglesAlongLineSegment(std::vector<Triangle>& out, Point const& origin,
                                                                   Point const& direction, double const& tMin,
                                                                   double const& tMax)
{
    for (MStlTriangle* t : triangles)
    {
        double hit;
        if (RayHitsTriangle(origin, direction, t->GetVertex(0), t->GetVertex(1), t->GetVertex(2), tMin, tMax, hit))
            out.emplace_back(t);
    }
}

} // namespace MeshQueriesMutable
