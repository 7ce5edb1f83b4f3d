"""Parts per second of the batch checks on a local Dask cluster of 1 and 2 worker processes.

    /usr/bin/python3 bench/python/batch_bench.py [--parts 200] [--workers 1,2] [--checks ...]

Generates the parts first (closed boxes of various proportions, 1 200 to 4 800 triangles, in a
temporary folder), then runs the whole batch once per worker count with every check at its default
settings. Reports two rates per run: over the whole run, cluster start-up included, and over the
checking alone (from the first finished part to the last). Needs verozerizaz importable (the test
command's build tree: PYTHONPATH=build/python).
"""

import argparse
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "python"))

from meshes import box  # noqa: E402
from stl_parts import write_stl  # noqa: E402

from verozerizaz.batch import collect_parts, parse_checks, run_batch  # noqa: E402
from verozerizaz.batch_checks import ALL_CHECKS, CheckSettings  # noqa: E402


def generate_parts(folder, count):
    """`count` boxes, sizes and subdivisions cycling so that parts differ in size and in work."""
    triangles = 0
    for index in range(count):
        divisions = 10 + index % 11
        size = [4.0 + index % 7, 1.0 + 0.25 * (index % 5), 3.0 + index % 3]
        triangles += write_stl(os.path.join(folder, f"part{index:04}.stl"), box([0, 0, 0], size, divisions))
    return triangles


def measure(parts, settings, workers, output):
    finished = []
    started = time.perf_counter()
    with open(os.devnull, "w") as quiet:
        summary = run_batch(
            parts, settings, output, workers=workers, progress_stream=quiet,
            on_row=lambda row: finished.append(time.perf_counter()),
        )  # fmt: skip
    total = time.perf_counter() - started
    if summary.failed:
        raise SystemExit(f"{summary.failed} parts failed; see {output}")
    checking = finished[-1] - finished[0]
    return len(parts) / total, (len(parts) - 1) / checking if checking > 0 else float("inf")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--parts", type=int, default=200)
    parser.add_argument("--workers", default="1,2", help="comma-separated worker counts")
    parser.add_argument("--checks", type=parse_checks, default=ALL_CHECKS)
    options = parser.parse_args()
    settings = CheckSettings(checks=options.checks)
    with tempfile.TemporaryDirectory() as folder:
        triangles = generate_parts(folder, options.parts)
        parts = collect_parts([folder])
        print(f"{len(parts)} parts, {triangles} triangles, checks {','.join(settings.checks)}, {os.cpu_count()} cores")
        print(f"{'workers':>7} {'parts/s whole run':>18} {'parts/s checking':>17}")
        for workers in map(int, options.workers.split(",")):
            whole, checking = measure(parts, settings, workers, os.path.join(folder, f"results-{workers}.csv"))
            print(f"{workers:>7} {whole:>18.1f} {checking:>17.1f}")


if __name__ == "__main__":
    main()
