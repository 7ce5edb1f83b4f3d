"""Check many parts at once on a Dask cluster; one result row per part.

    python3 -m verozerizaz.batch PARTS... --checks thickness,self-collision,quality --out results.csv

PARTS are STL files and folders (searched recursively for files matching --glob). Without
--scheduler the batch starts a local cluster of worker processes on this machine; with
--scheduler ADDRESS it runs on that existing cluster, whose workers must be able to import
verozerizaz and read the part paths. Only paths travel to the workers; each worker reads its parts.

Rows are written as parts finish, in the order they finish. A part that cannot be read, or that
crashes or hangs its checker (see --part-timeout), gets a row with its error and the batch goes
on. With --resume, parts that already have a row in the output file are skipped.
"""

import argparse
import fnmatch
import glob
import logging
import os
import signal
import sys
import threading
import time
from contextlib import contextmanager
from dataclasses import dataclass

from verozerizaz import METRICS
from verozerizaz.batch_checks import ALL_CHECKS, DEFAULT_METRICS, CheckSettings, empty_row, row_columns
from verozerizaz.batch_output import OutputMismatch, RowWriter, finished_parts, part_key
from verozerizaz.batch_progress import ProgressBar
from verozerizaz.batch_sandbox import check_in_checker_process

DEFAULT_PART_TIMEOUT = 600.0


def collect_parts(arguments, pattern="*.stl"):
    """The part files named by `arguments`, each once, in argument order.

    A folder contributes the files below it (recursively, sorted) whose name matches `pattern`
    case-insensitively; an argument with wildcards contributes its matches; any other argument is
    taken as a file even when it does not exist (its row then reports the error).
    """
    parts, seen = [], set()

    def add(path):
        key = part_key(path)
        if key not in seen:
            seen.add(key)
            parts.append(path)

    for argument in arguments:
        if os.path.isdir(argument):
            for found in _files_below(argument, pattern):
                add(found)
        elif not os.path.exists(argument) and glob.has_magic(argument):
            for match in sorted(glob.glob(argument, recursive=True)):
                for found in _files_below(match, pattern) if os.path.isdir(match) else [match]:
                    add(found)
        else:
            add(argument)
    return parts


def _files_below(folder, pattern):
    pattern = pattern.lower()
    found = []
    for root, folders, files in os.walk(folder):
        folders.sort()
        found += [os.path.join(root, name) for name in sorted(files) if fnmatch.fnmatch(name.lower(), pattern)]
    return found


@dataclass
class BatchSummary:
    """What one run did: rows written, of which failed, and parts skipped as already done."""

    written: int = 0
    failed: int = 0
    skipped: int = 0
    seconds: float = 0.0


@contextmanager
def _dask_client(scheduler, workers):
    from distributed import Client, LocalCluster

    if scheduler:
        with Client(scheduler) as client:
            yield client
        return
    # One thread per worker process: a check is already parallel inside the library, and the
    # checker's OpenMP threads are this worker's share of the cores.
    with _workers_deaf_to_ctrl_c():
        cluster = LocalCluster(
            n_workers=workers,
            threads_per_worker=1,
            processes=True,
            dashboard_address=None,
            silence_logs=logging.ERROR,
        )
    with cluster, Client(cluster) as client:
        yield client


@contextmanager
def _workers_deaf_to_ctrl_c():
    """Worker processes started inside inherit an ignored Ctrl-C: the batch itself handles it and
    stops them, instead of each dying with its own traceback."""
    if threading.current_thread() is not threading.main_thread():
        yield
        return
    previous = signal.signal(signal.SIGINT, signal.SIG_IGN)
    try:
        yield
    finally:
        signal.signal(signal.SIGINT, previous)


def _threads_by_host(client):
    from distributed.comm import get_address_host

    threads = {}
    for address, worker in client.scheduler_info()["workers"].items():
        host = get_address_host(address)
        threads[host] = threads.get(host, 0) + worker["nthreads"]
    return threads


