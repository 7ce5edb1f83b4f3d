// Checks of the arguments that cross the Python boundary. Every failure is a ValueError whose
// message starts with the argument's name, so that the caller sees which input is wrong.
#include "Binding.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace vzpy
{
namespace
{
std::string ShapeText(std::vector<py::ssize_t> const& shape, bool wanted)
{
    std::ostringstream text;
    text << "(";
    for (std::size_t i = 0; i < shape.size(); ++i)
    {
        if (i) text << ", ";
        if (wanted && shape[i] < 0)
            text << (i == 0 ? "n" : "k");
        else
            text << shape[i];
    }
    text << (shape.size() == 1 ? ",)" : ")");
    return text.str();
}

py::array AnyArray(py::handle object, char const* name)
{
    if (object.is_none()) throw py::value_error(std::string(name) + " must be an array, got None");
    py::array array = py::array::ensure(object);
    if (!array) throw py::value_error(std::string(name) + " must be an array");
    return array;
}

void RequireShape(py::array const& array, char const* name, std::vector<py::ssize_t> const& shape)
{
    std::vector<py::ssize_t> const actual(array.shape(), array.shape() + array.ndim());
    bool matches = actual.size() == shape.size();
    for (std::size_t i = 0; matches && i < shape.size(); ++i) matches = shape[i] < 0 || shape[i] == actual[i];
    if (!matches)
        throw py::value_error(std::string(name) + " must have shape " + ShapeText(shape, true) + ", got " +
                              ShapeText(actual, false));
}

void RequireKind(py::array const& array, char const* name, std::string const& kinds, char const* what)
{
    char const kind = array.dtype().kind();
    if (kinds.find(kind) == std::string::npos)
        throw py::value_error(std::string(name) + " must hold " + what + ", got dtype " +
                              py::str(array.dtype()).cast<std::string>());
}

// "name[i, j]" of flat element k of an array of the given shape.
std::string ElementName(char const* name, py::array const& array, std::size_t k)
{
    std::vector<std::size_t> index(std::size_t(array.ndim()));
    for (py::ssize_t axis = array.ndim() - 1; axis >= 0; --axis)
    {
        std::size_t const extent = std::size_t(array.shape(axis));
        index[std::size_t(axis)] = extent ? k % extent : 0;
        k = extent ? k / extent : 0;
    }
    std::ostringstream text;
    text << name << "[";
    for (std::size_t i = 0; i < index.size(); ++i) text << (i ? ", " : "") << index[i];
    text << "]";
    return text.str();
}
} // namespace

SharedMeshLocks::SharedMeshLocks(std::vector<Mesh const*> meshes)
{
    std::sort(meshes.begin(), meshes.end());
    meshes.erase(std::unique(meshes.begin(), meshes.end()), meshes.end());
    m_locks.reserve(meshes.size());
    for (Mesh const* mesh : meshes) m_locks.emplace_back(mesh->Lock());
}

DoubleArray RealArray(py::handle object, char const* name, std::vector<py::ssize_t> const& shape)
{
    py::array const array = AnyArray(object, name);
    RequireShape(array, name, shape);
    RequireKind(array, name, "fiu", "real numbers (a float or integer dtype)");
    DoubleArray values = DoubleArray::ensure(array);
    double const* data = values.data();
    std::size_t const count = std::size_t(values.size());
    for (std::size_t k = 0; k < count; ++k)
        if (!std::isfinite(data[k]))
            throw py::value_error(ElementName(name, values, k) + " is " + (std::isnan(data[k]) ? "NaN" : "infinite"));
    return values;
}

IndexArray IntegerArray(py::handle object, char const* name, std::vector<py::ssize_t> const& shape)
{
    py::array const array = AnyArray(object, name);
    RequireShape(array, name, shape);
    RequireKind(array, name, "iu", "integers");
    // uint64 values from 2^63 turn negative here, which every range check of an index rejects.
    return IndexArray::ensure(array);
}

BoolArray BoolMask(py::handle object, char const* name, std::size_t count)
{
    py::array const array = AnyArray(object, name);
    RequireShape(array, name, {py::ssize_t(count)});
    RequireKind(array, name, "b", "bools (dtype bool)");
    return BoolArray::ensure(array);
}

double CheckedScale(double unitsPerMm)
{
    if (!(unitsPerMm > 0.0) || !std::isfinite(unitsPerMm))
        throw py::value_error("units_per_mm must be a positive finite number");
    return unitsPerMm;
}

double NonNegativeLength(double mm, double unitsPerMm, char const* name)
{
    if (!(mm >= 0.0) || !std::isfinite(mm))
        throw py::value_error(std::string(name) + " must be a finite length of at least 0 mm");
    return mm * unitsPerMm;
}

std::int32_t ToInternalCoordinate(double mm, double unitsPerMm, char const* name, std::size_t row)
{
    double const units = std::round(mm * unitsPerMm);
    if (!(units >= -2147483648.0 && units <= 2147483647.0))
        throw py::value_error(std::string(name) + "[" + std::to_string(row) +
                              "] lies beyond the 32-bit range of internal units at " + std::to_string(unitsPerMm) +
                              " units per mm");
    return std::int32_t(units);
}

MMTransformMatrix ToTransform(py::handle matrix, double unitsPerMm, char const* name)
{
    if (matrix.is_none()) return MMTransformMatrix();
    DoubleArray const m = RealArray(matrix, name, {4, 4});
    auto at = [&](int row, int column) { return m.at(row, column); };
    if (at(3, 0) != 0.0 || at(3, 1) != 0.0 || at(3, 2) != 0.0 || at(3, 3) != 1.0)
        throw py::value_error(std::string(name) + " must be affine: its last row must be (0, 0, 0, 1)");
    double linear[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) linear[r][c] = at(r, c);
    MMPoint3d<double> const translation{at(0, 3) * unitsPerMm, at(1, 3) * unitsPerMm, at(2, 3) * unitsPerMm};
    return MMTransformMatrix(linear, translation);
}

double CommonScale(std::vector<Mesh const*> const& meshes)
{
    double const scale = meshes.empty() ? 10000.0 : meshes.front()->UnitsPerMm();
    for (Mesh const* mesh : meshes)
        if (mesh->UnitsPerMm() != scale)
            throw py::value_error("the meshes must share one units_per_mm to be placed against each other");
    return scale;
}
} // namespace vzpy
