// verozerizaz.Mesh: loading, building from numpy arrays, reading back and saving a mesh.
#include "Binding.h"

#include "interfaces/StlFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

// Raises the OSError of a path that cannot be opened. Opens without blocking, so that a named pipe
// with no writer does not hang here; the reader then refuses what is not a regular file.
void RequireReadable(std::string const& path)
{
    int const descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
    {
        int const error = errno;
        RaiseOsError(error, std::strerror(error), path);
    }
    ::close(descriptor);
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

IndexArray Faces(Mesh const& mesh);

// A mesh of vertexCount points (point(i, x, y, z) gives point i in internal units) and faceCount
// triangles of three point indices each. Needs no interpreter lock.
template <class PointSource>
std::unique_ptr<MStlBase> BuildMesh(std::size_t vertexCount, PointSource point, std::int64_t const* corners,
                                    std::size_t faceCount)
{
    auto mesh = std::make_unique<MStlBase>();
    // The points by index in a flat table: looking them up in the mesh's own storage costs more.
    std::vector<MStlPoint*> points(vertexCount);
    for (std::size_t i = 0; i < vertexCount; ++i)
    {
        std::int32_t x, y, z;
        point(i, x, y, z);
        points[i] = mesh->AddPoint(x, y, z);
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
        mesh->AddTriangle(points[std::size_t(c[0])], points[std::size_t(c[1])], points[std::size_t(c[2])]);
    }
    return mesh;
}

std::unique_ptr<Mesh> FromArrays(py::handle verticesObject, py::handle facesObject, double unitsPerMm)
{
    CheckedScale(unitsPerMm);
    DoubleArray const vertices = RealArray(verticesObject, "vertices", {-1, 3});
    IndexArray const faces = IntegerArray(facesObject, "faces", {-1, 3});
    double const* coordinates = vertices.data();
    auto point = [&](std::size_t i, std::int32_t& x, std::int32_t& y, std::int32_t& z)
    {
        double const* v = coordinates + 3 * i;
        x = ToInternalCoordinate(v[0], unitsPerMm, "vertices", i);
        y = ToInternalCoordinate(v[1], unitsPerMm, "vertices", i);
        z = ToInternalCoordinate(v[2], unitsPerMm, "vertices", i);
    };
    py::gil_scoped_release const released;
    return std::make_unique<Mesh>(
        BuildMesh(std::size_t(vertices.shape(0)), point, faces.data(), std::size_t(faces.shape(0))), unitsPerMm);
}

// Pickling keeps the integer vertices, so that a mesh comes back exactly, whatever its scale.
py::tuple GetState(Mesh const& mesh)
{
    MStlBase const& m = mesh.Get();
    py::array_t<std::int32_t> units({py::ssize_t(m.NumberOfPoints()), py::ssize_t(3)});
    std::int32_t* out = units.mutable_data();
    std::size_t k = 0;
    for (MStlPoint const& p : m.GetPoints())
    {
        out[k++] = p.x;
        out[k++] = p.y;
        out[k++] = p.z;
    }
    return py::make_tuple(units, Faces(mesh), mesh.UnitsPerMm());
}

std::unique_ptr<Mesh> SetState(py::tuple const& state)
{
    if (state.size() != 3) throw py::value_error("a pickled Mesh holds (vertex units, faces, units_per_mm)");
    IndexArray const units = IntegerArray(state[0], "pickled vertices", {-1, 3});
    IndexArray const faces = IntegerArray(state[1], "pickled faces", {-1, 3});
    double const unitsPerMm = CheckedScale(state[2].cast<double>());
    std::int64_t const* coordinates = units.data();
    auto point = [&](std::size_t i, std::int32_t& x, std::int32_t& y, std::int32_t& z)
    {
        std::int64_t const* v = coordinates + 3 * i;
        for (int k = 0; k < 3; ++k)
            if (v[k] < INT32_MIN || v[k] > INT32_MAX) throw py::value_error("pickled vertices beyond 32 bits");
        x = std::int32_t(v[0]);
        y = std::int32_t(v[1]);
        z = std::int32_t(v[2]);
    };
    py::gil_scoped_release const released;
    return std::make_unique<Mesh>(
        BuildMesh(std::size_t(units.shape(0)), point, faces.data(), std::size_t(faces.shape(0))), unitsPerMm);
}

DoubleArray Vertices(Mesh const& mesh)
{
    MStlBase const& m = mesh.Get();
    DoubleArray result({py::ssize_t(m.NumberOfPoints()), py::ssize_t(3)});
    double* out = result.mutable_data();
    // Divided, not multiplied by the inverse: units / scale is the nearest double to the exact value.
    double const scale = mesh.UnitsPerMm();
    py::gil_scoped_release const released;
    std::size_t k = 0;
    for (MStlPoint const& p : m.GetPoints())
    {
        out[k++] = p.x / scale;
        out[k++] = p.y / scale;
        out[k++] = p.z / scale;
    }
    return result;
}

IndexArray Faces(Mesh const& mesh)
{
    MStlBase const& m = mesh.Get();
    IndexArray result({py::ssize_t(m.NumberOfTriangles()), py::ssize_t(3)});
    std::int64_t* out = result.mutable_data();
    py::gil_scoped_release const released;
    // Self-collision reverses the windings for a while; the lock keeps that from showing here.
    std::shared_lock<std::shared_mutex> const lock(mesh.Lock());
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
        .def(py::pickle(&GetState, &SetState))
        .def("__repr__",
             [](Mesh const& mesh)
             {
                 return "<verozerizaz.Mesh with " + std::to_string(mesh.Get().NumberOfTriangles()) + " triangles, " +
                        std::to_string(mesh.Get().NumberOfPoints()) + " vertices>";
             });
}
} // namespace vzpy
