"""Batch checks over many parts: rows against the checks called directly, failures in their rows,
and a batch stopped by Ctrl-C and resumed with no part checked twice.

Batches run on one local Dask cluster of two worker processes shared by the module's tests; the
Ctrl-C test runs the command as a terminal would, on the cluster it starts itself.
"""

import logging
import os
import shutil
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import verozerizaz as vz
from verozerizaz.batch import collect_parts, main, run_batch
from verozerizaz.batch_checks import CheckSettings, bad_column
from verozerizaz.batch_output import OutputMismatch, finished_parts, part_key, read_rows
from verozerizaz.batch_sandbox import CheckerGone, CheckerProcess, thread_share

from meshes import box, merge
from stl_parts import write_stl

distributed = pytest.importorskip("distributed")

SETTINGS = CheckSettings()
PLATE_THICKNESS = 0.8


@pytest.fixture(scope="module")
def scheduler():
    with distributed.LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None, silence_logs=logging.ERROR
    ) as cluster:
        yield cluster.scheduler_address


@pytest.fixture(scope="module")
def parts(tmp_path_factory):
    """A folder of parts: three good ones (one in a subfolder, upper-case suffix), a plate with
    thin walls, two cubes across a narrow gap in one file, and a truncated file."""
    folder = tmp_path_factory.mktemp("parts")
    (folder / "nested").mkdir()
    write_stl(folder / "cube.stl", box([0, 0, 0], [10, 10, 10], 2))
    write_stl(folder / "block.stl", box([-5, 2, 1], [3, 6, 4]))
    write_stl(folder / "nested" / "bar.STL", box([0, 0, 0], [30, 4, 4], 3))
    write_stl(folder / "plate.stl", box([0, 0, 0], [20, 20, PLATE_THICKNESS]))
    write_stl(folder / "gap.stl", merge(box([0, 0, 0], [4, 4, 4]), box([4.3, 0, 0], [8.3, 4, 4])))
    whole = (folder / "cube.stl").read_bytes()
    (folder / "truncated.stl").write_bytes(whole[: 84 + 50 * 7 + 19])
    (folder / "notes.txt").write_text("not a part")
    return folder


@pytest.fixture(scope="module")
def slow_part(tmp_path_factory):
    """A thin plate of about half a million triangles: measuring its wall thickness takes many
    seconds, so a check of it is still running whenever a test needs a part in progress."""
    path = tmp_path_factory.mktemp("slow") / "slow.stl"
    write_stl(path, box([0, 0, 0], [50, 50, PLATE_THICKNESS], 200))
    return path


def direct_row(path):
    """The figures of one part from the package's checks called one by one, by column."""
    mesh = vz.Mesh.load(str(path), units_per_mm=SETTINGS.units_per_mm)
    vertices = mesh.vertices
    thickness = vz.wall_thickness(mesh, min=SETTINGS.thickness_min, max=SETTINGS.thickness_max)
    corners = vertices[mesh.faces]
    areas = np.linalg.norm(np.cross(corners[:, 1] - corners[:, 0], corners[:, 2] - corners[:, 0]), axis=1) / 2
    box_columns = [f"box_{end}_{axis}" for end in ("min", "max") for axis in "xyz"]
    row = dict(zip(box_columns, [*vertices.min(axis=0), *vertices.max(axis=0)]))
    row.update(
        triangles=mesh.triangle_count,
        thickness_min=thickness.min(),
        thin_share=areas[thickness < SETTINGS.thin_below].sum() / areas.sum(),
        self_colliding=np.count_nonzero(vz.self_collide(mesh, SETTINGS.tolerance)),
    )
    row.update((bad_column(name), vz.bad_triangles(mesh, name, limit)) for name, limit in SETTINGS.metrics)
    return row


def number(text):
    return float(text) if text != "" else None


