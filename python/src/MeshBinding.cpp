// verozerizaz.Mesh: loading, building from numpy arrays, reading back and saving a mesh.
#include "Binding.h"

#include "interfaces/StlFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vzpy
{
namespace
{
std::string PathText(py::handle path) { return py::module_::import("os").attr("fspath")(path).cast<std::string>(); }

// OSError(errno, text, path): Python turns it into FileNotFoundError, PermissionError, ... by errno.
[[noreturn]] void RaiseOsError(int error, std::string const& text, std::string const& path)
{
    PyErr_SetObject(PyExc_OSError, py::make_tuple(error, text, path).ptr());
    throw py::error_already_set();
}

void RequireReadable(std::string const& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
    {
        int const error = errno;
        RaiseOsError(error, std::strerror(error), path);
    }
    std::fclose(file);
}

std::unique_ptr<Mesh> Load(py::handle pathObject, double unitsPerMm)
{
    std::string const path = PathText(pathObject);
    CheckedScale(unitsPerMm);
    RequireReadable(path);
    std::unique_ptr<MStlBase> mesh;
    try
    {
        py::gil_scoped_release const released;
        mesh = ReadStlFile(path, unitsPerMm);
    }
    catch (MStlFileError const& e)
    {
        // The message starts with the file's name and says what is wrong with the contents.
        throw py::value_error(e.what());
    }
    return std::make_unique<Mesh>(std::move(mesh), unitsPerMm);
}

std::unique_ptr<Mesh> FromArrays(py::handle verticesObject, py::handle facesObject, double unitsPerMm)
{
    CheckedScale(unitsPerMm);
    DoubleArray const vertices = RealArray(verticesObject, "vertices", {-1, 3});
    IndexArray const faces = IntegerArray(facesObject, "faces", {-1, 3});
    std::size_t const vertexCount = std::size_t(vertices.shape(0));
    std::size_t const faceCount = std::size_t(faces.shape(0));
    double const* coordinates = vertices.data();
    std::int64_t const* corners = faces.data();

    auto mesh = std::make_unique<MStlBase>();
    py::gil_scoped_release const released;
    for (std::size_t i = 0; i < vertexCount; ++i)
    {
        double const* v = coordinates + 3 * i;
        mesh->AddPoint(ToInternalCoordinate(v[0], unitsPerMm, "vertices", i),
                       ToInternalCoordinate(v[1], unitsPerMm, "vertices", i),
                       ToInternalCoordinate(v[2], unitsPerMm, "vertices", i));
    }
    mesh->ReserveTriangles(faceCount);
    for (std::size_t f = 0; f < faceCount; ++f)
    {
        std::int64_t const* c = corners + 3 * f;
        for (int k = 0; k < 3; ++k)
            if (c[k] < 0 || std::uint64_t(c[k]) >= vertexCount)
                throw py::value_error("faces[" + std::to_string(f) + ", " + std::to_string(k) +
                                      "] = " + std::to_string(c[k]) + " names no vertex (there are " +
                                      std::to_string(vertexCount) + ")");
        mesh->AddTriangle(mesh->GetPoint(std::size_t(c[0])), mesh->GetPoint(std::size_t(c[1])),
                          mesh->GetPoint(std::size_t(c[2])));
    }
    return std::make_unique<Mesh>(std::move(mesh), unitsPerMm);
}

DoubleArray Vertices(Mesh const& mesh)
{
    MStlBase const& m = mesh.Get();
    DoubleArray result({py::ssize_t(m.NumberOfPoints()), py::ssize_t(3)});
    double* out = result.mutable_data();
    double const inverse = 1.0 / mesh.UnitsPerMm();
    py::gil_scoped_release const released;
    std::size_t k = 0;
    for (MStlPoint const& p : m.GetPoints())
    {
        out[k++] = p.x * inverse;
        out[k++] = p.y * inverse;
        out[k++] = p.z * inverse;
    }
    return result;
}

IndexArray Faces(Mesh const& mesh)
{
    MStlBase const& m = mesh.Get();
    IndexArray result({py::ssize_t(m.NumberOfTriangles()), py::ssize_t(3)});
    std::int64_t* out = result.mutable_data();
    py::gil_scoped_release const released;
    std::size_t k = 0;
    for (MStlTriangle const* t : m.GetTriangles())
        for (std::size_t i = 0; i < 3; ++i) out[k++] = std::int64_t(t->GetPoint(i)->GetIndex());
    return result;
}

void Save(Mesh const& mesh, py::handle pathObject)
{
    std::string const path = PathText(pathObject);
    try
    {
        py::gil_scoped_release const released;
        std::shared_lock<std::shared_mutex> const lock(mesh.Lock());
        errno = 0;
        WriteStlFile(mesh.Get(), path, mesh.UnitsPerMm());
    }
    catch (MStlFileError const& e)
    {
        RaiseOsError(errno ? errno : EIO, e.what(), path);
    }
}
} // namespace

void BindMesh(py::module_& m)
{
    py::class_<Mesh>(m, "Mesh",
                     "A triangle mesh. Vertices are held as 32-bit integers in internal units, units_per_mm of "
                     "them per millimetre (10000 by default: a 0.1 micrometre grid, parts up to about 214 m "
                     "across). Every length that enters or leaves the package is in millimetres.")
        .def_static("load", &Load, py::arg("path"), py::arg("units_per_mm") = 10000.0,
                    "Mesh.load(path, units_per_mm=10000) -> Mesh\n\n"
                    "Reads a binary or ASCII STL file (coordinates in mm). Vertices at the same rounded position "
                    "become one shared vertex. Raises OSError (FileNotFoundError, PermissionError, ...) when the "
                    "file cannot be opened and ValueError, naming the file, when it is not a readable STL.")
        .def_static("from_arrays", &FromArrays, py::arg("vertices"), py::arg("faces"),
                    py::arg("units_per_mm") = 10000.0,
                    "Mesh.from_arrays(vertices, faces, units_per_mm=10000) -> Mesh\n\n"
                    "vertices: (n, 3) float array in mm, rounded to the internal grid; faces: (m, 3) integer "
                    "array of vertex indices, counter-clockwise seen from outside. Vertices are kept as given "
                    "(not merged): triangles are neighbours when they share vertex indices. Raises ValueError "
                    "naming the problem for a wrong shape or dtype, a NaN or infinite coordinate, a coordinate "
                    "beyond the 32-bit internal range, or a face index that names no vertex.")
        .def_property_readonly("vertices", &Vertices,
                               "(n, 3) float64 array: the vertex positions in mm (a new array on each access).")
        .def_property_readonly("faces", &Faces,
                               "(m, 3) int64 array: each triangle's three vertex indices, in triangle order (the "
                               "order of every per-triangle result).")
        .def_property_readonly(
            "triangle_count", [](Mesh const& mesh) { return mesh.Get().NumberOfTriangles(); },
            "Number of triangles, m.")
        .def_property_readonly(
            "vertex_count", [](Mesh const& mesh) { return mesh.Get().NumberOfPoints(); }, "Number of vertices, n.")
        .def_property_readonly("units_per_mm", &Mesh::UnitsPerMm, "Internal units per millimetre.")
        .def("save", &Save, py::arg("path"),
             "save(path)\n\nWrites the mesh as binary STL in mm, triangles in order. Raises OSError naming the "
             "file when it cannot be written.")
        .def("__repr__",
             [](Mesh const& mesh)
             {
                 return "<verozerizaz.Mesh with " + std::to_string(mesh.Get().NumberOfTriangles()) + " triangles, " +
                        std::to_string(mesh.Get().NumberOfPoints()) + " vertices>";
             });
}
} // namespace vzpy
