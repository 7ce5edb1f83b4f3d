#include "support/closed_mesh_builders.h"

#include <map>

namespace vz_test
{
namespace
{
// Shares the vertices of one box between its faces so that the surface is closed.
class PointPool
{
public:
    explicit PointPool(MStlBase& mesh) : m_mesh(mesh) {}
    MStlPoint* At(IntPoint const& p)
    {
        auto it = m_points.find(p);
        if (it != m_points.end()) return it->second;
        MStlPoint* const added = m_mesh.AddPoint(p[0], p[1], p[2]);
        m_points.emplace(p, added);
        return added;
    }

private:
    MStlBase& m_mesh;
    std::map<IntPoint, MStlPoint*> m_points;
};

std::int32_t Between(std::int32_t a, std::int32_t b, int i, int n)
{
    return std::int32_t(a + (std::int64_t(b) - a) * i / n);
}

void AddQuad(MStlBase& mesh, MStlPoint* a, MStlPoint* b, MStlPoint* c, MStlPoint* d, bool flip)
{
    if (flip)
    {
        mesh.AddTriangle(a, c, b);
        mesh.AddTriangle(a, d, c);
    }
    else
    {
        mesh.AddTriangle(a, b, c);
        mesh.AddTriangle(a, c, d);
    }
}
} // namespace

void AddBox(MStlBase& mesh, IntPoint lo, IntPoint hi, int n, bool inward)
{
    PointPool pool(mesh);
    for (int axis = 0; axis < 3; ++axis)
    {
        int const u = (axis + 1) % 3, v = (axis + 2) % 3;
        for (int side = 0; side < 2; ++side)
        {
            // (u, v, axis) is right-handed, so counter-clockwise in (u, v) faces +axis.
            bool const flip = (side == 0) != inward;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                {
                    auto corner = [&](int di, int dj)
                    {
                        IntPoint p{};
                        p[axis] = side ? hi[axis] : lo[axis];
                        p[u] = Between(lo[u], hi[u], i + di, n);
                        p[v] = Between(lo[v], hi[v], j + dj, n);
                        return pool.At(p);
                    };
                    AddQuad(mesh, corner(0, 0), corner(1, 0), corner(1, 1), corner(0, 1), flip);
                }
        }
    }
}

void AddPrism(MStlBase& mesh, std::vector<std::array<std::int32_t, 2>> const& polygon,
              std::vector<std::array<int, 3>> const& capTriangles, std::int32_t z0, std::int32_t z1)
{
    std::vector<MStlPoint*> bottom, top;
    for (auto const& p : polygon)
    {
        bottom.push_back(mesh.AddPoint(p[0], p[1], z0));
        top.push_back(mesh.AddPoint(p[0], p[1], z1));
    }
    for (auto const& t : capTriangles)
    {
        mesh.AddTriangle(top[t[0]], top[t[1]], top[t[2]]);
        mesh.AddTriangle(bottom[t[0]], bottom[t[2]], bottom[t[1]]);
    }
    std::size_t const count = polygon.size();
    for (std::size_t i = 0; i < count; ++i)
    {
        std::size_t const k = (i + 1) % count;
        AddQuad(mesh, bottom[i], bottom[k], top[k], top[i], false);
    }
}

void AddUShape(MStlBase& mesh, std::int32_t prong, std::int32_t gap, std::int32_t base, std::int32_t height,
               std::int32_t depth)
{
    std::int32_t const w = 2 * prong + gap, h = base + height;
    std::vector<std::array<std::int32_t, 2>> const polygon = {
        {0, 0}, {w, 0}, {w, h}, {prong + gap, h}, {prong + gap, base}, {prong, base}, {prong, h}, {0, h}};
    // Three convex quads: the base trapezoid and the two prongs.
    std::vector<std::array<int, 3>> const caps = {{0, 1, 4}, {0, 4, 5}, {1, 2, 3}, {1, 3, 4}, {0, 5, 6}, {0, 6, 7}};
    AddPrism(mesh, polygon, caps, 0, depth);
}

void JitterVertices(MStlBase& mesh, std::int32_t amount, std::mt19937& rng)
{
    std::uniform_int_distribution<std::int32_t> offset(-amount, amount);
    for (std::size_t i = 0; i < mesh.NumberOfPoints(); ++i)
    {
        MStlPoint* p = mesh.GetPoint(i);
        p->x += offset(rng);
        p->y += offset(rng);
        p->z += offset(rng);
    }
}

MeshSnapshot TakeSnapshot(MStlBase const& mesh)
{
    MeshSnapshot s;
    for (std::size_t i = 0; i < mesh.NumberOfPoints(); ++i)
    {
        MStlPoint const* p = mesh.GetPoint(i);
        s.points.push_back({p->x, p->y, p->z});
    }
    for (MStlTriangle const* t : mesh.GetTriangles())
        s.triangles.push_back({t->GetPoint(0), t->GetPoint(1), t->GetPoint(2)});
    return s;
}
} // namespace vz_test