def test_every_row_matches_the_checks_called_directly(parts, scheduler, tmp_path):
    out = tmp_path / "results.csv"
    assert main([str(parts), "--scheduler", scheduler, "--out", str(out)]) == 0
    rows = {os.path.relpath(row["file"], parts): row for row in read_rows(out, as_json=False)}
    readable = ["block.stl", "cube.stl", "gap.stl", os.path.join("nested", "bar.STL"), "plate.stl"]
    assert sorted(rows) == sorted(readable + ["truncated.stl"])
    for name in readable:
        assert rows[name]["error"] == "" and float(rows[name]["seconds"]) > 0
        for column, value in direct_row(parts / name).items():
            assert number(rows[name][column]) == pytest.approx(value, abs=1e-12), (name, column)

    # Closed forms. A 10 mm cube has no wall within the 1.5 mm search radius; the plate's two large
    # faces measure its thickness and are its thin area; its long narrow sides are bad triangles.
    assert number(rows["cube.stl"]["thickness_min"]) == pytest.approx(SETTINGS.thickness_max)
    assert number(rows["cube.stl"]["thin_share"]) == 0.0
    plate = rows["plate.stl"]
    assert number(plate["thickness_min"]) == pytest.approx(PLATE_THICKNESS, abs=1e-4)
    assert number(plate["thin_share"]) == pytest.approx(2 * 20 * 20 / (2 * 20 * 20 + 4 * 20 * PLATE_THICKNESS))
    assert int(plate["bad_RadiusRatio"]) == 8 and int(plate["bad_MinAngle"]) == 8
    # The two faces across the 0.3 mm gap (two triangles each) face each other within 0.5 mm.
    assert int(rows["gap.stl"]["self_colliding"]) == 4
    assert int(rows["cube.stl"]["self_colliding"]) == 0

    truncated = rows["truncated.stl"]
    assert truncated["error"].startswith("load:") and "truncated.stl" in truncated["error"]
    assert all(truncated[column] == "" for column in ("triangles", "box_min_x", "thickness_min", "self_colliding"))


def test_json_lines_with_chosen_metrics(parts, scheduler, tmp_path):
    out = tmp_path / "results.jsonl"
    chosen = ["--checks", "quality", "--metrics", "EdgeRatio:0.5, 9:30", "--scheduler", scheduler, "--json"]
    assert main([str(parts / "plate.stl"), str(parts / "missing.stl"), *chosen, "--out", str(out)]) == 0
    rows = {os.path.basename(row["file"]): row for row in read_rows(out, as_json=True)}
    assert list(rows["plate.stl"]) == [
        "file", "triangles", "box_min_x", "box_min_y", "box_min_z", "box_max_x", "box_max_y", "box_max_z",
        "bad_EdgeRatio", "bad_MinAngle", "seconds", "error",
    ]  # fmt: skip
    plate = vz.Mesh.load(str(parts / "plate.stl"))
    assert rows["plate.stl"]["bad_EdgeRatio"] == vz.bad_triangles(plate, "EdgeRatio", 0.5)
    assert rows["plate.stl"]["bad_MinAngle"] == vz.bad_triangles(plate, "MinAngle", 30.0) == 8
    assert rows["plate.stl"]["error"] is None
    assert rows["missing.stl"]["triangles"] is None and "missing.stl" in rows["missing.stl"]["error"]


def test_ctrl_c_stops_the_batch_and_resume_checks_only_the_rest(parts, slow_part, scheduler, tmp_path):
    folder = tmp_path / "order"
    folder.mkdir()
    for name in ("cube.stl", "plate.stl", "gap.stl"):
        shutil.copy(parts / name, folder / name)
    shutil.copy(slow_part, folder / "slow.stl")  # still being checked when Ctrl-C comes
    out = tmp_path / "results.csv"
    package_parent = os.path.dirname(os.path.abspath(vz.__path__[0]))
    environment = dict(os.environ, PYTHONPATH=os.pathsep.join([package_parent, os.environ.get("PYTHONPATH", "")]))
    batch = subprocess.Popen(
        [sys.executable, "-m", "verozerizaz.batch", str(folder), "--workers", "2", "--out", str(out)],
        env=environment,
        start_new_session=True,  # a process group of its own, as a terminal's foreground job has
        preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL),
        stderr=subprocess.PIPE,
        text=True,
    )
    deadline = time.monotonic() + 60
    while not (out.exists() and out.read_text().count("\n") == 4) and time.monotonic() < deadline:
        time.sleep(0.05)
    os.killpg(batch.pid, signal.SIGINT)
    _, messages = batch.communicate(timeout=60)
    assert batch.returncode == 130, messages
    assert "Traceback" not in messages
    first = read_rows(out, as_json=False)
    assert sorted(os.path.basename(row["file"]) for row in first) == ["cube.stl", "gap.stl", "plate.stl"]
    assert all(row["error"] == "" for row in first)

    second = []
    parts = collect_parts([str(folder)])
    # With a short timeout the slow part ends in a row of its own without a long wait.
    summary = run_batch(
        parts, SETTINGS, str(out), resume=True, scheduler=scheduler, part_timeout=1.0, on_row=second.append
    )
    assert [os.path.basename(row["file"]) for row in second] == ["slow.stl"] and second[0]["error"]
    assert (summary.skipped, summary.written) == (3, 1) and len(read_rows(out, as_json=False)) == 4
    assert run_batch(parts, SETTINGS, str(out), resume=True, scheduler=scheduler).written == 0


