# Type stub of the verozerizaz package. Lengths are in millimetres; m is a mesh's triangle count,
# n its vertex count, q a number of query points, e a number of beams.
import os
from typing import Callable, Dict, List, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

__version__: str

ArrayLike = npt.ArrayLike
PathLike = Union[str, "os.PathLike[str]"]
Metric = Union[int, str]

METRICS: Dict[str, int]

class Mesh:
    @staticmethod
    def load(path: PathLike, units_per_mm: float = 10000.0) -> Mesh: ...
    @staticmethod
    def from_arrays(vertices: ArrayLike, faces: ArrayLike, units_per_mm: float = 10000.0) -> Mesh:
        """vertices (n, 3) float mm, faces (m, 3) int."""
    @property
    def vertices(self) -> npt.NDArray[np.float64]:
        """(n, 3) mm."""
    @property
    def faces(self) -> npt.NDArray[np.int64]:
        """(m, 3) vertex indices."""
    @property
    def triangle_count(self) -> int: ...
    @property
    def vertex_count(self) -> int: ...
    @property
    def units_per_mm(self) -> float: ...
    def save(self, path: PathLike) -> None: ...

def wall_thickness(
    mesh: Mesh,
    *,
    min: float = 0.5,
    max: float = 1.5,
    opposite_angle: float = 120.0,
    direction_angle: float = 70.0,
    progress: Optional[Callable[[int, int], object]] = None,
    measure: Optional[ArrayLike] = None,
    opposite: Optional[ArrayLike] = None,
) -> npt.NDArray[np.float64]:
    """(m,) mm; measure and opposite are (m,) bool masks."""

def collide(
    a: Mesh,
    b: Mesh,
    tolerance: float = 0.5,
    transform_a: Optional[ArrayLike] = None,
    transform_b: Optional[ArrayLike] = None,
) -> Tuple[npt.NDArray[np.bool_], npt.NDArray[np.bool_]]:
    """(m_a,) and (m_b,) masks; transforms are 4x4, translation in mm."""

def self_collide(mesh: Mesh, tolerance: float = 0.5) -> npt.NDArray[np.bool_]:
    """(m,) mask."""

def collision_pairs(
    meshes: Sequence[Mesh], transforms: Optional[Sequence[Optional[ArrayLike]]] = None, tolerance: float = 0.5
) -> List[Tuple[int, int]]: ...
def quality(mesh: Mesh, metric: Metric) -> npt.NDArray[np.float64]:
    """(m,); lengths in mm, angles in degrees."""

def bad_triangles(mesh: Mesh, metric: Metric, threshold: float) -> int: ...

class StaticTree:
    def __init__(self, mesh: Mesh) -> None: ...
    @property
    def mesh(self) -> Mesh: ...
    def nearest(self, points: ArrayLike) -> Tuple[npt.NDArray[np.int64], npt.NDArray[np.float64]]:
        """points (q, 3) mm -> triangle indices (q,), distances (q,) mm."""

def pore_sizes(
    ends: ArrayLike,
    diameters: ArrayLike,
    box: ArrayLike,
    resolution: Union[int, Sequence[int]],
    *,
    refine: int = 0,
    overlap: float = 0.5,
    method: str = "grid",
    units_per_mm: float = 10000.0,
) -> np.ndarray:
    """ends (e, 2, 3), diameters (e, 2), box (2, 3), all mm -> records (center (3,), radius, interior, flags)."""

def lattice(
    cell: str = "simple_cubic",
    cell_size: float = 1.0,
    cells: Sequence[int] = (1, 1, 1),
    origin: Sequence[float] = (0.0, 0.0, 0.0),
    diameters: Sequence[float] = (0.1, 0.1),
    units_per_mm: float = 10000.0,
) -> Tuple[npt.NDArray[np.float64], npt.NDArray[np.float64], npt.NDArray[np.float64]]:
    """-> ends (e, 2, 3), diameters (e, 2), box (2, 3), all mm."""
