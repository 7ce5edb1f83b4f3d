// verozerizaz.pore_sizes and lattice: pores of a beam lattice given as arrays, and the generator of
// regular lattices.
#include "Binding.h"

#include "graphsearch/LatticeGenerator.h"
#include "graphsearch/PoreSizes.h"

#include <pybind11/stl.h>

#include <array>

namespace vzpy
{
namespace
{
namespace gs = Zodara::geometricsearches;

// One numpy record per pore.
struct PoreRecord
{
    double center[3];
    double radius;
    bool interior;
    std::uint32_t flags;
};

// A mesh holding only a beam graph: two points per beam (welding is not needed for distances) and
// each beam's two diameters in the mesh's element info.
std::unique_ptr<MStlBase> BeamMesh(DoubleArray const& ends, DoubleArray const& diameters, double scale)
{
    auto mesh = std::make_unique<MStlBase>();
    MStlGraph* const graph = mesh->AddGraph();
    MStlBaseElementInfoStlDependency* const info = mesh->GetOrCreateElementInfo();
    std::size_t const count = std::size_t(ends.shape(0));
    double const* e = ends.data();
    double const* d = diameters.data();
    for (std::size_t i = 0; i < count; ++i)
    {
        MStlPoint* p[2];
        for (int k = 0; k < 2; ++k)
        {
            double const* c = e + 6 * i + 3 * k;
            p[k] = mesh->AddPoint(ToInternalCoordinate(c[0], scale, "ends", i),
                                  ToInternalCoordinate(c[1], scale, "ends", i),
                                  ToInternalCoordinate(c[2], scale, "ends", i));
        }
        MStlGraphEdgeThickness thickness;
        for (int k = 0; k < 2; ++k)
        {
            if (d[2 * i + k] < 0.0) throw py::value_error("diameters[" + std::to_string(i) + "] is negative");
            (k ? thickness.second : thickness.first) = ToInternalCoordinate(d[2 * i + k], scale, "diameters", i);
        }
        info->SetEdgeThickness(graph->AddEdge(p[0], p[1]), thickness);
    }
    return mesh;
}

std::array<std::size_t, 3> Resolution(py::handle resolution)
{
    std::array<std::size_t, 3> n{};
    if (py::isinstance<py::int_>(resolution))
    {
        long long const each = resolution.cast<long long>();
        if (each < 0) throw py::value_error("resolution must not be negative");
        n.fill(std::size_t(each));
    }
    else
    {
        IndexArray const r = IntegerArray(resolution, "resolution", {3});
        for (int k = 0; k < 3; ++k)
        {
            if (r.at(k) < 0) throw py::value_error("resolution must not be negative");
            n[std::size_t(k)] = std::size_t(r.at(k));
        }
    }
    return n;
}

py::array PoreSizes(py::handle endsObject, py::handle diametersObject, py::handle boxObject, py::handle resolution,
                    std::size_t refine, double overlap, std::string const& method, double scale)
{
    CheckedScale(scale);
    DoubleArray const ends = RealArray(endsObject, "ends", {-1, 2, 3});
    DoubleArray const diameters = RealArray(diametersObject, "diameters", {ends.shape(0), 2});
    DoubleArray const box = RealArray(boxObject, "box", {2, 3});
    for (int k = 0; k < 3; ++k)
        if (!(box.at(0, k) <= box.at(1, k)))
            throw py::value_error("box: its minimum corner must not exceed its maximum");
    if (overlap != overlap) throw py::value_error("overlap is NaN");
    if (method != "grid" && method != "rtree" && method != "nelder-mead")
        throw py::value_error("method must be 'grid', 'rtree' or 'nelder-mead'");
    std::array<std::size_t, 3> const n = Resolution(resolution);
    std::unique_ptr<MStlBase> const mesh = BeamMesh(ends, diameters, scale);
    M3DBoundingBox<double> const searchBox(box.at(0, 0) * scale, box.at(0, 1) * scale, box.at(0, 2) * scale,
                                           box.at(1, 0) * scale, box.at(1, 1) * scale, box.at(1, 2) * scale);
    gs::PoreSizeResult result;
    {
        py::gil_scoped_release const released;
        MStlGraph const* graph = mesh->GetGraph(0);
        if (method == "grid")
            result = gs::GetPoreSizes(graph, searchBox, n[0], n[1], n[2], refine, overlap);
        else
            result = gs::GetPoreSizesRTK(graph, searchBox, n[0], n[1], n[2], method == "nelder-mead", refine, overlap);
    }
    py::array_t<PoreRecord> pores(static_cast<py::ssize_t>(result.pores.size()));
    PoreRecord* out = pores.mutable_data();
    for (std::size_t i = 0; i < result.pores.size(); ++i)
    {
        gs::PoreSizeInfo const& p = result.pores[i];
        out[i] = PoreRecord{{p.center.x / scale, p.center.y / scale, p.center.z / scale},
                            p.radius / scale,
                            p.interior,
                            p.boundaryFlags};
    }
    return std::move(pores);
}

gs::LatticeCellType CellType(std::string const& cell)
{
    if (cell == "simple_cubic") return gs::LatticeCellType::SimpleCubic;
    if (cell == "body_centred_cubic") return gs::LatticeCellType::BodyCentredCubic;
    if (cell == "octet") return gs::LatticeCellType::Octet;
    throw py::value_error("cell must be 'simple_cubic', 'body_centred_cubic' or 'octet'");
}

py::tuple Lattice(std::string const& cell, double cellSize, std::array<std::int64_t, 3> cells,
                  std::array<double, 3> origin, std::array<double, 2> diameters, double scale)
{
    CheckedScale(scale);
    gs::LatticeDescription description;
    description.cellType = CellType(cell);
    if (!(cellSize > 0.0)) throw py::value_error("cell_size must be positive");
    description.cellSize = ToInternalCoordinate(cellSize, scale, "cell_size", 0);
    for (int k = 0; k < 3; ++k)
        if (cells[std::size_t(k)] < 1 || cells[std::size_t(k)] > 100000)
            throw py::value_error("cells must be whole numbers from 1 to 100000");
    description.cellsX = std::int32_t(cells[0]);
    description.cellsY = std::int32_t(cells[1]);
    description.cellsZ = std::int32_t(cells[2]);
    description.origin = MMPoint3d<std::int32_t>{ToInternalCoordinate(origin[0], scale, "origin", 0),
                                                 ToInternalCoordinate(origin[1], scale, "origin", 1),
                                                 ToInternalCoordinate(origin[2], scale, "origin", 2)};
    for (int k = 0; k < 2; ++k)
        if (!(diameters[std::size_t(k)] >= 0.0)) throw py::value_error("diameters must not be negative");
    description.firstDiameter = ToInternalCoordinate(diameters[0], scale, "diameters", 0);
    description.secondDiameter = ToInternalCoordinate(diameters[1], scale, "diameters", 1);

    MStlBase mesh;
    MStlGraph const* graph = nullptr;
    {
        py::gil_scoped_release const released;
        graph = gs::GenerateLattice(mesh, description);
    }
    MStlBaseElementInfo const* info = mesh.GetElementInfo();
    std::size_t const count = graph->NumberOfEdges();
    py::array_t<double> ends({py::ssize_t(count), py::ssize_t(2), py::ssize_t(3)});
    py::array_t<double> thickness({py::ssize_t(count), py::ssize_t(2)});
    double* e = ends.mutable_data();
    double* t = thickness.mutable_data();
    for (std::size_t i = 0; i < count; ++i)
    {
        MStlGraphEdge const& edge = graph->GetEdge(i);
        for (std::size_t k = 0; k < 2; ++k)
        {
            MStlPoint const* p = edge.GetVertex(k);
            e[6 * i + 3 * k + 0] = p->x / scale;
            e[6 * i + 3 * k + 1] = p->y / scale;
            e[6 * i + 3 * k + 2] = p->z / scale;
        }
        MStlGraphEdgeThickness const d = info ? info->GetEdgeThickness(edge) : MStlGraphEdgeThickness{};
        t[2 * i + 0] = d.first / scale;
        t[2 * i + 1] = d.second / scale;
    }
    M3DBoundingBox<double> const b = gs::LatticeBox(description);
    py::array_t<double> box({py::ssize_t(2), py::ssize_t(3)});
    double* bo = box.mutable_data();
    for (int k = 0; k < 3; ++k)
    {
        bo[k] = b.min[k] / scale;
        bo[3 + k] = b.max[k] / scale;
    }
    return py::make_tuple(ends, thickness, box);
}
} // namespace

void BindPores(py::module_& m)
{
    PYBIND11_NUMPY_DTYPE(PoreRecord, center, radius, interior, flags);
    m.def("pore_sizes", &PoreSizes, py::arg("ends"), py::arg("diameters"), py::arg("box"), py::arg("resolution"),
          py::kw_only(), py::arg("refine") = 0, py::arg("overlap") = 0.5, py::arg("method") = "grid",
          py::arg("units_per_mm") = 10000.0,
          "pore_sizes(ends, diameters, box, resolution, *, refine=0, overlap=0.5, method='grid', "
          "units_per_mm=10000) -> structured array\n\n"
          "The largest empty spheres between the beams of a lattice inside box.\n"
          "ends: (e, 2, 3) beam end points in mm; diameters: (e, 2) beam diameters in mm at the two ends; "
          "box: (2, 3) minimum and maximum corner in mm; resolution: grid points per axis, an int or (nx, ny, nz), "
          "each at least 2 (both faces of the box included); refine: grid points per axis of a finer local grid "
          "about each candidate (0 or 1: none); overlap: a pore is dropped when a larger interior pore covers it, "
          "0.5 when the larger sphere holds its centre, 0 when the spheres touch; method: 'grid' (clearance from "
          "a bounding-box tree), 'rtree' (from an R*-tree) or 'nelder-mead' (R*-tree, each candidate polished "
          "by a Nelder-Mead search; refine is then unused).\n"
          "Returns one record per pore in ascending radius, fields center (3,) float64 mm, radius float64 mm, "
          "interior bool (on none of the box's faces) and flags uint32 (faces: 0x001 min z, 0x002 max z, 0x010 "
          "min y, 0x020 max y, 0x100 min x, 0x200 max x).");
    m.def("lattice", &Lattice, py::arg("cell") = "simple_cubic", py::arg("cell_size") = 1.0,
          py::arg("cells") = std::array<std::int64_t, 3>{1, 1, 1}, py::arg("origin") = std::array<double, 3>{0, 0, 0},
          py::arg("diameters") = std::array<double, 2>{0.1, 0.1}, py::arg("units_per_mm") = 10000.0,
          "lattice(cell='simple_cubic', cell_size=1.0, cells=(1, 1, 1), origin=(0, 0, 0), diameters=(0.1, 0.1), "
          "units_per_mm=10000) -> (ends (e, 2, 3) float64, diameters (e, 2) float64, box (2, 3) float64)\n\n"
          "A lattice of cells x cells x cells cubic cells of cell_size mm from origin (their minimum corner): "
          "cell 'simple_cubic' (the cube edges), 'body_centred_cubic' (struts from the centre to the corners) or "
          "'octet' (face centres to their corners and to the neighbouring face centres); shared struts appear "
          "once. Every strut has diameters[0] mm at its first end and diameters[1] at its second. box is the "
          "box of the nodes. All in mm, ready for pore_sizes.");
}
} // namespace vzpy