def test_hanging_part_fails_after_the_timeout_and_the_batch_goes_on(parts, slow_part, scheduler, tmp_path):
    out = tmp_path / "results.csv"
    settings = CheckSettings(checks=("thickness",))
    run_batch([str(slow_part), str(parts / "cube.stl")], settings, str(out), scheduler=scheduler, part_timeout=1.0)
    rows = {os.path.basename(row["file"]): row for row in read_rows(out, as_json=False)}
    assert "no answer within 1 s" in rows["slow.stl"]["error"]
    assert rows["cube.stl"]["error"] == "" and int(rows["cube.stl"]["triangles"]) == 48


def test_a_checker_that_dies_is_reported_with_its_signal(slow_part):
    checker = CheckerProcess(threads=1)
    killer = threading.Timer(0.5, lambda: os.kill(checker.pid, 9))
    killer.start()
    try:
        with pytest.raises(CheckerGone, match="SIGKILL"):
            checker.check(str(slow_part), SETTINGS.to_dict(), timeout=60.0)
    finally:
        killer.cancel()
        checker.stop()


def test_checkers_get_their_workers_share_of_the_cores(scheduler):
    cores = len(os.sched_getaffinity(0))
    with distributed.Client(scheduler) as client:
        assert client.submit(thread_share, {"127.0.0.1": 2}, pure=False).result() == max(1, cores // 2)
        assert client.submit(thread_share, {"127.0.0.1": 4 * cores}, pure=False).result() == 1
    checker = CheckerProcess(threads=3)
    try:
        environment = open(f"/proc/{checker.pid}/environ", "rb").read().split(b"\0")
        assert b"OMP_THREAD_LIMIT=3" in environment and b"OMP_NUM_THREADS=3" in environment
        assert b"OMP_WAIT_POLICY=PASSIVE" in environment or "OMP_WAIT_POLICY" in os.environ
    finally:
        checker.stop()


def test_parts_from_files_folders_and_patterns(parts):
    arguments = [str(parts / "cube.stl"), str(parts), str(parts / "ne*"), "absent.stl"]
    found = [os.path.relpath(path, parts) for path in collect_parts(arguments)]
    nested = os.path.join("nested", "bar.STL")
    absent = os.path.relpath("absent.stl", parts)
    assert found == ["cube.stl", "block.stl", "gap.stl", "plate.stl", "truncated.stl", nested, absent]


def test_resume_reads_back_finished_rows_and_refuses_other_columns(tmp_path):
    out = tmp_path / "results.csv"
    columns = ["file", "triangles", "seconds", "error"]
    out.write_text("file,triangles,seconds,error\na.stl,12,0.1,\nb.stl,,0.2,load: bad\nc.stl,4")  # c cut short
    assert finished_parts(str(out), columns, as_json=False) == {part_key("a.stl"), part_key("b.stl")}
    assert out.read_text().endswith("load: bad\n")
    with pytest.raises(OutputMismatch):
        finished_parts(str(out), ["file", "seconds", "error"], as_json=False)
    with pytest.raises(OutputMismatch):
        finished_parts(str(out), columns, as_json=True)
    assert finished_parts(str(tmp_path / "absent.csv"), columns, as_json=False) == set()


def test_unknown_checks_and_malformed_metrics_are_usage_errors(capsys):
    malformed = (
        ["--checks", "colour"],
        ["--metrics", "RadiusRatio"],
        ["--metrics", "RadiusRatio:low"],
        ["--metrics", "Roundness:0.5"],
        ["--metrics", "25:0.5"],
        ["--resume"],
    )
    for arguments in malformed:
        with pytest.raises(SystemExit) as stop:
            main(["part.stl", *arguments])
        assert stop.value.code == 2
