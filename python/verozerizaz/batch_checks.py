"""The checks of one part in a batch, and the row that reports them.

`check_part(path, settings)` loads one STL file, runs the chosen checks on it in this process and
returns one row: a dict whose keys are `row_columns(settings)`, in that order. A part that cannot be
read or checked is not an exception here: its row carries the message in ``error`` and keeps every
figure that was measured before the failure. Lengths in a row are in millimetres.
"""

import time
from dataclasses import asdict, dataclass, field

import numpy as np

import verozerizaz as vz

THICKNESS = "thickness"
SELF_COLLISION = "self-collision"
QUALITY = "quality"
ALL_CHECKS = (THICKNESS, SELF_COLLISION, QUALITY)

# Shape, size, smoothness and growth: one metric each, with the value below which a triangle
# usually needs attention (the figures the example program's summary uses). Thresholds are in the
# metric's own units: a ratio, degrees for angles, millimetres for lengths.
DEFAULT_METRICS = (
    ("RadiusRatio", 0.3),
    ("MinAngle", 20.0),
    ("MinEdge", 0.1),
    ("CurvatureRatio", 0.6),
    ("GrowthFactor3Rings", 0.3),
)

BOX_COLUMNS = ("box_min_x", "box_min_y", "box_min_z", "box_max_x", "box_max_y", "box_max_z")


@dataclass(frozen=True)
class CheckSettings:
    """What to check and with which limits. Lengths in millimetres.

    Defaults are the library's: wall thickness searched between 0.5 and 1.5 mm, self-collision
    tolerance 0.5 mm. `thin_below` is the thickness under which a wall counts as thin for the
    ``thin_share`` column (strictly below). `metrics` is a tuple of (metric name, threshold): a
    triangle is bad when its value is strictly below the threshold.
    """

    checks: tuple = ALL_CHECKS
    units_per_mm: float = 10000.0
    thickness_min: float = 0.5
    thickness_max: float = 1.5
    thin_below: float = 1.0
    tolerance: float = 0.5
    metrics: tuple = field(default=DEFAULT_METRICS)

    def to_dict(self):
        """A plain dict that survives JSON and pickling; `from_dict` restores the settings."""
        return asdict(self)

    @staticmethod
    def from_dict(values):
        values = dict(values)
        values["checks"] = tuple(values["checks"])
        values["metrics"] = tuple((str(name), float(limit)) for name, limit in values["metrics"])
        return CheckSettings(**values)


def bad_column(metric_name):
    """Column of the bad-triangle count of one metric."""
    return "bad_" + metric_name


def row_columns(settings):
    """The columns of a row for these settings, in output order."""
    columns = ["file", "triangles", *BOX_COLUMNS]
    if THICKNESS in settings.checks:
        columns += ["thickness_min", "thin_share"]
    if SELF_COLLISION in settings.checks:
        columns += ["self_colliding"]
    if QUALITY in settings.checks:
        columns += [bad_column(name) for name, _ in settings.metrics]
    columns += ["seconds", "error"]
    return columns


def empty_row(path, settings):
    """A row for `path` with every figure unknown (None)."""
    row = dict.fromkeys(row_columns(settings))
    row["file"] = path
    return row


def triangle_areas(vertices, faces):
    """Area of every triangle, (m,) float64, in the square of the vertices' unit."""
    if len(faces) == 0:
        return np.zeros(0)
    corners = np.asarray(vertices, dtype=np.float64)[np.asarray(faces)]
    cross = np.cross(corners[:, 1] - corners[:, 0], corners[:, 2] - corners[:, 0])
    return 0.5 * np.sqrt(np.einsum("ij,ij->i", cross, cross))


def thin_area_share(thickness, areas, thin_below):
    """Share of the surface area (0..1) whose wall is strictly thinner than `thin_below`;
    0 for a part without area."""
    total = float(areas.sum())
    if total <= 0.0:
        return 0.0
    return float(areas[thickness < thin_below].sum()) / total


def _describe(mesh, row):
    row["triangles"] = int(mesh.triangle_count)
    vertices = np.asarray(mesh.vertices, dtype=np.float64)
    if len(vertices):
        row.update(zip(BOX_COLUMNS, [*map(float, vertices.min(axis=0)), *map(float, vertices.max(axis=0))]))


def _check_thickness(mesh, settings, row):
    thickness = np.asarray(vz.wall_thickness(mesh, min=settings.thickness_min, max=settings.thickness_max))
    if len(thickness) == 0:
        return
    row["thickness_min"] = float(thickness.min())
    areas = triangle_areas(mesh.vertices, mesh.faces)
    row["thin_share"] = thin_area_share(thickness, areas, settings.thin_below)


def _check_self_collision(mesh, settings, row):
    row["self_colliding"] = int(np.count_nonzero(vz.self_collide(mesh, settings.tolerance)))


def _check_quality(mesh, settings, row):
    for name, threshold in settings.metrics:
        row[bad_column(name)] = int(vz.bad_triangles(mesh, name, threshold))


_STAGES = ((THICKNESS, _check_thickness), (SELF_COLLISION, _check_self_collision), (QUALITY, _check_quality))


def check_part(path, settings):
    """Load `path` and run `settings.checks` on it; returns the part's row (never raises for a bad
    part: the message goes to ``error``, prefixed with the step that failed)."""
    started = time.perf_counter()
    row = empty_row(path, settings)
    stage = "load"
    try:
        mesh = vz.Mesh.load(path, units_per_mm=settings.units_per_mm)
        _describe(mesh, row)
        for stage, run in _STAGES:
            if stage in settings.checks:
                run(mesh, settings, row)
    except Exception as error:  # a bad part is reported in its row; the batch goes on
        row["error"] = f"{stage}: {type(error).__name__}: {error}"
    row["seconds"] = time.perf_counter() - started
    return row

