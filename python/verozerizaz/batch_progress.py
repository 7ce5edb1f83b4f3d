"""A one-line progress bar for a batch, drawn only on a terminal.

    [##########----------]  120/240 parts  3 failed  4.2 parts/s  about 29 s left

Written to a text stream (standard error by default) with a carriage return, so it redraws in
place; on anything that is not a terminal it draws nothing, and the result rows stay clean.
"""

import time

_WIDTH = 24


class ProgressBar:
    """Counts finished parts out of `total` and redraws at most ten times a second."""

    def __init__(self, total, stream):
        self._total = total
        self._stream = stream
        self._shown = bool(total) and hasattr(stream, "isatty") and stream.isatty()
        self._done = 0
        self._failed = 0
        self._started = time.monotonic()
        self._drawn_at = 0.0
        self._draw(force=True)

    def advance(self, failed=False):
        self._done += 1
        self._failed += bool(failed)
        self._draw(force=self._done == self._total)

    def close(self):
        if self._shown:
            self._stream.write("\n")
            self._stream.flush()
            self._shown = False

    def _draw(self, force):
        now = time.monotonic()
        if not self._shown or (not force and now - self._drawn_at < 0.1):
            return
        self._drawn_at = now
        filled = _WIDTH * self._done // self._total
        elapsed = now - self._started
        rate = self._done / elapsed if elapsed > 0 else 0.0
        line = f"[{'#' * filled}{'-' * (_WIDTH - filled)}] {self._done:>{len(str(self._total))}}/{self._total} parts"
        if self._failed:
            line += f"  {self._failed} failed"
        if self._done:
            line += f"  {rate:.1f} parts/s  about {(self._total - self._done) / rate:.0f} s left"
        self._stream.write("\r" + line + "\033[K")
        self._stream.flush()
