"""Collision of placed boxes against closed forms: for two boxes of the same y-z section side by
side along x, a triangle of one lies at (its nearest x to the other box) minus (that box's face x)
from the other."""

import numpy as np
import pytest

import verozerizaz as vz
from meshes import box, merge, rotation_x, translation, triangle_normals

SIZE = 2.0
N = 3


def centred_cube():
    v, f = box((-SIZE / 2,) * 3, (SIZE / 2,) * 3, N)
    return vz.Mesh.from_arrays(v, f), v[f]


def expected_masks(triangles, gap, tolerance):
    """Cube A at the origin, cube B moved by SIZE + gap along x."""
    a_face, b_face = SIZE / 2, SIZE / 2 + gap
    a_distance = b_face - triangles[:, :, 0].max(1)
    b_distance = (triangles[:, :, 0].min(1) + SIZE + gap) - a_face
    return a_distance <= tolerance + 1e-9, b_distance <= tolerance + 1e-9


@pytest.mark.parametrize("gap, tolerance", [(0.3, 0.5), (0.3, 0.2), (0.3, 0.3 + 2 * SIZE / N), (0.0, 1e-6)])
def test_two_placed_cubes_report_the_triangles_within_tolerance(gap, tolerance):
    mesh, triangles = centred_cube()
    # The quarter turn about x maps the centred cube onto itself; the triangles move, so B's
    # triangles are those of the turned cube.
    turn = rotation_x(90)
    turned = triangles @ turn[:3, :3].T
    a_mask, b_mask = vz.collide(mesh, mesh, tolerance, None, translation(SIZE + gap, 0, 0) @ turn)
    want_a, _ = expected_masks(triangles, gap, tolerance)
    _, want_b = expected_masks(turned, gap, tolerance)
    np.testing.assert_array_equal(a_mask, want_a)
    np.testing.assert_array_equal(b_mask, want_b)
    assert a_mask.dtype == bool and a_mask.shape == (mesh.triangle_count,)


def test_self_collision_reports_the_two_walls_facing_across_a_gap():
    gap = 0.4
    v, f = merge(box((0, 0, 0), (1, 1, 1), 2), box((1 + gap, 0, 0), (2 + gap, 1, 1), 2))
    mesh = vz.Mesh.from_arrays(v, f)
    normals, centres = triangle_normals(v, f), v[f].mean(1)
    facing = ((normals[:, 0] > 0.5) & (centres[:, 0] < 1.01)) | ((normals[:, 0] < -0.5) & (centres[:, 0] > 1.0))
    # Each box is convex: none of its own faces count, however close.
    np.testing.assert_array_equal(vz.self_collide(mesh, 0.5), facing)
    assert not vz.self_collide(mesh, 0.3).any()
    # The mesh is turned inside out while the search runs and restored afterwards.
    np.testing.assert_array_equal(mesh.faces, f)


def box_gap(lo_a, hi_a, lo_b, hi_b):
    gaps = np.maximum(0, np.maximum(np.subtract(lo_b, hi_a), np.subtract(lo_a, hi_b)))
    return np.linalg.norm(gaps)


def test_collision_pairs_match_box_to_box_distances():
    rng = np.random.default_rng(5)
    sizes = [1, 2, 3, 2, 1]
    meshes = [vz.Mesh.from_arrays(*box((0, 0, 0), (1, 1, 1), n)) for n in sizes]
    offsets = rng.uniform(0, 3, (len(meshes), 3))
    tolerance = 0.5
    pairs = vz.collision_pairs(meshes, [translation(*o) for o in offsets], tolerance)
    # Reference: unit cubes collide when their box gap is within the tolerance. The larger part
    # (more triangles, then higher index) comes first.
    rank = [(m.triangle_count, i) for i, m in enumerate(meshes)]
    want = set()
    for i in range(len(meshes)):
        for j in range(i + 1, len(meshes)):
            if box_gap(offsets[i], offsets[i] + 1, offsets[j], offsets[j] + 1) <= tolerance:
                want.add((i, j) if rank[i] > rank[j] else (j, i))
    assert set(pairs) == want and len(pairs) == len(want)
    assert all(isinstance(i, int) for pair in pairs for i in pair)
    # Of two equal parts the later comes first; one part or none makes no pair.
    assert vz.collision_pairs(meshes[:1] * 2, None, 0.1) == [(1, 0)]
    assert vz.collision_pairs(meshes[:1]) == [] and vz.collision_pairs([]) == []


@pytest.mark.parametrize(
    "call, word",
    [
        (lambda m: vz.collide(m, m, -1.0), "tolerance"),
        (lambda m: vz.collide(m, m, 0.5, np.eye(3)), "transform_a"),
        (lambda m: vz.collide(m, m, 0.5, None, np.full((4, 4), np.nan)), "transform_b"),
        (lambda m: vz.collide(m, m, 0.5, np.ones((4, 4))), "last row"),
        (lambda m: vz.collide(m, vz.Mesh.from_arrays(*box((0, 0, 0), (1, 1, 1)), units_per_mm=100)), "units_per_mm"),
        (lambda m: vz.self_collide(m, float("inf")), "tolerance"),
        (lambda m: vz.collision_pairs([m, m], [np.eye(4)]), "transforms"),
        (lambda m: vz.collision_pairs([m, m], [np.eye(4), "x"]), "transforms[1]"),
    ],
)
def test_bad_arguments_are_rejected(call, word):
    mesh, _ = centred_cube()
    with pytest.raises(ValueError, match=word.replace("[", r"\[")):
        call(mesh)
