#pragma once
// The same work through Embree: a scene of the mesh's triangles (single precision, coordinates
// taken relative to the mesh's centre to keep the rounding small), first hits with rtcIntersect1,
// and closest triangles with rtcPointQuery and a callback that measures each candidate triangle in
// double precision on the original integer coordinates.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <embree3/rtcore.h>
#include <omp.h>

#include "OurQueries.h"

namespace peers
{

class EmbreeScene
{
public:
    EmbreeScene(MStlBase const& mesh, int threads) : m_mesh(mesh)
    {
        Point lo, hi;
        MeshBounds(mesh, lo, hi);
        m_centre = (lo + hi) * 0.5;
        std::string const config = "threads=" + std::to_string(threads);
        m_device = rtcNewDevice(config.c_str());
    }
    ~EmbreeScene()
    {
        if (m_scene) rtcReleaseScene(m_scene);
        rtcReleaseDevice(m_device);
    }
    EmbreeScene(EmbreeScene const&) = delete;
    EmbreeScene& operator=(EmbreeScene const&) = delete;

    // Builds (or rebuilds) the scene; this is what the build row times.
    void Build()
    {
        if (m_scene) rtcReleaseScene(m_scene);
        m_scene = rtcNewScene(m_device);
        std::size_t const n = m_mesh.NumberOfTriangles();
        RTCGeometry geometry = rtcNewGeometry(m_device, RTC_GEOMETRY_TYPE_TRIANGLE);
        auto* vertices = static_cast<float*>(
            rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), 3 * n));
        auto* indices = static_cast<unsigned*>(
            rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), n));
        for (std::size_t i = 0; i < n; ++i)
        {
            MStlTriangle const* t = m_mesh.GetTriangle(i);
            for (int k = 0; k < 3; ++k)
            {
                Point const v = t->GetVertex(k) - m_centre;
                for (int a = 0; a < 3; ++a) vertices[9 * i + 3 * k + a] = float(v[a]);
                indices[3 * i + k] = unsigned(3 * i + k);
            }
        }
        rtcCommitGeometry(geometry);
        rtcAttachGeometry(m_scene, geometry);
        rtcReleaseGeometry(geometry);
        rtcCommitScene(m_scene);
    }

    void Rays(std::vector<Ray> const& rays, int threads, std::vector<Answer>& answers) const
    {
        answers.assign(rays.size(), Answer());
        std::int64_t const n = std::int64_t(rays.size());
#pragma omp parallel for schedule(dynamic, 1024) num_threads(threads)
        for (std::int64_t i = 0; i < n; ++i)
        {
            RTCIntersectContext context;
            rtcInitIntersectContext(&context);
            RTCRayHit rh = _RayHit(rays[i]);
            rtcIntersect1(m_scene, &context, &rh);
            if (rh.hit.geomID != RTC_INVALID_GEOMETRY_ID) answers[i] = {std::int64_t(rh.hit.primID), rh.ray.tfar};
        }
    }

    // The same rays as streams of `batch` rays, one rtcIntersect1M call each.
    void RayStreams(std::vector<Ray> const& rays, std::int64_t batch, int threads, std::vector<Answer>& answers) const
    {
        answers.assign(rays.size(), Answer());
        std::int64_t const n = std::int64_t(rays.size());
#pragma omp parallel num_threads(threads)
        {
            std::vector<RTCRayHit> stream{static_cast<std::size_t>(batch)};
#pragma omp for schedule(dynamic, 1)
            for (std::int64_t begin = 0; begin < n; begin += batch)
            {
                std::int64_t const count = std::min(batch, n - begin);
                for (std::int64_t i = 0; i < count; ++i) stream[i] = _RayHit(rays[begin + i]);
                RTCIntersectContext context;
                rtcInitIntersectContext(&context);
                rtcIntersect1M(m_scene, &context, stream.data(), unsigned(count), sizeof(RTCRayHit));
                for (std::int64_t i = 0; i < count; ++i)
                    if (stream[i].hit.geomID != RTC_INVALID_GEOMETRY_ID)
                        answers[begin + i] = {std::int64_t(stream[i].hit.primID), stream[i].ray.tfar};
            }
        }
    }

    void Closest(std::vector<Point> const& points, int threads, std::vector<Answer>& answers) const
    {
        answers.assign(points.size(), Answer());
        std::int64_t const n = std::int64_t(points.size());
#pragma omp parallel for schedule(dynamic, 1024) num_threads(threads)
        for (std::int64_t i = 0; i < n; ++i)
        {
            Search search{&m_mesh, points[i], std::numeric_limits<double>::infinity(), -1};
            Point const o = points[i] - m_centre;
            RTCPointQuery query;
            query.x = float(o.x);
            query.y = float(o.y);
            query.z = float(o.z);
            query.time = 0.0f;
            query.radius = std::numeric_limits<float>::infinity();
            RTCPointQueryContext context;
            rtcInitPointQueryContext(&context);
            rtcPointQuery(m_scene, &query, &context, &EmbreeScene::_Visit, &search);
            if (search.triangle >= 0) answers[i] = {search.triangle, search.best};
        }
    }

private:
    RTCRayHit _RayHit(Ray const& r) const
    {
        RTCRayHit rh;
        Point const o = r.origin - m_centre;
        rh.ray.org_x = float(o.x);
        rh.ray.org_y = float(o.y);
        rh.ray.org_z = float(o.z);
        rh.ray.dir_x = float(r.direction.x);
        rh.ray.dir_y = float(r.direction.y);
        rh.ray.dir_z = float(r.direction.z);
        rh.ray.tnear = 0.0f;
        rh.ray.tfar = std::numeric_limits<float>::infinity();
        rh.ray.time = 0.0f;
        rh.ray.mask = ~0u;
        rh.ray.id = 0;
        rh.ray.flags = 0;
        rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
        return rh;
    }

    struct Search
    {
        MStlBase const* mesh;
        Point p;
        double best;
        std::int64_t triangle;
    };

    // Shrinks the query's radius whenever a triangle comes closer; one unit more than the distance,
    // so that the single-precision boxes cut off no closer triangle.
    static bool _Visit(RTCPointQueryFunctionArguments* args)
    {
        auto* search = static_cast<Search*>(args->userPtr);
        MStlTriangle const* t = search->mesh->GetTriangle(args->primID);
        Point const a = t->GetVertex(0), b = t->GetVertex(1), c = t->GetVertex(2);
        double const d = (MTriangle3dUtilities::ClosestPointOnTriangle(search->p, a, b, c) - search->p).LengthSquared();
        if (!(d < search->best)) return false;
        search->best = d;
        search->triangle = std::int64_t(args->primID);
        args->query->radius = float(std::sqrt(d) + 1.0);
        return true;
    }

    MStlBase const& m_mesh;
    Point m_centre;
    RTCDevice m_device = nullptr;
    RTCScene m_scene = nullptr;
};

} // namespace peers
