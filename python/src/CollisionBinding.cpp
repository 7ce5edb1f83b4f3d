// verozerizaz.collide, self_collide and collision_pairs: triangles or parts within a tolerance.
#include "Binding.h"

#include "collision/MUserOperatorCollisionDetectorWithTolerance.h"
#include "collision/MUserOperatorCollisionDetectorWithToleranceMultipart.h"

#include <pybind11/stl.h>

#include <mutex>
#include <utility>

namespace vzpy
{
namespace
{
double Tolerance(double mm, double unitsPerMm) { return NonNegativeLength(mm, unitsPerMm, "tolerance"); }

// The detector calls back once per found triangle, inside its lock; a byte per triangle records it.
MUserOperatorCollisionDetectorWithTolerance::Callback Recorder(std::vector<std::uint8_t>& hits)
{
    return [&hits](MStlTriangle& t) { hits[std::size_t(t.GetElementIndex())] = 1; };
}

BoolArray ToBoolArray(std::vector<std::uint8_t> const& hits)
{
    BoolArray result(static_cast<py::ssize_t>(hits.size()));
    bool* out = result.mutable_data();
    for (std::size_t i = 0; i < hits.size(); ++i) out[i] = hits[i] != 0;
    return result;
}

py::tuple Collide(Mesh const& a, Mesh const& b, double toleranceMm, py::handle transformA, py::handle transformB)
{
    double const scale = CommonScale({&a, &b});
    MUserOperatorCollisionDetectorWithTolerance::MParams params;
    params.Tolerance = Tolerance(toleranceMm, scale);
    std::vector<std::uint8_t> hitsA(a.Get().NumberOfTriangles(), 0), hitsB(b.Get().NumberOfTriangles(), 0);
    MUserOperatorCollisionDetectorWithTolerance detector;
    detector.SetAllParams(params);
    // Two parts are only read; the detector takes them as mutable for its one-part mode.
    detector.SetFirstPart(&a.Get(), Recorder(hitsA));
    detector.SetSecondPart(&b.Get(), Recorder(hitsB));
    detector.SetFirstPartTransform(ToTransform(transformA, scale, "transform_a"));
    detector.SetSecondPartTransform(ToTransform(transformB, scale, "transform_b"));
    {
        py::gil_scoped_release const released;
        SharedMeshLocks const locks({&a, &b});
        detector.Operate();
    }
    return py::make_tuple(ToBoolArray(hitsA), ToBoolArray(hitsB));
}

BoolArray SelfCollide(Mesh const& mesh, double toleranceMm)
{
    MUserOperatorCollisionDetectorWithTolerance::MParams params;
    params.Tolerance = Tolerance(toleranceMm, mesh.UnitsPerMm());
    std::vector<std::uint8_t> hits(mesh.Get().NumberOfTriangles(), 0);
    MUserOperatorCollisionDetectorWithTolerance detector;
    detector.SetAllParams(params);
    detector.SetFirstPart(&mesh.Get(), Recorder(hits));
    {
        py::gil_scoped_release const released;
        // The one-part search turns the mesh inside out while it runs.
        std::unique_lock<std::shared_mutex> const lock(mesh.Lock());
        detector.Operate();
    }
    return ToBoolArray(hits);
}

py::list CollisionPairs(std::vector<Mesh const*> const& meshes, py::handle transforms, double toleranceMm)
{
    double const scale = CommonScale(meshes);
    std::size_t const count = meshes.size();
    if (!transforms.is_none() && py::len(transforms) != count)
        throw py::value_error("transforms must hold one 4x4 matrix (or None) per mesh: " +
                              std::to_string(py::len(transforms)) + " for " + std::to_string(count) + " meshes");
    MUserOperatorCollisionDetectorWithToleranceMultipart detector;
    MUserOperatorCollisionDetectorWithToleranceMultipart::MParams params;
    params.Tolerance = Tolerance(toleranceMm, scale);
    detector.SetAllParams(params);
    for (std::size_t i = 0; i < count; ++i)
    {
        if (!meshes[i]) throw py::value_error("meshes[" + std::to_string(i) + "] is None");
        std::string const name = "transforms[" + std::to_string(i) + "]";
        py::object const transform = transforms.is_none() ? py::none() : py::object(transforms[py::int_(i)]);
        detector.AddPart(&meshes[i]->Get(), ToTransform(transform, scale, name.c_str()));
    }
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    if (count > 0)
    {
        py::gil_scoped_release const released;
        SharedMeshLocks const locks(meshes);
        detector.Operate();
        detector.GetCollisions(pairs);
    }
    py::list result;
    for (auto const& pair : pairs) result.append(py::make_tuple(pair.first, pair.second));
    return result;
}
} // namespace

void BindCollision(py::module_& m)
{
    m.def("collide", &Collide, py::arg("a"), py::arg("b"), py::arg("tolerance") = 0.5,
          py::arg("transform_a") = py::none(), py::arg("transform_b") = py::none(),
          "collide(a, b, tolerance=0.5, transform_a=None, transform_b=None) -> (mask_a (m_a,) bool, "
          "mask_b (m_b,) bool)\n\n"
          "The triangles of each placed mesh that lie within tolerance mm of some triangle of the other. "
          "transform_a, transform_b: 4x4 affine placements (rotation/scale in the upper 3x3, translation in mm "
          "in the last column, last row (0, 0, 0, 1)); None is the identity. The meshes must share "
          "units_per_mm.");
    m.def("self_collide", &SelfCollide, py::arg("mesh"), py::arg("tolerance") = 0.5,
          "self_collide(mesh, tolerance=0.5) -> (m,) bool\n\n"
          "The triangles that face another region of the same mesh across a gap of at most tolerance mm (the "
          "regions' normals at least 120 degrees apart, facing each other). A single convex part has none.");
    m.def("collision_pairs", &CollisionPairs, py::arg("meshes"), py::arg("transforms") = py::none(),
          py::arg("tolerance") = 0.5,
          "collision_pairs(meshes, transforms=None, tolerance=0.5) -> list of (i, j)\n\n"
          "The pairs of meshes (indices into meshes) that come within tolerance mm of each other, each placed "
          "by its 4x4 transform (transforms: None, or one 4x4 array or None per mesh). In each pair the first "
          "index is the mesh with more triangles (with equal counts, the higher index).");
}
} // namespace vzpy