def _row_of(future, path, settings):
    try:
        row = future.result()
    except Exception as error:  # the task itself failed (a lost worker, say): the part did
        row = empty_row(path, settings)
        row["error"] = f"failed: {type(error).__name__}: {error}"
    row["file"] = path
    return row


def run_batch(
    parts,
    settings,
    output,
    *,
    as_json=False,
    resume=False,
    scheduler=None,
    workers=None,
    part_timeout=DEFAULT_PART_TIMEOUT,
    progress_stream=None,
    on_row=None,
):
    """Check `parts` (paths) with `settings` and write one row each to `output` (a path, replaced
    unless resuming, or None for standard output). `part_timeout` in seconds, None or 0 for no limit. `on_row(row)` is
    called after each row is written. Returns a `BatchSummary`.

    Interrupted (KeyboardInterrupt), it still writes the rows of parts already finished, cancels
    the rest and re-raises; a later run with `resume` checks only the parts without a row.
    """
    started = time.perf_counter()
    columns = row_columns(settings)
    done = finished_parts(output, columns, as_json) if resume and output else set()
    todo = [path for path in parts if part_key(path) not in done]
    summary = BatchSummary(skipped=len(parts) - len(todo))
    stream = open(output, "a" if resume else "w", newline="", encoding="utf-8") if output else sys.stdout
    writer = RowWriter(stream, columns, as_json, owns_stream=bool(output))
    progress = ProgressBar(len(todo), progress_stream if progress_stream is not None else sys.stderr)

    def write(row):
        writer.write(row)
        summary.written += 1
        summary.failed += row["error"] is not None
        progress.advance(failed=row["error"] is not None)
        if on_row is not None:
            on_row(row)

    try:
        if todo:
            _check_on_cluster(todo, settings, scheduler, workers or os.cpu_count(), part_timeout or None, write)
    finally:
        progress.close()
        writer.close()
    summary.seconds = time.perf_counter() - started
    return summary


def _check_on_cluster(todo, settings, scheduler, workers, part_timeout, write):
    from distributed import as_completed

    with _dask_client(scheduler, workers) as client:
        # Workers may run elsewhere and in another folder: they get absolute paths, the rows
        # keep the paths as given.
        futures = client.map(
            check_in_checker_process,
            [os.path.abspath(path) for path in todo],
            settings=settings.to_dict(),
            threads_by_host=_threads_by_host(client),
            timeout=part_timeout,
            pure=False,
        )
        path_of = {future.key: path for future, path in zip(futures, todo)}
        written = set()
        try:
            for future in as_completed(futures):
                written.add(future.key)
                write(_row_of(future, path_of[future.key], settings))
                future.release()
        except KeyboardInterrupt:
            client.cancel([future for future in futures if future.status != "finished"])
            for future in futures:
                if future.status == "finished" and future.key not in written:
                    written.add(future.key)
                    write(_row_of(future, path_of[future.key], settings))
            raise


def parse_metrics(text):
    """``Metric:threshold,...`` as a tuple of (metric name, threshold); a metric is given by its
    name or its number (`verozerizaz.METRICS`)."""
    names_by_number = {number: name for name, number in METRICS.items()}
    metrics = []
    for item in filter(None, (piece.strip() for piece in text.split(","))):
        metric, colon, threshold = (part.strip() for part in item.partition(":"))
        if not colon:
            raise argparse.ArgumentTypeError(f"metric '{item}' needs a threshold, as in RadiusRatio:0.3")
        name = names_by_number.get(int(metric)) if metric.isdigit() else metric
        if name not in METRICS:
            raise argparse.ArgumentTypeError(f"no quality metric '{metric}'; known: {', '.join(METRICS)}")
        try:
            metrics.append((name, float(threshold)))
        except ValueError:
            raise argparse.ArgumentTypeError(f"threshold of {name} is not a number: '{threshold}'") from None
    return tuple(metrics)


def parse_checks(text):
    checks = tuple(filter(None, (piece.strip() for piece in text.split(","))))
    unknown = [check for check in checks if check not in ALL_CHECKS]
    if unknown or not checks:
        raise argparse.ArgumentTypeError(f"checks are chosen from {','.join(ALL_CHECKS)}")
    return checks


