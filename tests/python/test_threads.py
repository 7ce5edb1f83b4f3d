"""Calls from several Python threads at once on one mesh: the interpreter lock is released while
they run, and the call that turns the mesh inside out for a while (self_collide) keeps the others
from seeing it so."""

import threading

import numpy as np

import verozerizaz as vz
from meshes import box, merge


def test_concurrent_calls_give_the_results_of_calls_made_one_at_a_time():
    v, f = merge(box((0, 0, 0), (4, 4, 0.8), 12), box((0, 0, 1.2), (4, 4, 2), 12))
    mesh = vz.Mesh.from_arrays(v, f)
    points = np.random.default_rng(4).uniform(-1, 5, (20000, 3))
    calls = {
        "thickness": lambda: vz.wall_thickness(mesh),
        "self": lambda: vz.self_collide(mesh, 0.5),
        "quality": lambda: vz.quality(mesh, "CurvatureRatioConvex"),
        "nearest": lambda: vz.StaticTree(mesh).nearest(points)[1],
        "faces": lambda: mesh.faces,
    }
    alone = {name: call() for name, call in calls.items()}
    results, errors = {}, []

    def run(name, call):
        try:
            for round in range(3):
                results[(name, round)] = call()
        except Exception as error:  # reported below, with the thread's name
            errors.append((name, error))

    threads = [threading.Thread(target=run, args=item) for item in calls.items()]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors
    for (name, _), value in results.items():
        np.testing.assert_array_equal(value, alone[name])


def test_results_do_not_depend_on_the_number_of_threads(tmp_path):
    import os
    import subprocess
    import sys

    script = """
import sys, numpy as np, verozerizaz as vz
sys.path.insert(0, sys.argv[1])
from meshes import box
mesh = vz.Mesh.from_arrays(*box((0, 0, 0), (3, 2, 1), 20))
points = np.random.default_rng(8).uniform(-1, 4, (30000, 3))
index, distance = vz.StaticTree(mesh).nearest(points)
np.savez(sys.argv[2], index=index, distance=distance, quality=vz.quality(mesh, "GrowthFactor3Rings"))
"""
    results = []
    for threads in ("1", "3"):
        out = tmp_path / f"threads{threads}.npz"
        env = dict(os.environ, OMP_NUM_THREADS=threads)
        subprocess.run([sys.executable, "-c", script, os.path.dirname(__file__), str(out)], env=env, check=True)
        results.append(np.load(out))
    for key in ("index", "distance", "quality"):
        np.testing.assert_array_equal(results[0][key], results[1][key])
