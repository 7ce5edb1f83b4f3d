"""Nearest triangles against a numpy brute force over every triangle."""

import numpy as np
import pytest

import verozerizaz as vz
from meshes import box, merge, point_triangle_distances


def test_nearest_matches_brute_force():
    rng = np.random.default_rng(11)
    v, f = merge(box((0, 0, 0), (3, 2, 1), 4), box((4, -1, 0.5), (5, 3, 2.5), 3))
    # The tree keeps the mesh it was built from alive.
    tree = vz.StaticTree(vz.Mesh.from_arrays(v, f))
    points = np.concatenate([rng.uniform(-2, 7, (300, 3)), v[:20] + 1e-3, v[f].mean(1)[:20]])
    indices, distances = tree.nearest(points)
    reference = point_triangle_distances(points, tree.mesh.vertices[tree.mesh.faces])
    np.testing.assert_allclose(distances, reference.min(1), rtol=1e-9, atol=1e-9)
    # The triangle named is at that distance (ties may name any of the nearest).
    np.testing.assert_allclose(reference[np.arange(len(points)), indices], distances, rtol=1e-9, atol=1e-9)
    assert indices.dtype == np.int64 and distances.dtype == np.float64


def test_empty_mesh_and_empty_query():
    tree = vz.StaticTree(vz.Mesh.from_arrays(np.zeros((0, 3)), np.zeros((0, 3), int)))
    indices, distances = tree.nearest([[1.0, 2.0, 3.0]])
    assert indices.tolist() == [-1] and np.isinf(distances).all()
    indices, distances = vz.StaticTree(vz.Mesh.from_arrays(*box((0, 0, 0), (1, 1, 1)))).nearest(np.zeros((0, 3)))
    assert indices.shape == (0,) and distances.shape == (0,)


@pytest.mark.parametrize("points", [np.zeros((4, 2)), np.zeros(3), [[0, 0, np.nan]], "points"])
def test_bad_points_are_rejected(points):
    tree = vz.StaticTree(vz.Mesh.from_arrays(*box((0, 0, 0), (1, 1, 1))))
    with pytest.raises(ValueError, match="points"):
        tree.nearest(points)


def test_the_tree_needs_a_mesh():
    with pytest.raises(TypeError):
        vz.StaticTree(np.zeros((3, 3)))