def _length(text):
    value = float(text)
    if not value >= 0.0:
        raise argparse.ArgumentTypeError(f"not a length in mm: '{text}'")
    return value


def _argument_parser():
    defaults = CheckSettings()
    parser = argparse.ArgumentParser(
        prog="python3 -m verozerizaz.batch",
        description="Check many STL parts on a Dask cluster and write one row per part.",
    )
    parser.add_argument("parts", nargs="+", metavar="PART", help="STL files and folders (searched recursively)")
    parser.add_argument("--checks", type=parse_checks, default=ALL_CHECKS,
                        help=f"comma-separated, from {','.join(ALL_CHECKS)} (default: all)")
    parser.add_argument("--out", help="result file (default: standard output)")
    parser.add_argument("--json", action="store_true", help="write JSON lines instead of CSV")
    parser.add_argument("--resume", action="store_true", help="skip parts that already have a row in --out")
    parser.add_argument("--scheduler", metavar="ADDRESS", help="existing Dask scheduler (default: a local cluster)")
    parser.add_argument("--workers", type=int, default=os.cpu_count(),
                        help="local worker processes (default %(default)s)")
    parser.add_argument("--glob", default="*.stl", help="file names taken from folders (default %(default)s)")
    parser.add_argument("--part-timeout", type=float, default=DEFAULT_PART_TIMEOUT, metavar="SECONDS",
                        help="a part taking longer fails (default %(default)g; 0: no limit)")
    parser.add_argument("--units-per-mm", type=float, default=defaults.units_per_mm,
                        help="internal mesh units per mm (default %(default)g)")
    parser.add_argument("--thickness-min", type=_length, default=defaults.thickness_min, metavar="MM",
                        help="least wall thickness reported (default %(default)g)")
    parser.add_argument("--thickness-max", type=_length, default=defaults.thickness_max, metavar="MM",
                        help="thickness search radius (default %(default)g)")
    parser.add_argument("--thin-below", type=_length, default=defaults.thin_below, metavar="MM",
                        help="walls thinner than this count in thin_share (default %(default)g)")
    parser.add_argument("--tolerance", type=_length, default=defaults.tolerance, metavar="MM",
                        help="self-collision tolerance (default %(default)g)")
    parser.add_argument("--metrics", type=parse_metrics, default=DEFAULT_METRICS, metavar="NAME:THRESHOLD,...",
                        help="quality metrics and the value below which a triangle is bad (default "
                        + ",".join(f"{name}:{limit:g}" for name, limit in DEFAULT_METRICS) + ")")
    return parser


def main(arguments=None):
    parser = _argument_parser()
    options = parser.parse_args(arguments)
    if options.resume and not options.out:
        parser.error("--resume needs --out")
    if options.workers < 1:
        parser.error("--workers must be at least 1")
    settings = CheckSettings(
        checks=options.checks,
        units_per_mm=options.units_per_mm,
        thickness_min=options.thickness_min,
        thickness_max=options.thickness_max,
        thin_below=options.thin_below,
        tolerance=options.tolerance,
        metrics=options.metrics,
    )
    parts = collect_parts(options.parts, options.glob)
    try:
        summary = run_batch(
            parts,
            settings,
            options.out,
            as_json=options.json,
            resume=options.resume,
            scheduler=options.scheduler,
            workers=options.workers,
            part_timeout=options.part_timeout,
        )
    except OutputMismatch as mismatch:
        print(f"cannot resume: {mismatch}", file=sys.stderr)
        return 2
    except KeyboardInterrupt:
        print("interrupted; run again with --resume to finish the batch", file=sys.stderr)
        return 130
    print(
        f"{summary.written} parts checked ({summary.failed} failed), {summary.skipped} already done, "
        f"{summary.seconds:.1f} s",
        file=sys.stderr,
    )
    return 0


if __name__ == "__main__":
    sys.exit(main())
