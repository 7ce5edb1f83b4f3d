"""Wall thickness against plates of known thickness, progress reports and Ctrl-C."""

import os
import signal
import threading
import time

import numpy as np
import pytest

import verozerizaz as vz
from meshes import box, triangle_normals


def plate(thickness, n=4):
    """A 10 x 10 mm plate of the given thickness along z; returns the mesh and which triangles lie
    on its two large faces."""
    v, f = box((0, 0, 0), (10, 10, thickness), n)
    mesh = vz.Mesh.from_arrays(v, f)
    large = np.abs(triangle_normals(v, f)[:, 2]) > 0.5
    return mesh, large


@pytest.mark.parametrize("thickness, low, high", [(0.8, 0.5, 1.5), (0.3, 0.5, 1.5), (2.0, 0.5, 1.5), (1.2, 1.0, 4.0)])
def test_plate_faces_measure_the_plate_clamped_to_min_and_max(thickness, low, high):
    mesh, large = plate(thickness)
    values = vz.wall_thickness(mesh, min=low, max=high)
    assert values.shape == (mesh.triangle_count,) and values.dtype == np.float64
    np.testing.assert_allclose(values[large], np.clip(thickness, low, high), rtol=1e-6)
    # The rims face each other 10 mm apart, beyond max.
    np.testing.assert_allclose(values[~large], high, rtol=1e-6)


def test_measure_and_opposite_masks_select_triangles():
    mesh, large = plate(0.8)
    measure = np.zeros(mesh.triangle_count, bool)
    measure[::3] = True
    values = vz.wall_thickness(mesh, measure=measure)
    assert np.isnan(values[~measure]).all()
    np.testing.assert_allclose(values[measure & large], 0.8, rtol=1e-6)
    # Without the large faces as opposite walls, nothing is found within max.
    values = vz.wall_thickness(mesh, opposite=~large)
    np.testing.assert_allclose(values, 1.5, rtol=1e-6)


def test_progress_reports_reach_the_total_and_an_exception_from_the_callback_stops_the_run():
    mesh, _ = plate(0.8, n=10)
    reports = []
    vz.wall_thickness(mesh, progress=lambda done, total: reports.append((done, total)))
    assert reports[-1] == (mesh.triangle_count, mesh.triangle_count)
    assert [d for d, _ in reports] == sorted(d for d, _ in reports)

    def refuse(done, total):
        raise RuntimeError("stop here")

    with pytest.raises(RuntimeError, match="stop here"):
        vz.wall_thickness(plate(0.8, n=60)[0], max=20.0, progress=refuse)


@pytest.mark.parametrize(
    "arguments, word",
    [
        (dict(min=-1.0), "min"),
        (dict(max=float("nan")), "max"),
        (dict(min=2.0, max=1.0), "min"),
        (dict(opposite_angle=200.0), "opposite_angle"),
        (dict(direction_angle=-5.0), "direction_angle"),
        (dict(progress=3), "progress"),
        (dict(measure=np.ones(5, bool)), "measure"),
        (dict(opposite=np.ones(96, int)), "opposite"),
    ],
)
def test_bad_arguments_are_rejected(arguments, word):
    mesh, _ = plate(0.8, n=2)
    with pytest.raises(ValueError, match=word):
        vz.wall_thickness(mesh, **arguments)


@pytest.mark.skipif(threading.current_thread() is not threading.main_thread(), reason="signals reach the main thread")
def test_ctrl_c_stops_a_long_run_within_a_second():
    # With a search radius across the whole part, every triangle tests most of the opposite face:
    # about a minute and a half of work on two cores.
    mesh, _ = plate(10.0, n=100)
    sent = []

    def interrupt():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    timer = threading.Timer(0.5, interrupt)
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            vz.wall_thickness(mesh, max=20.0)
        stopped = time.monotonic()
    finally:
        timer.cancel()
    assert sent and stopped - sent[0] < 1.0
