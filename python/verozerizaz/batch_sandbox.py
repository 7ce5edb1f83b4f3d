"""Checks parts in a separate checker process, so that a part that crashes or hangs costs only
its own row.

A Dask worker thread runs `check_in_checker_process(path, ...)`. The thread keeps one checker
process (``python -m verozerizaz.batch_sandbox``) for its whole life and hands it one path at a time
over a pipe; the checker loads the part itself, checks it (`batch_checks.check_part`) and answers
with the row as one JSON line. When the checker dies (a crash in native code) or does not answer
within the part timeout (a hang), the part's row reports that as its error, the checker is killed,
and the next part starts a fresh one. The worker itself never runs native code, so it stays healthy.

The checker's OpenMP thread count is fixed before it starts (`OMP_THREAD_LIMIT`, `OMP_NUM_THREADS`
in its environment): the worker thread's share of the cores of its machine, so that the workers on
one machine do not oversubscribe it; its idle OpenMP threads sleep rather than spin
(`OMP_WAIT_POLICY`, unless already set).
"""

import atexit
import ctypes
import json
import os
import select
import signal
import subprocess
import sys
import threading
import time

import verozerizaz
from verozerizaz.batch_checks import CheckSettings, check_part, empty_row

# A checker imports numpy and the native module before it answers; on a loaded machine that can
# take far longer than usual, and it is not the part's fault.
STARTUP_SECONDS = 120.0
_READY = "ready"
_PR_SET_PDEATHSIG = 1


class CheckerGone(Exception):
    """The checker process died or was killed; the message says how."""


class CheckerProcess:
    """One checker process and the pipe to it. Not shared between threads."""

    def __init__(self, threads):
        self.threads = threads
        self._buffer = b""
        package_parent = os.path.dirname(os.path.abspath(verozerizaz.__path__[0]))
        path = [package_parent] + ([os.environ["PYTHONPATH"]] if os.environ.get("PYTHONPATH") else [])
        environment = dict(os.environ, PYTHONPATH=os.pathsep.join(path))
        environment["OMP_THREAD_LIMIT"] = environment["OMP_NUM_THREADS"] = str(threads)
        # Threads that sleep at the end of a parallel loop instead of spinning leave the cores to
        # the other workers; a batch runs many short loops on a shared machine.
        environment.setdefault("OMP_WAIT_POLICY", "PASSIVE")
        self._process = subprocess.Popen(
            [sys.executable, "-m", "verozerizaz.batch_sandbox", str(os.getpid())],
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            env=environment,
            bufsize=0,
            # Its own session: a Ctrl-C at the terminal stops the batch, which then stops the
            # checkers; were they to see it, a part cut short would be reported as failed.
            start_new_session=True,
        )
        try:
            if self._read_line(STARTUP_SECONDS) != _READY:
                raise CheckerGone("the checker process did not start")
        except CheckerGone:
            self.stop()
            raise

    @property
    def pid(self):
        return self._process.pid

    @property
    def alive(self):
        return self._process.poll() is None

    def check(self, path, settings, timeout):
        """Row of `path` checked with `settings` (a `CheckSettings.to_dict()`); raises
        `CheckerGone` when the checker crashes, or when `timeout` seconds (None: no limit) pass
        without an answer, in which case the checker is killed first."""
        request = json.dumps({"path": path, "settings": settings}) + "\n"
        try:
            self._process.stdin.write(request.encode())
        except OSError:
            raise CheckerGone(self._death()) from None
        return json.loads(self._read_line(timeout))

    def stop(self):
        """Kill the checker (if still running) and reap it."""
        if self._process.poll() is None:
            self._process.kill()
        self._process.wait()
        for pipe in (self._process.stdin, self._process.stdout):
            pipe.close()

    def _read_line(self, timeout):
        deadline = None if timeout is None else time.monotonic() + timeout
        source = self._process.stdout.fileno()
        while b"\n" not in self._buffer:
            remaining = None if deadline is None else max(0.0, deadline - time.monotonic())
            if not select.select([source], [], [], remaining)[0]:
                self.stop()
                raise CheckerGone(f"no answer within {timeout:g} s; the checker process was stopped")
            chunk = os.read(source, 1 << 16)
            if not chunk:
                raise CheckerGone(self._death())
            self._buffer += chunk
        line, _, self._buffer = self._buffer.partition(b"\n")
        return line.decode()

    def _death(self):
        code = self._process.wait()
        if code < 0:
            return f"the checker process died of {signal.Signals(-code).name}"
        return f"the checker process exited with code {code}"


_checkers = {}
_checkers_lock = threading.Lock()


def _checker_for_this_thread(threads):
    key = threading.get_ident()
    with _checkers_lock:
        checker = _checkers.pop(key, None)
    if checker is not None and (checker.threads != threads or not checker.alive):
        checker.stop()
        checker = None
    return checker or CheckerProcess(threads)


def _keep_for_this_thread(checker):
    with _checkers_lock:
        _checkers[threading.get_ident()] = checker


def stop_checkers():
    """Stop every checker process of this process (called at exit)."""
    with _checkers_lock:
        checkers = list(_checkers.values())
        _checkers.clear()
    for checker in checkers:
        checker.stop()


atexit.register(stop_checkers)


def thread_share(threads_by_host):
    """OpenMP threads for one check on this machine: its usable cores divided among the worker
    threads that share the machine (`threads_by_host`, host name -> worker threads), at least 1."""
    cores = len(os.sched_getaffinity(0))
    sharers = None
    try:
        from distributed import get_worker
        from distributed.comm import get_address_host

        worker = get_worker()
        sharers = threads_by_host.get(get_address_host(worker.address)) or worker.nthreads
    except (ImportError, ValueError):  # not inside a Dask worker
        pass
    return max(1, cores // (sharers or 1))


def check_in_checker_process(path, settings, threads_by_host, timeout):
    """The row of one part, checked in this worker thread's checker process (see the module's
    description). `settings` is a `CheckSettings.to_dict()`; `timeout` in seconds, None for none."""
    threads = thread_share(threads_by_host)
    checker = None
    try:
        checker = _checker_for_this_thread(threads)
        started = time.perf_counter()
        row = checker.check(path, settings, timeout)
    except CheckerGone as gone:
        if checker is not None:
            checker.stop()
        row = empty_row(path, CheckSettings.from_dict(settings))
        row["error"] = f"failed: {gone}"
        row["seconds"] = time.perf_counter() - started if checker is not None else 0.0
        return row
    _keep_for_this_thread(checker)
    return row


def _die_with_parent(parent):
    # Killed when the thread that started it ends (its worker stopped or died), even while a
    # part hangs in native code; Linux only, elsewhere the closed pipe ends the loop below.
    try:
        ctypes.CDLL(None, use_errno=True).prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)
    except (OSError, AttributeError):
        return
    if os.getppid() != parent:  # the parent was gone before the request took effect
        os._exit(1)


def _serve(parent):
    """The checker's loop: one JSON request per line on stdin, one row per line back. Its thread
    count came with its environment."""
    _die_with_parent(parent)
    answers = os.fdopen(os.dup(sys.stdout.fileno()), "w")
    os.dup2(sys.stderr.fileno(), sys.stdout.fileno())  # stray output must not enter the protocol
    answers.write(_READY + "\n")
    answers.flush()
    for line in sys.stdin:
        request = json.loads(line)
        row = check_part(request["path"], CheckSettings.from_dict(request["settings"]))
        answers.write(json.dumps(row) + "\n")
        answers.flush()


if __name__ == "__main__":
    _serve(int(sys.argv[1]))
