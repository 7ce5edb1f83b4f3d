"""Pores of beam lattices against closed forms, and the lattice generator."""

import numpy as np
import pytest

import verozerizaz as vz


@pytest.mark.parametrize(
    "cell, beams, length",
    [
        # Cube edges of a 3 x 4 x 2 node grid: along x 2*4*2, along y 3*3*2, along z 3*4*1.
        ("simple_cubic", 16 + 18 + 12, 1.5),
        # Each cell's centre joined to its eight corners.
        ("body_centred_cubic", 6 * 8, 1.5 * np.sqrt(3) / 2),
    ],
)
def test_lattice_cells_have_each_of_their_beams_once(cell, beams, length):
    ends, diameters, box = vz.lattice(cell, cell_size=1.5, cells=(2, 3, 1), origin=(1, 2, 3), diameters=(0.2, 0.1))
    assert ends.shape == (beams, 2, 3)
    np.testing.assert_allclose(np.linalg.norm(ends[:, 1] - ends[:, 0], axis=1), length)
    np.testing.assert_array_equal(diameters, np.tile([0.2, 0.1], (len(ends), 1)))
    np.testing.assert_allclose(box, [[1, 2, 3], [4, 6.5, 4.5]])
    assert len({tuple(sorted(map(tuple, e))) for e in ends}) == len(ends)
    assert (ends >= box[0] - 1e-12).all() and (ends <= box[1] + 1e-12).all()


@pytest.mark.parametrize(
    "method, resolution, atol", [("grid", 3, 1e-9), ("rtree", 3, 1e-9), ("nelder-mead", (4, 4, 4), 1e-3)]
)
def test_a_single_cubic_cell_has_its_largest_pore_at_its_centre(method, resolution, atol):
    ends, diameters, box = vz.lattice("simple_cubic", cell_size=1.0, diameters=(0.1, 0.1))
    pores = vz.pore_sizes(ends, diameters, box, resolution, method=method)
    assert pores.dtype.names == ("center", "radius", "interior", "flags")
    if method != "nelder-mead":  # the refinement may leave more candidates behind
        assert len(pores) == 1
    best = pores[np.argmax(pores["radius"])]
    np.testing.assert_allclose(best["center"], [0.5, 0.5, 0.5], atol=10 * atol)
    # From the centre to the axis of any edge is sqrt(0.5) mm, less the beam's radius.
    assert best["radius"] == pytest.approx(np.sqrt(0.5) - 0.05, abs=atol)
    assert best["interior"] and best["flags"] == 0


def test_pores_on_the_box_faces_carry_their_face_bits():
    # A free-standing beam along z through the middle of a box: the largest clearances are at the
    # box's x-y corners, on the faces.
    ends = np.array([[[0.5, 0.5, 0.0], [0.5, 0.5, 1.0]]])
    pores = vz.pore_sizes(ends, [[0.1, 0.1]], [[0, 0, 0], [1, 1, 1]], 3, overlap=0.0)
    assert len(pores) > 0 and not pores["interior"].any()
    for p in pores:
        x, y, z = p["center"]
        want = (0x100 if x == 0 else 0x200 if x == 1 else 0) | (0x010 if y == 0 else 0x020 if y == 1 else 0)
        want |= 0x001 if z == 0 else 0x002 if z == 1 else 0
        assert p["flags"] == want
        assert p["radius"] == pytest.approx(np.hypot(x - 0.5, y - 0.5) - 0.05, rel=1e-9)
    assert (np.diff(pores["radius"]) >= 0).all()


def test_a_lattice_without_beams_leaves_one_pore_at_the_far_corner():
    pores = vz.pore_sizes(np.zeros((0, 2, 3)), np.zeros((0, 2)), [[0, 0, 0], [1, 2, 3]], 2)
    assert len(pores) == 1 and np.isinf(pores["radius"][0])
    np.testing.assert_array_equal(pores["center"][0], [1, 2, 3])


ENDS, DIAMETERS, BOX = vz.lattice()


@pytest.mark.parametrize(
    "call, word",
    [
        (lambda: vz.pore_sizes(ENDS, DIAMETERS, BOX, 1), "i_resolution_x too small"),
        (lambda: vz.pore_sizes(ENDS, DIAMETERS, BOX, (3, 1, 3)), "i_resolution_y too small"),
        (lambda: vz.pore_sizes(ENDS, DIAMETERS, BOX, (3, 3, -2)), "resolution"),
        (lambda: vz.pore_sizes(ENDS, DIAMETERS, BOX, -3), "resolution"),
        (lambda: vz.pore_sizes(ENDS, DIAMETERS, BOX, 2.5), "resolution"),
        (lambda: vz.pore_sizes(np.zeros((2, 3)), DIAMETERS, BOX, 3), "ends"),
        (lambda: vz.pore_sizes(ENDS, np.zeros((5, 2)), BOX, 3), "diameters"),
        (lambda: vz.pore_sizes(ENDS, -np.ones((12, 2)), BOX, 3), "diameters"),
        (lambda: vz.pore_sizes(ENDS, DIAMETERS, [[1, 1, 1], [0, 0, 0]], 3), "box"),
        (lambda: vz.pore_sizes(ENDS, DIAMETERS, BOX, 3, method="fast"), "method"),
        (lambda: vz.lattice(cell="hexagonal"), "cell"),
        (lambda: vz.lattice(cell_size=0.0), "cell_size"),
        (lambda: vz.lattice(cells=(1, 0, 1)), "cells"),
        (lambda: vz.lattice(diameters=(-1, 1)), "diameters"),
    ],
)
def test_bad_arguments_are_rejected(call, word):
    with pytest.raises(ValueError, match=word):
        call()
