"""Mesh construction, reading back, files and rejected input."""

import os
import pickle

import numpy as np
import pytest

import verozerizaz as vz
from meshes import box

GOOD_V, GOOD_F = box((0, 0, 0), (1, 1, 1))


@pytest.mark.parametrize(
    "vertex_dtype, face_dtype",
    [(np.float64, np.int64), (np.float32, np.int32), (np.int64, np.uint16), (np.float64, np.uint64)],
)
def test_arrays_of_any_numeric_dtype_and_layout_come_back_rounded_to_the_internal_grid(vertex_dtype, face_dtype):
    rng = np.random.default_rng(1)
    vertices = np.asfortranarray(rng.uniform(-50, 50, (40, 3)).astype(vertex_dtype))
    faces = rng.integers(0, 40, (60, 3)).astype(face_dtype)[::2]  # a strided view
    mesh = vz.Mesh.from_arrays(vertices, faces, units_per_mm=1000)
    assert mesh.triangle_count == 30 and mesh.vertex_count == 40
    np.testing.assert_array_equal(mesh.faces, faces)
    np.testing.assert_array_equal(mesh.vertices, np.round(vertices.astype(np.float64) * 1000) / 1000)
    assert mesh.faces.dtype == np.int64 and mesh.vertices.dtype == np.float64


def test_save_then_load_keeps_every_triangle_merges_repeated_vertices_and_applies_the_scale(tmp_path):
    v, f = box((-3.2, 0.5, 1), (7.0001, 2, 9.5), n=3)
    mesh = vz.Mesh.from_arrays(v, f)
    path = tmp_path / "part.stl"
    mesh.save(path)
    loaded = vz.Mesh.load(str(path))
    assert loaded.triangle_count == len(f) and loaded.vertex_count == len(np.unique(mesh.vertices, axis=0))
    np.testing.assert_array_equal(loaded.vertices[loaded.faces], mesh.vertices[mesh.faces])
    coarse = vz.Mesh.load(path, units_per_mm=10)
    assert coarse.units_per_mm == 10
    np.testing.assert_array_equal(coarse.vertices[coarse.faces], np.round(v[f] * 10) / 10)


def test_empty_arrays_give_an_empty_mesh():
    mesh = vz.Mesh.from_arrays(np.zeros((0, 3)), np.zeros((0, 3), int))
    assert mesh.triangle_count == 0 and mesh.vertices.shape == (0, 3) and mesh.faces.shape == (0, 3)


@pytest.mark.parametrize(
    "vertices, faces, words",
    [
        (GOOD_V[:, :2], GOOD_F, ["vertices", "shape", "(n, 3)"]),
        (GOOD_V.ravel(), GOOD_F, ["vertices", "shape"]),
        (GOOD_V, GOOD_F[:, :2], ["faces", "shape"]),
        (GOOD_V.astype(complex), GOOD_F, ["vertices", "dtype"]),
        (GOOD_V > 0, GOOD_F, ["vertices", "dtype"]),
        (GOOD_V, GOOD_F.astype(float), ["faces", "integers"]),
        (np.where(np.arange(GOOD_V.size).reshape(-1, 3) == 7, np.nan, GOOD_V), GOOD_F, ["vertices[2, 1]", "NaN"]),
        (np.where(np.arange(GOOD_V.size).reshape(-1, 3) == 3, np.inf, GOOD_V), GOOD_F, ["vertices[1, 0]", "infinite"]),
        (GOOD_V * 1e6, GOOD_F, ["vertices", "32-bit"]),
        (GOOD_V, np.where(GOOD_F == 5, len(GOOD_V), GOOD_F), ["faces[", "names no vertex"]),
        (GOOD_V, np.where(GOOD_F == 5, -1, GOOD_F), ["faces[", "-1"]),
        (GOOD_V, GOOD_F.astype(np.uint64) + np.uint64(2**63), ["faces[", "names no vertex"]),
        (None, GOOD_F, ["vertices", "None"]),
        (GOOD_V, "faces", ["faces"]),
    ],
)
def test_bad_arrays_raise_value_error_naming_the_problem(vertices, faces, words):
    with pytest.raises(ValueError) as error:
        vz.Mesh.from_arrays(vertices, faces)
    for word in words:
        assert word in str(error.value)


@pytest.mark.parametrize("scale", [0.0, -1.0, float("nan"), float("inf")])
def test_bad_scale_is_rejected(scale):
    with pytest.raises(ValueError, match="units_per_mm"):
        vz.Mesh.from_arrays(GOOD_V, GOOD_F, units_per_mm=scale)


@pytest.mark.parametrize(
    "name, contents, error, words",
    [
        ("missing.stl", None, FileNotFoundError, "missing.stl"),
        ("broken.stl", b"solid x\n facet normal 0 0 1\n outer loop\n vertex 1 2 nonsense\n", ValueError, "broken.stl"),
        ("truncated.stl", bytes(80) + (5).to_bytes(4, "little") + bytes(50), ValueError, "truncated.stl"),
        # Refused at once instead of waiting for a writer.
        ("pipe.stl", "named pipe", ValueError, "pipe.stl.*not a regular file"),
    ],
)
def test_unreadable_files_raise_errors_naming_the_file(tmp_path, name, contents, error, words):
    path = tmp_path / name
    if contents == "named pipe":
        os.mkfifo(path)
    elif contents is not None:
        path.write_bytes(contents)
    with pytest.raises(error, match=words) as raised:
        vz.Mesh.load(path)
    if error is FileNotFoundError:
        assert raised.value.filename == str(path)


def test_saving_where_no_file_can_be_written_raises_os_error(tmp_path):
    target = tmp_path / "no such folder" / "part.stl"
    with pytest.raises(OSError) as error:
        vz.Mesh.from_arrays(GOOD_V, GOOD_F).save(target)
    assert error.value.filename == str(target)


def test_pickled_meshes_come_back_exactly():
    v, f = box((0.12345, -7, 3), (9.87654, 2, 4), n=2)
    mesh = vz.Mesh.from_arrays(v, f, units_per_mm=333.0)
    copy = pickle.loads(pickle.dumps(mesh))
    assert copy.units_per_mm == 333.0
    np.testing.assert_array_equal(copy.vertices, mesh.vertices)
    np.testing.assert_array_equal(copy.faces, mesh.faces)
