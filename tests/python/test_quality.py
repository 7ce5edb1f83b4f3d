"""Triangle quality metrics against closed forms computed with numpy."""

import numpy as np
import pytest

import verozerizaz as vz
from meshes import box


def random_triangles(count=60, seed=3):
    """Separate triangles (no shared vertices) of assorted shapes, a few mm across, the last one
    equilateral (as near as the grid allows), at the top end of the ratios' range."""
    rng = np.random.default_rng(seed)
    vertices = rng.uniform(0, 5, (count * 3, 3))
    vertices[-3:] = [[0, 0, 0], [2, 0, 0], [1, np.sqrt(3), 0]]
    return vz.Mesh.from_arrays(vertices, np.arange(count * 3).reshape(-1, 3))


def closed_forms(mesh):
    """Metrics by their textbook formulas: lengths in mm, angles in degrees."""
    t = mesh.vertices[mesh.faces]
    sides = np.stack([np.linalg.norm(t[:, (k + 1) % 3] - t[:, k], axis=1) for k in range(3)], 1)
    a, b, c = sides.T
    # Law of cosines: the angle opposite each side.
    cosines = (np.sum(sides**2, 1)[:, None] - 2 * sides**2) * sides / (2 * a * b * c)[:, None]
    angles = np.degrees(np.arccos(np.clip(cosines, -1, 1)))
    s = sides.sum(1) / 2
    area = np.linalg.norm(np.cross(t[:, 1] - t[:, 0], t[:, 2] - t[:, 0]), axis=1) / 2
    return {
        "RadiusRatio": np.clip(8 * (s - a) * (s - b) * (s - c) / (a * b * c), 0, 1),
        "EdgeRatio": sides.min(1) / sides.max(1),
        "AspectRatio": sides.max(1) / sides.min(1),
        "MinAngle": angles.min(1),
        "MaxAngle": angles.max(1),
        "MinAngleRatio": angles.min(1) / 60,
        "MaxAngleRatio": (180 - angles.max(1)) / 120,
        "AngleRatio": angles.min(1) / angles.max(1),
        "MaxEdge": sides.max(1),
        "min_edge": sides.min(1),  # names are matched in any case, with or without underscores
        "MinHeight": 2 * area / sides.max(1),
    }


def test_metrics_match_their_closed_forms():
    mesh = random_triangles()
    for metric, expected in closed_forms(mesh).items():
        np.testing.assert_allclose(vz.quality(mesh, metric), expected, rtol=1e-6, err_msg=metric)


def test_names_and_numbers_name_the_same_metric():
    mesh = random_triangles(10)
    for name, number in vz.METRICS.items():
        np.testing.assert_array_equal(vz.quality(mesh, name), vz.quality(mesh, number))
    assert len(vz.METRICS) == 35 and 25 not in vz.METRICS.values()


def test_neighbourhood_metrics_see_shared_vertices():
    v, f = box((0, 0, 0), (1, 1, 1), n=2)
    # Faces repeat their edge vertices: only edges inside a face have a neighbour.
    mesh = vz.Mesh.from_arrays(v, f)
    t = v[f]
    on_face_border = np.zeros(len(f), int)
    for k in range(3):
        edge = np.stack([t[:, k], t[:, (k + 1) % 3]], 1)
        # An edge lies on the cube's edge when both ends share two coordinates at 0 or 1.
        extreme = (edge == 0) | (edge == 1)
        on_face_border += (extreme.all(1).sum(1) >= 2).astype(int)
    np.testing.assert_allclose(vz.quality(mesh, "BadEdgeRatio"), (3 - on_face_border) / 3)


def test_bad_triangle_count_is_strictly_below_the_threshold():
    mesh = random_triangles()
    values = vz.quality(mesh, "RadiusRatio")
    for threshold in (0.1, 0.5, 0.9, values[7]):
        assert vz.bad_triangles(mesh, "RadiusRatio", threshold) == np.count_nonzero(values < threshold)
    edges = vz.quality(mesh, "MaxEdge")
    assert vz.bad_triangles(mesh, 16, 3.0) == np.count_nonzero(edges < 3.0)
    assert vz.bad_triangles(vz.Mesh.from_arrays(np.zeros((0, 3)), np.zeros((0, 3), int)), 1, 0.5) == 0


@pytest.mark.parametrize("metric", [0, 25, 37, -1, "nonsense", True, 1.0, None])
def test_unknown_metrics_are_rejected(metric):
    with pytest.raises(ValueError, match="metric"):
        vz.quality(random_triangles(2), metric)
    with pytest.raises(ValueError, match="metric"):
        vz.bad_triangles(random_triangles(2), metric, 0.5)
