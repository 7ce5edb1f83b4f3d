// verozerizaz.wall_thickness: per-triangle wall thickness in millimetres, with progress and Ctrl-C.
#include "Binding.h"
#include "PythonProgress.h"

#include "thickness/MUserOperatorWallThickness.h"

#include <cmath>
#include <limits>
#include <memory>

namespace vzpy
{
namespace
{
double Angle(double degrees, char const* name)
{
    if (!(degrees >= 0.0 && degrees <= 180.0))
        throw py::value_error(std::string(name) + " must be an angle from 0 to 180 degrees");
    return degrees;
}

MUserOperatorWallThickness::MParams Params(Mesh const& mesh, double minMm, double maxMm, double oppositeAngle,
                                           double directionAngle)
{
    MUserOperatorWallThickness::MParams params;
    params.MinThickness = NonNegativeLength(minMm, mesh.UnitsPerMm(), "min");
    params.MaxThickness = NonNegativeLength(maxMm, mesh.UnitsPerMm(), "max");
    if (!(minMm <= maxMm)) throw py::value_error("min must not exceed max");
    params.OppositeAngle = Angle(oppositeAngle, "opposite_angle");
    params.DirectionAngle = Angle(directionAngle, "direction_angle");
    return params;
}

// A per-triangle bool mask of the mesh copied from a numpy array (None: no mask).
std::unique_ptr<MDataMask<MStlTriangle, bool>> TriangleSelection(Mesh const& mesh, py::handle array, char const* name)
{
    if (array.is_none()) return nullptr;
    BoolArray const selected = BoolMask(array, name, mesh.Get().NumberOfTriangles());
    auto mask = std::make_unique<MDataMask<MStlTriangle, bool>>(mesh.Get().GetDataMaskOwner(), false);
    bool const* values = selected.data();
    for (std::size_t i = 0; i < mesh.Get().NumberOfTriangles(); ++i) mask->SetInfoByIndex(i, values[i]);
    return mask;
}

py::array_t<double> WallThickness(Mesh const& mesh, double minMm, double maxMm, double oppositeAngle,
                                  double directionAngle, py::object progress, py::object measure, py::object opposite)
{
    if (!progress.is_none() && !PyCallable_Check(progress.ptr()))
        throw py::value_error("progress must be None or a callable taking (done, total)");
    MUserOperatorWallThickness::MParams const params = Params(mesh, minMm, maxMm, oppositeAngle, directionAngle);
    std::unique_ptr<MDataMask<MStlTriangle, bool>> const measureMask = TriangleSelection(mesh, measure, "measure");
    std::unique_ptr<MDataMask<MStlTriangle, bool>> const oppositeMask = TriangleSelection(mesh, opposite, "opposite");
    std::size_t const count = mesh.Get().NumberOfTriangles();

    // Triangles left unmeasured keep NaN.
    MDataMask<MStlTriangle, float> thickness(mesh.Get().GetDataMaskOwner(), std::numeric_limits<float>::quiet_NaN());
    auto delegate = std::make_shared<PythonProgressDelegate>(std::move(progress));
    MUserOperatorWallThickness op;
    op.SetModel(&mesh.Get());
    op.SetParams(params);
    op.SetOutputMask(thickness);
    if (measureMask) op.SetInputMaskOperate(*measureMask);
    if (oppositeMask) op.SetInputMaskOpposite(*oppositeMask);
    op.SetProgressDelegate(delegate);
    {
        py::gil_scoped_release const released;
        std::shared_lock<std::shared_mutex> const lock(mesh.Lock());
        op.Operate();
    }
    delegate->Finish();

    py::array_t<double> result(static_cast<py::ssize_t>(count));
    double* out = result.mutable_data();
    for (std::size_t i = 0; i < count; ++i) out[i] = double(thickness.GetInfoByIndex(i)) / mesh.UnitsPerMm();
    return result;
}
} // namespace

void BindThickness(py::module_& m)
{
    m.def("wall_thickness", &WallThickness, py::arg("mesh"), py::kw_only(), py::arg("min") = 0.5, py::arg("max") = 1.5,
          py::arg("opposite_angle") = 120.0, py::arg("direction_angle") = 70.0, py::arg("progress") = py::none(),
          py::arg("measure") = py::none(), py::arg("opposite") = py::none(),
          "wall_thickness(mesh, *, min=0.5, max=1.5, opposite_angle=120.0, direction_angle=70.0, progress=None, "
          "measure=None, opposite=None) -> (m,) float64\n\n"
          "For each triangle, the distance in mm through the material to the nearest triangle of the opposite "
          "wall: one whose normal is at least opposite_angle degrees from the triangle's and which lies behind "
          "it, the line between the closest points within direction_angle degrees of both normals. Values are "
          "clamped to [min, max] mm; a triangle with no opposite wall within max gets max.\n\n"
          "measure, opposite: optional (m,) bool arrays selecting the triangles measured (others give NaN) and "
          "the triangles that may serve as opposite walls.\n"
          "progress: optional callable progress(done, total), called a few times a second from the calling "
          "thread and once at the end; an exception it raises stops the run and is raised here.\n"
          "Ctrl-C (KeyboardInterrupt) stops the run within a fraction of a second through the library's "
          "cancellation; the interpreter lock is released while measuring.");
}
} // namespace vzpy
