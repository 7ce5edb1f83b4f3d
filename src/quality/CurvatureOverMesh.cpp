// Curvature ratios over a whole mesh. The ratio of a triangle T combines, for each vertex v of T,
// the walk around v's fan that starts at T: the least fold ratio met, plus the smaller of the bends
// summed before and after it. Walking every fan from every triangle costs the square of the
// valence; here each step of every fan (triangle, vertex -> next triangle around the vertex) is a
// node of a graph measured once, and a triangle's walk is replayed exactly only when a cheap bound
// does not already show that it cannot lower the triangle's value.
#include "quality/detail/CurvatureOverMesh.h"

#include <cstdint>
#include <limits>

#include "quality/detail/CurvatureAngles.h"

namespace Zodara
{
namespace Rudizidov
{
namespace curvature
{

namespace
{

using Metric = MTriangleQualityCalculator::MetricType;
constexpr std::size_t kNone = std::size_t(-1);
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The first slot of t holding v (0 when v is no corner, which cannot happen for fan steps).
std::size_t FirstSlotOf(MStlTriangle const* t, MStlPoint const* v)
{
    return t->GetPoint(0) == v ? 0 : (t->GetPoint(1) == v ? 1 : 2);
}

// One step of a fan: from a triangle, around one of its corners (its first slot holding that
// point), to the neighbour across the edge that starts there.
struct FanSteps
{
    std::vector<std::size_t> next;   // node of the neighbour around the same point, or kNone
    std::vector<double> angle;       // signed fold angle of the step (when next exists)
    std::vector<double> ratio;       // the metric's ratio of that angle
    std::vector<double> orbitLeast;  // least ratio of all steps reachable from the node, or infinity
    std::vector<std::int64_t> cycle; // index of the cycle the node lies on, or -1
    std::vector<std::size_t> place;  // position of the node on its cycle
};

// A cycle of steps: positions 0..k-1 in walking order, with running bend sums and the next
// position of the least ratio over two rounds, so that any start can be judged in constant time.
struct Cycle
{
    double least = kInfinity;
    std::size_t length = 0;
    std::vector<double> bendSums; // bendSums[j] = sum of bends of positions 0..j-1 over two rounds
    std::vector<std::size_t> nextLeast;
    double tolerance = 0.0; // bound on the rounding of any bend sum over one round
};

std::size_t NodeOf(MStlTriangle const* t, std::size_t slot) { return std::size_t(t->GetElementIndex()) * 3 + slot; }

class MeshCurvature
{
public:
    MeshCurvature(MStlBase const& mesh, Metric metric) : m_mesh(mesh), m_metric(metric) {}

    std::vector<double> Run()
    {
        std::size_t const n = m_mesh.NumberOfTriangles();
        m_normals.resize(n);
        for (std::size_t e = 0; e < n; ++e) m_normals[e] = m_mesh.GetTriangle(e)->GetNormal();
        MeasureSteps();
        FindOrbits();
        std::vector<double> values(n);
        for (std::size_t e = 0; e < n; ++e) values[e] = ValueOf(m_mesh.GetTriangle(e));
        return values;
    }

private:
    Facet FacetOf(MStlTriangle const* t) const
    {
        Facet f(t, m_normals[t->GetElementIndex()]);
        return f;
    }

    void MeasureSteps()
    {
        std::size_t const nodes = 3 * m_mesh.NumberOfTriangles();
        m_steps.next.assign(nodes, kNone);
        m_steps.angle.assign(nodes, 0.0);
        m_steps.ratio.assign(nodes, kInfinity);
        for (MStlTriangle const* t : m_mesh.GetTriangles())
            for (std::size_t k = 0; k < 3; ++k)
            {
                MStlPoint const* const v = t->GetPoint(k);
                if (FirstSlotOf(t, v) != k) continue;
                MStlTriangle const* const u = t->FindAdjacentTriangle(k, false);
                if (!u) continue;
                std::size_t const node = NodeOf(t, k);
                m_steps.next[node] = NodeOf(u, FirstSlotOf(u, v));
                m_steps.angle[node] = SignedAngle(FacetOf(t), FacetOf(u));
                m_steps.ratio[node] = RatioOfSignedAngle(m_metric, m_steps.angle[node]);
            }
    }

