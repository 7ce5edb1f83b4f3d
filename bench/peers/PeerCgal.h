#pragma once
// The same work through CGAL's AABB tree over the mesh's triangles (double precision, the same
// integer coordinates): first hits with first_intersection, closest points with
// closest_point_and_primitive (distance queries accelerated, as part of the build), and the
// two-part contact as a traversal that enters every node whose box comes within the tolerance of
// the query triangle's box and stops at the first triangle within the tolerance, measured with the
// library's exact triangle distance so that both sides decide alike.
#include <memory>
#include <vector>

#include <CGAL/AABB_traits.h>
#include <CGAL/AABB_tree.h>
#include <CGAL/AABB_triangle_primitive.h>
#include <CGAL/Simple_cartesian.h>
#include <omp.h>

#include "OurQueries.h"
#include "collision/TriangleDistance.h"

namespace peers
{

class CgalTree
{
public:
    using K = CGAL::Simple_cartesian<double>;
    using Triangles = std::vector<K::Triangle_3>;
    using Primitive = CGAL::AABB_triangle_primitive<K, Triangles::const_iterator>;
    using Tree = CGAL::AABB_tree<CGAL::AABB_traits<K, Primitive>>;

    explicit CgalTree(MStlBase const& mesh) : m_mesh(mesh) {}

    // Builds the tree; with withNormals, also the triangles' normals that the contact test reads.
    void Build(bool withNormals = false)
    {
        m_tree.reset();
        std::size_t const n = m_mesh.NumberOfTriangles();
        m_triangles.clear();
        m_triangles.reserve(n);
        m_normals.clear();
        for (std::size_t i = 0; i < n; ++i)
        {
            MStlTriangle const* t = m_mesh.GetTriangle(i);
            m_triangles.emplace_back(_Cgal(t->GetVertex(0)), _Cgal(t->GetVertex(1)), _Cgal(t->GetVertex(2)));
            if (withNormals) m_normals.push_back(t->GetNormal());
        }
        m_tree = std::make_unique<Tree>(m_triangles.begin(), m_triangles.end());
        m_tree->build();
        if (!withNormals) m_tree->accelerate_distance_queries();
    }

    void Rays(std::vector<Ray> const& rays, int threads, std::vector<Answer>& answers) const
    {
        answers.assign(rays.size(), Answer());
        std::int64_t const n = std::int64_t(rays.size());
#pragma omp parallel for schedule(dynamic, 1024) num_threads(threads)
        for (std::int64_t i = 0; i < n; ++i)
        {
            K::Point_3 const origin = _Cgal(rays[i].origin);
            auto const hit = m_tree->first_intersection(K::Ray_3(origin, _CgalVector(rays[i].direction)));
            if (!hit) continue;
            double t;
            if (K::Point_3 const* p = boost::get<K::Point_3>(&hit->first))
                t = std::sqrt(CGAL::squared_distance(origin, *p));
            else
            {
                K::Segment_3 const* s = boost::get<K::Segment_3>(&hit->first);
                t = std::sqrt(
                    std::min(CGAL::squared_distance(origin, s->source()), CGAL::squared_distance(origin, s->target())));
            }
            answers[i] = {std::int64_t(hit->second - m_triangles.begin()), t};
        }
    }

    void Closest(std::vector<Point> const& points, int threads, std::vector<Answer>& answers) const
    {
        answers.assign(points.size(), Answer());
        std::int64_t const n = std::int64_t(points.size());
#pragma omp parallel for schedule(dynamic, 1024) num_threads(threads)
        for (std::int64_t i = 0; i < n; ++i)
        {
            K::Point_3 const p = _Cgal(points[i]);
            auto const found = m_tree->closest_point_and_primitive(p);
            answers[i] = {std::int64_t(found.second - m_triangles.begin()), CGAL::squared_distance(p, found.first)};
        }
    }

    // Sets flags[i] when query triangle i of `queries` is within the tolerance of this tree's mesh.
    void Contact(MStlBase const& queries, double tolerance, int threads, std::vector<std::uint8_t>& flags) const
    {
        flags.assign(queries.NumberOfTriangles(), 0);
        std::int64_t const n = std::int64_t(queries.NumberOfTriangles());
#pragma omp parallel for schedule(dynamic, 100) num_threads(threads)
        for (std::int64_t i = 0; i < n; ++i)
        {
            MStlTriangle const* t = queries.GetTriangle(std::size_t(i));
            ContactSearch search{
                this, {t->GetVertex(0), t->GetVertex(1), t->GetVertex(2)}, t->GetNormal(), tolerance, {}};
            search.box = CGAL::Bbox_3(std::min({search.v[0].x, search.v[1].x, search.v[2].x}) - tolerance,
                                      std::min({search.v[0].y, search.v[1].y, search.v[2].y}) - tolerance,
                                      std::min({search.v[0].z, search.v[1].z, search.v[2].z}) - tolerance,
                                      std::max({search.v[0].x, search.v[1].x, search.v[2].x}) + tolerance,
                                      std::max({search.v[0].y, search.v[1].y, search.v[2].y}) + tolerance,
                                      std::max({search.v[0].z, search.v[1].z, search.v[2].z}) + tolerance);
            m_tree->traversal(search.box, search);
            flags[std::size_t(i)] = search.found;
        }
    }

private:
    // The traversal traits of the contact search.
    struct ContactSearch
    {
        CgalTree const* owner;
        Point v[3];
        Point normal;
        double tolerance;
        CGAL::Bbox_3 box;
        bool found = false;

        bool go_further() const { return !found; }
        template <class Node>
        bool do_intersect(CGAL::Bbox_3 const& query, Node const& node) const
        {
            return CGAL::do_overlap(query, node.bbox());
        }
        void intersection(CGAL::Bbox_3 const&, Primitive const& primitive)
        {
            std::size_t const j = std::size_t(primitive.id() - owner->m_triangles.begin());
            MStlTriangle const* t = owner->m_mesh.GetTriangle(j);
            Point const other[3] = {t->GetVertex(0), t->GetVertex(1), t->GetVertex(2)};
            double const d = MeshQueries::TriangleDistanceSqr(v, normal, other, owner->m_normals[j]);
            if (tolerance * tolerance >= d) found = true;
        }
    };

    static K::Point_3 _Cgal(Point const& p) { return K::Point_3(p.x, p.y, p.z); }
    static K::Vector_3 _CgalVector(Point const& p) { return K::Vector_3(p.x, p.y, p.z); }

    MStlBase const& m_mesh;
    Triangles m_triangles;
    std::vector<Point> m_normals;
    std::unique_ptr<Tree> m_tree;
};

} // namespace peers
