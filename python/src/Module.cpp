// The compiled part of the Python package verozerizaz.
#include "Binding.h"

PYBIND11_MODULE(_verozerizaz, m)
{
    m.doc() = "Compiled core of verozerizaz: meshes, wall thickness, collision, triangle quality, nearest "
              "triangles and lattice pores. Lengths are in millimetres; see the package docstrings.";
    // Every docstring starts with its own signature, in Python terms with shapes and units; the
    // generated one would name C++ types.
    pybind11::options options;
    options.disable_function_signatures();
    vzpy::BindMesh(m);
    vzpy::BindThickness(m);
    vzpy::BindCollision(m);
    vzpy::BindQuality(m);
    vzpy::BindStaticTree(m);
    vzpy::BindPores(m);
}
