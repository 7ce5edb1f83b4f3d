"""verozerizaz: spatial queries and analysis operators over triangle meshes and beam lattices.

Meshes are numpy-friendly: build one with ``Mesh.from_arrays(vertices, faces)`` or ``Mesh.load(path)``
and read it back through ``mesh.vertices`` and ``mesh.faces``. Every length crossing the package
boundary is in millimetres; inside, vertices are 32-bit integers, ``units_per_mm`` of them per mm
(10000 by default). Per-triangle results are numpy arrays in the order of ``mesh.faces``.

Long calls release the interpreter lock and run in parallel in C++; ``wall_thickness`` also reports
progress and stops on Ctrl-C (KeyboardInterrupt). Results do not depend on the number of threads.
"""

from ._verozerizaz import (
    METRICS,
    Mesh,
    StaticTree,
    bad_triangles,
    collide,
    collision_pairs,
    lattice,
    pore_sizes,
    quality,
    self_collide,
    wall_thickness,
)

__all__ = [
    "METRICS",
    "Mesh",
    "StaticTree",
    "bad_triangles",
    "collide",
    "collision_pairs",
    "lattice",
    "pore_sizes",
    "quality",
    "self_collide",
    "wall_thickness",
]

__version__ = "0.1.0"
