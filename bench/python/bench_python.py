#!/usr/bin/python3
"""Benchmark of the Python package against the same work done from C++.

On a hollow 100 mm box with a 1 mm wall (about a million triangles, the part of the C++ wall
thickness benchmark): Mesh.from_arrays rate, StaticTree(mesh).nearest on a million points near the
surface, and wall_thickness, each timed in Python and in the C++ program python_parity_bench on the
same STL file and points. Run from the repository after building with -DVZ_BUILD_PYTHON=ON and
-DVZ_BUILD_BENCHMARKS=ON:

    /usr/bin/python3 bench/python/bench_python.py [--build build] [--points 1000000]
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def hollow_box(meshes, n=204):
    outer = meshes.box((0, 0, 0), (100, 100, 100), n)
    v, f = meshes.box((1, 1, 1), (99, 99, 99), n)
    return meshes.merge(outer, (v, f[:, ::-1]))


def best_of(runs, call):
    """(best wall seconds, best processor seconds, result) of several runs."""
    walls, cpus = [], []
    for _ in range(runs):
        wall, cpu = time.perf_counter(), time.process_time()
        result = call()
        walls.append(time.perf_counter() - wall)
        cpus.append(time.process_time() - cpu)
    return min(walls), min(cpus), result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"), help="the CMake build folder")
    parser.add_argument("--points", type=int, default=1_000_000, help="number of nearest-triangle queries")
    parser.add_argument("--rounds", type=int, default=2, help="rounds of each side; the best counts")
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.build, "python"))
    sys.path.insert(0, os.path.join(ROOT, "tests", "python"))
    import meshes
    import verozerizaz as vz

    vertices, faces = hollow_box(meshes)
    arrays_s, arrays_cpu_s, mesh = best_of(3, lambda: vz.Mesh.from_arrays(vertices, faces))
    count = len(faces)
    rng = np.random.default_rng(7)
    chosen = rng.integers(0, len(faces), args.points)
    points = vertices[faces[chosen]].mean(1) + rng.uniform(-2, 2, (args.points, 3))

    steps = ("load", "tree", "nearest", "wall_thickness")
    best_py, best_cpp = {}, {}

    def keep_best(best, name, wall, cpu):
        old = best.get(name, (float("inf"), float("inf")))
        best[name] = (min(old[0], wall), min(old[1], cpu))

    def timed(name, call):
        wall, cpu = time.perf_counter(), time.process_time()
        result = call()
        keep_best(best_py, name, time.perf_counter() - wall, time.process_time() - cpu)
        return result

    with tempfile.TemporaryDirectory() as folder:
        part_path = os.path.join(folder, "hollow_box.stl")
        points_path = os.path.join(folder, "points.f64")
        mesh.save(part_path)
        points.astype("<f8").tofile(points_path)
        # Only what the C++ program also holds stays in memory while the steps are timed.
        del mesh, vertices, faces
        program = os.path.join(args.build, "python", "python_parity_bench")
        # Rounds alternate between the two sides so that a busy machine hurts both alike; the best
        # round of each step counts.
        for _ in range(args.rounds):
            run = subprocess.run([program, part_path, points_path], check=True, capture_output=True, text=True)
            cpp = json.loads(run.stdout)
            for name in steps:
                keep_best(best_cpp, name, cpp[name + "_s"], cpp[name + "_cpu_s"])
            part = tree = distances = thickness = None
            part = timed("load", lambda: vz.Mesh.load(part_path))
            tree = timed("tree", lambda: vz.StaticTree(part))
            _, distances = timed("nearest", lambda: tree.nearest(points))
            thickness = timed("wall_thickness", lambda: vz.wall_thickness(part, min=0.5, max=1.5))
    checksum = float(distances.sum() + thickness.astype(np.float32).astype(np.float64).sum())

    print(f"part: {part.triangle_count} triangles; {len(points)} query points; {os.cpu_count()} processors; "
          f"best of {args.rounds} rounds")
    print(f"Mesh.from_arrays: {count / arrays_s / 1e6:.2f} M triangles/s ({arrays_s:.3f} s; "
          f"{count / arrays_cpu_s / 1e6:.2f} M per processor-second; best of 3)")
    print(f"{'step':<16}{'Python s':>10}{'C++ s':>10}{'ratio':>8}{'Python cpu-s':>14}{'C++ cpu-s':>11}{'ratio':>8}")
    for name in steps:
        (pw, pc), (cw, cc) = best_py[name], best_cpp[name]
        print(f"{name:<16}{pw:>10.3f}{cw:>10.3f}{pw / cw:>8.2f}{pc:>14.3f}{cc:>11.3f}{pc / cc:>8.2f}")
    same = abs(checksum - cpp["checksum"]) <= 1e-6 * max(1.0, abs(checksum))
    print(f"same results as C++: {'yes' if same else 'NO'} (checksums {checksum:.6f} / {cpp['checksum']:.6f})")
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
