#pragma once
// Shared pieces of the Python module _verozerizaz: the mesh object that Python holds, the checks of
// numpy arguments, and the functions that add each family of operators to the module.
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

namespace vzpy
{
namespace py = pybind11;

// A mesh as Python sees it: the library's mesh and its scale (internal units per millimetre), which
// converts every length crossing the boundary. Calls that turn the mesh inside out for their
// duration (self-collision) hold the lock exclusively; everything else that reads it with the
// interpreter lock released holds it shared, so that Python threads never see a half-turned mesh.
class Mesh
{
public:
    Mesh(std::unique_ptr<MStlBase> mesh, double unitsPerMm) : m_mesh(std::move(mesh)), m_unitsPerMm(unitsPerMm) {}

    MStlBase& Get() const { return *m_mesh; }
    double UnitsPerMm() const { return m_unitsPerMm; }
    std::shared_mutex& Lock() const { return m_lock; }

private:
    std::unique_ptr<MStlBase> m_mesh;
    double m_unitsPerMm;
    mutable std::shared_mutex m_lock;
};

// Shared locks on several meshes, each taken once and in address order (the same mesh may be
// passed twice). Take them only with the interpreter lock released.
class SharedMeshLocks
{
public:
    explicit SharedMeshLocks(std::vector<Mesh const*> meshes);
    SharedMeshLocks(SharedMeshLocks const&) = delete;
    SharedMeshLocks& operator=(SharedMeshLocks const&) = delete;

private:
    std::vector<std::shared_lock<std::shared_mutex>> m_locks;
};

using DoubleArray = py::array_t<double, py::array::c_style | py::array::forcecast>;
using IndexArray = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>;
using BoolArray = py::array_t<bool, py::array::c_style>;

// A real-valued array (float or integer dtype) of shape (rows, columns...) as contiguous float64.
// A -1 in shape accepts any size on that axis. Raises ValueError naming the argument for another
// shape or dtype, and for a NaN or infinite value.
DoubleArray RealArray(py::handle object, char const* name, std::vector<py::ssize_t> const& shape);
// An integer array of the given shape as contiguous int64; ValueError otherwise.
IndexArray IntegerArray(py::handle object, char const* name, std::vector<py::ssize_t> const& shape);
// A bool array of shape (count,); ValueError otherwise.
BoolArray BoolMask(py::handle object, char const* name, std::size_t count);

// The scale argument: a positive finite number of internal units per millimetre.
double CheckedScale(double unitsPerMm);
// A length in millimetres (finite, at least 0) in internal units; ValueError naming it otherwise.
double NonNegativeLength(double mm, double unitsPerMm, char const* name);
// A coordinate in millimetres rounded to internal units; ValueError naming row `row` of the argument
// when it leaves the 32-bit range.
std::int32_t ToInternalCoordinate(double mm, double unitsPerMm, char const* name, std::size_t row);
// A 4x4 placement in millimetres (None for the identity) as a transform in internal units.
MMTransformMatrix ToTransform(py::handle matrix, double unitsPerMm, char const* name);
// The common scale of several meshes; ValueError when they differ.
double CommonScale(std::vector<Mesh const*> const& meshes);

void BindMesh(py::module_& m);
void BindThickness(py::module_& m);
void BindCollision(py::module_& m);
void BindQuality(py::module_& m);
void BindStaticTree(py::module_& m);
void BindPores(py::module_& m);
} // namespace vzpy
