"""Pores of beam lattices against closed forms, and the lattice generator."""

import numpy as np
import pytest

import verozerizaz as vz


def test_simple_cubic_lattice_has_every_cube_edge_once():
    ends, diameters, box = vz.lattice(
        "simple_cubic", cell_size=1.5, cells=(2, 3, 1), origin=(1, 2, 3), diameters=(0.2, 0.1)
    )
    # Cube edges of a 3 x 4 x 2 node grid: along x 2*4*2, along y 3*3*2, along z 3*4*1.
    assert ends.shape == (16 + 18 + 12, 2, 3)
    np.testing.assert_allclose(np.linalg.norm(ends[:, 1] - ends[:, 0], axis=1), 1.5)
    np.testing.assert_array_equal(diameters, np.tile([0.2, 0.1], (len(ends), 1)))
    np.testing.assert_allclose(box, [[1, 2, 3], [4, 6.5, 4.5]])
    assert len({tuple(sorted(map(tuple, e))) for e in ends}) == len(ends)


def test_body_centred_cell_joins_the_centre_to_each_corner():
    ends, _, box = vz.lattice("body_centred_cubic", cell_size=2.0, cells=(1, 1, 1))
    assert len(ends) == 8
    np.testing.assert_allclose(np.linalg.norm(ends[:, 1] - ends[:, 0], axis=1), np.sqrt(3))
    assert (ends >= box[0]).all() and (ends <= box[1]).all()


@pytest.mark.parametrize("method", ["grid", "rtree"])
def test_a_single_cubic_cell_has_one_pore_at_its_centre(method):
    ends, diameters, box = vz.lattice("simple_cubic", cell_size=1.0, diameters=(0.1, 0.1))
    pores = vz.pore_sizes(ends, diameters, box, 3, method=method)
    assert pores.dtype.names == ("center", "radius", "interior", "flags")
    assert len(pores) == 1
    np.testing.assert_allclose(pores["center"][0], [0.5, 0.5, 0.5])
    # From the centre to the axis of any edge is sqrt(0.5) mm, less the beam's radius.
    assert pores["radius"][0] == pytest.approx(np.sqrt(0.5) - 0.05, rel=1e-9)
    assert pores["interior"][0] and pores["flags"][0] == 0


def test_nelder_mead_refinement_finds_the_centre():
    ends, diameters, box = vz.lattice("simple_cubic", cell_size=1.0, diameters=(0.1, 0.1))
    pores = vz.pore_sizes(ends, diameters, box, (4, 4, 4), method="nelder-mead")
    best = pores[np.argmax(pores["radius"])]
    np.testing.assert_allclose(best["center"], [0.5, 0.5, 0.5], atol=0.01)
    assert best["radius"] == pytest.approx(np.sqrt(0.5) - 0.05, abs=1e-3)


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


@pytest.mark.parametrize(
    "arguments, word",
    [
        (dict(resolution=1), "i_resolution_x too small"),
        (dict(resolution=(3, 1, 3)), "i_resolution_y too small"),
        (dict(resolution=(3, 3, -2)), "resolution"),
        (dict(resolution=-3), "resolution"),
        (dict(resolution=2.5), "resolution"),
        (dict(ends=np.zeros((2, 3))), "ends"),
        (dict(diameters=np.zeros((5, 2))), "diameters"),
        (dict(diameters=-np.ones((12, 2))), "diameters"),
        (dict(box=[[1, 1, 1], [0, 0, 0]]), "box"),
        (dict(method="fast"), "method"),
    ],
)
def test_bad_arguments_are_rejected(arguments, word):
    ends, diameters, box = vz.lattice()
    call = dict(ends=ends, diameters=diameters, box=box, resolution=3)
    call.update(arguments)
    with pytest.raises(ValueError, match=word):
        vz.pore_sizes(call.pop("ends"), call.pop("diameters"), call.pop("box"), call.pop("resolution"), **call)


@pytest.mark.parametrize(
    "arguments, word",
    [
        (dict(cell="hexagonal"), "cell"),
        (dict(cell_size=0.0), "cell_size"),
        (dict(cells=(1, 0, 1)), "cells"),
        (dict(diameters=(-1, 1)), "diameters"),
    ],
)
def test_bad_lattice_arguments_are_rejected(arguments, word):
    with pytest.raises(ValueError, match=word):
        vz.lattice(**arguments)