    // Least reachable ratio of every node, and the cycles of the step graph (each node has at most
    // one successor, so every walk ends, or runs into exactly one cycle).
    void FindOrbits()
    {
        std::size_t const nodes = m_steps.next.size();
        m_steps.orbitLeast.assign(nodes, kInfinity);
        m_steps.cycle.assign(nodes, -1);
        m_steps.place.assign(nodes, 0);
        enum : std::uint8_t
        {
            eNew,
            eOnPath,
            eDone
        };
        std::vector<std::uint8_t> state(nodes, eNew);
        std::vector<std::size_t> path;
        for (std::size_t start = 0; start < nodes; ++start)
        {
            if (state[start] != eNew) continue;
            path.clear();
            std::size_t node = start;
            while (node != kNone && state[node] == eNew)
            {
                state[node] = eOnPath;
                path.push_back(node);
                node = m_steps.next[node];
            }
            std::size_t tailEnd = path.size();
            if (node != kNone && state[node] == eOnPath)
            {
                std::size_t first = path.size();
                while (path[first - 1] != node) --first;
                --first;
                MakeCycle(path, first);
                for (std::size_t j = first; j < path.size(); ++j) state[path[j]] = eDone;
                tailEnd = first;
            }
            for (std::size_t j = tailEnd; j-- > 0;)
            {
                std::size_t const x = path[j];
                std::size_t const after = m_steps.next[x];
                if (after != kNone) m_steps.orbitLeast[x] = std::min(m_steps.ratio[x], m_steps.orbitLeast[after]);
                state[x] = eDone;
            }
        }
    }

    void MakeCycle(std::vector<std::size_t> const& path, std::size_t first)
    {
        Cycle c;
        c.length = path.size() - first;
        for (std::size_t j = 0; j < c.length; ++j) c.least = std::min(c.least, m_steps.ratio[path[first + j]]);
        c.bendSums.assign(2 * c.length + 1, 0.0);
        for (std::size_t j = 0; j < 2 * c.length; ++j)
            c.bendSums[j + 1] = c.bendSums[j] + std::fabs(m_steps.angle[path[first + j % c.length]]) / kPi;
        c.nextLeast.assign(2 * c.length + 1, 2 * c.length);
        for (std::size_t j = 2 * c.length; j-- > 0;)
            c.nextLeast[j] = m_steps.ratio[path[first + j % c.length]] == c.least ? j : c.nextLeast[j + 1];
        // Every sum over at most 2k non-negative bends, and every difference of two of them, is
        // within (2k + 2) units of rounding of the total; twice that keeps clear of the bound.
        double const unitRoundoff = std::numeric_limits<double>::epsilon() / 2;
        c.tolerance = (8.0 * double(c.length) + 16.0) * unitRoundoff * c.bendSums.back() +
                      std::numeric_limits<double>::denorm_min();
        std::int64_t const index = std::int64_t(m_cycles.size());
        for (std::size_t j = 0; j < c.length; ++j)
        {
            m_steps.orbitLeast[path[first + j]] = c.least;
            m_steps.cycle[path[first + j]] = index;
            m_steps.place[path[first + j]] = j;
        }
        m_cycles.push_back(std::move(c));
    }

