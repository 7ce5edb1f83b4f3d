// The compiled part of the Python package verozerizaz.
#include "Binding.h"

PYBIND11_MODULE(_verozerizaz, m)
{
    m.doc() = "Compiled core of verozerizaz: meshes, wall thickness, collision, triangle quality, nearest "
              "triangles and lattice pores. Lengths are in millimetres; see the package docstrings.";
    vzpy::BindMesh(m);
    vzpy::BindThickness(m);
    vzpy::BindCollision(m);
    vzpy::BindQuality(m);
    vzpy::BindStaticTree(m);
    vzpy::BindPores(m);
}
