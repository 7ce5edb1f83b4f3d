// verozerizaz.StaticTree: a build-once tree over a mesh's triangles answering nearest-triangle
// questions for many points at once.
#include "Binding.h"
#include "NearestTriangles.h"

namespace vzpy
{
namespace
{
class StaticTree
{
public:
    explicit StaticTree(py::object mesh) : m_meshObject(std::move(mesh)), m_mesh(Checked(m_meshObject))
    {
        py::gil_scoped_release const released;
        std::shared_lock<std::shared_mutex> const lock(m_mesh.Lock());
        m_tree =
            std::make_unique<TriangleTree>(MStlIteratorStlTriangleConst::Begin(&m_mesh.Get()),
                                           MStlIteratorStlTriangleConst::End(&m_mesh.Get()), NearestTreeParameters());
    }

    py::tuple Nearest(py::handle pointsObject) const
    {
        DoubleArray const points = RealArray(pointsObject, "points", {-1, 3});
        std::size_t const count = std::size_t(points.shape(0));
        py::array_t<std::int64_t> indices(static_cast<py::ssize_t>(count));
        py::array_t<double> distances(static_cast<py::ssize_t>(count));
        std::int64_t* indexOut = indices.mutable_data();
        double* distanceOut = distances.mutable_data();
        double const* in = points.data();
        {
            py::gil_scoped_release const released;
            FindNearestTriangles(*m_tree, in, count, m_mesh.UnitsPerMm(), m_mesh.UnitsPerMm(), indexOut, distanceOut);
        }
        return py::make_tuple(indices, distances);
    }

    py::object MeshObject() const { return m_meshObject; }

private:
    static Mesh const& Checked(py::handle mesh)
    {
        if (!py::isinstance<Mesh>(mesh)) throw py::type_error("StaticTree needs a verozerizaz.Mesh");
        return mesh.cast<Mesh const&>();
    }

    // Keeps the mesh alive: the tree points into its triangles.
    py::object m_meshObject;
    Mesh const& m_mesh;
    std::unique_ptr<TriangleTree> m_tree;
};
} // namespace

void BindStaticTree(py::module_& m)
{
    py::class_<StaticTree>(m, "StaticTree",
                           "StaticTree(mesh): a bounding-box tree over the mesh's triangles, built once (in "
                           "parallel) and read-only afterwards; any number of threads may query it.")
        .def(py::init<py::object>(), py::arg("mesh"),
             "StaticTree(mesh)\n\nBuilds the tree over mesh's triangles; the tree keeps the mesh alive.")
        .def("nearest", &StaticTree::Nearest, py::arg("points"),
             "nearest(points) -> (indices (q,) int64, distances (q,) float64)\n\n"
             "points: (q, 3) array in mm. For each point, the index of the nearest triangle (its row in "
             "mesh.faces) and the distance to it in mm, answered in parallel. An empty mesh gives index -1 and "
             "distance inf.")
        .def_property_readonly("mesh", &StaticTree::MeshObject, "The mesh the tree was built over.");
}
} // namespace vzpy