    double ValueOf(MStlTriangle const* t)
    {
        // The value is the least of 1, the direct ratio over each edge and the combined ratio of
        // each fan, clamped to [0, 1]; a fan only matters where it could fall below the rest.
        double directAngles[3];
        MStlTriangle const* neighbours[3];
        double least = 1.0;
        for (std::size_t i = 0; i < 3; ++i)
        {
            neighbours[i] = t->FindAdjacentTriangle(i, false);
            if (!neighbours[i]) continue;
            std::size_t const node = NodeOf(t, i);
            bool const measured = FirstSlotOf(t, t->GetPoint(i)) == i;
            directAngles[i] = measured ? m_steps.angle[node] : SignedAngle(FacetOf(t), FacetOf(neighbours[i]));
            least = std::min(least, RatioOfSignedAngle(m_metric, directAngles[i]));
        }
        for (std::size_t i = 0; i < 3 && least > 0.0; ++i)
        {
            if (!neighbours[i]) continue;
            double const direct = RatioOfSignedAngle(m_metric, directAngles[i]);
            MStlPoint const* const v = t->GetPoint(i);
            std::size_t const firstStep = NodeOf(neighbours[i], FirstSlotOf(neighbours[i], v));
            // No step of the walk falls below the direct ratio: the fan gives exactly that ratio.
            if (!(m_steps.orbitLeast[firstStep] < direct)) continue;
            std::size_t const own = NodeOf(t, i);
            if (FirstSlotOf(t, v) == i && m_steps.cycle[own] >= 0 && !CycleMayLower(own, least)) continue;
            least = std::min(least, ReplayWalk(t, i, neighbours[i], directAngles[i]));
        }
        return std::clamp(least, 0.0, 1.0);
    }

    // For a walk that starts on a cycle and goes round it once: false when the combined ratio
    // is certainly not below bound.
    bool CycleMayLower(std::size_t node, double bound) const
    {
        Cycle const& c = m_cycles[std::size_t(m_steps.cycle[node])];
        std::size_t const s = m_steps.place[node];
        std::size_t const p = c.nextLeast[s]; // s < p < s + k: the start itself is not least
        double const before = c.bendSums[p] - c.bendSums[s];
        double const after = c.bendSums[s + c.length] - c.bendSums[p + 1];
        double const lowest = std::min(before, after) - c.tolerance;
        return c.least + lowest < bound;
    }

    // The walk exactly as the per-triangle metric takes it, on the measured steps.
    double ReplayWalk(MStlTriangle const* t, std::size_t i, MStlTriangle const* neighbour, double directAngle)
    {
        MStlPoint const* const v = t->GetPoint(i);
        double fanMin = RatioOfSignedAngle(m_metric, directAngle);
        double before = 0.0;
        double atMin = 0.0;
        double accumulated = std::fabs(directAngle) / kPi;
        std::size_t steps = 0;
        std::size_t stepLimit = 0;
        std::size_t previous = NodeOf(neighbour, FirstSlotOf(neighbour, v));
        MStlTriangle const* previousTriangle = neighbour;
        while (m_steps.next[previous] != kNone && previousTriangle != t)
        {
            if (++steps > 64)
            {
                if (stepLimit == 0) stepLimit = NumberOfTrianglesAround(v) + 1;
                if (steps > stepLimit) break;
            }
            double const angle = m_steps.angle[previous];
            double const bend = std::fabs(angle) / kPi;
            double const ratio = m_steps.ratio[previous];
            if (ratio < fanMin)
            {
                fanMin = ratio;
                atMin = bend;
                before = accumulated;
            }
            accumulated += bend;
            previous = m_steps.next[previous];
            previousTriangle = m_mesh.GetTriangle(previous / 3);
        }
        double const after = accumulated - before - atMin;
        return before <= after ? fanMin + before : fanMin + after;
    }

    MStlBase const& m_mesh;
    Metric const m_metric;
    std::vector<Point> m_normals;
    FanSteps m_steps;
    std::vector<Cycle> m_cycles;
};

} // namespace

std::vector<double> CurvatureRatiosOfMesh(MStlBase const& mesh, Metric metric)
{
    return MeshCurvature(mesh, metric).Run();
}

} // namespace curvature
} // namespace Rudizidov
} // namespace Zodara
