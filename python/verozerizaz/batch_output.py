"""The result file of a batch: CSV with a header line, or JSON lines; one row per part.

Rows are appended and flushed one at a time, so that a batch stopped at any moment leaves every
finished row on disk. `finished_parts` reads such a file back for a resumed batch: it drops a last
line cut short by the stop, checks that the file has the columns of the batch being resumed, and
returns the parts it already holds.
"""

import csv
import io
import json
import os


class OutputMismatch(Exception):
    """The existing output file does not hold rows of this batch's columns or format."""


def part_key(path):
    """What identifies a part across runs: its absolute, normalised path."""
    return os.path.normcase(os.path.abspath(path))


def _drop_partial_last_line(path):
    with open(path, "rb+") as stream:
        content = stream.read()
        if content and not content.endswith(b"\n"):
            stream.truncate(content.rfind(b"\n") + 1)


def finished_parts(path, columns, as_json):
    """Keys (`part_key`) of the parts that already have a row in the output file at `path`.

    A missing or empty file holds none. A last line without its newline is removed from the
    file (a row cut short when the batch was stopped). Raises `OutputMismatch` when the file's
    columns differ from `columns` or a line is not a row of the expected format.
    """
    if not os.path.exists(path):
        return set()
    _drop_partial_last_line(path)
    with open(path, newline="", encoding="utf-8") as stream:
        if as_json:
            return {part_key(row["file"]) for row in _json_rows(stream, columns, path)}
        reader = csv.reader(stream)
        header = next(reader, None)
        if header is None:
            return set()
        if header != list(columns):
            raise OutputMismatch(f"{path} has the columns {','.join(header)}, not {','.join(columns)}")
        return {part_key(fields[0]) for fields in reader if fields}


def _json_rows(stream, columns, path):
    for number, line in enumerate(stream, 1):
        if not line.strip():
            continue
        try:
            row = json.loads(line)
        except ValueError:
            raise OutputMismatch(f"{path}, line {number}: not a JSON row") from None
        if not isinstance(row, dict) or list(row) != list(columns):
            raise OutputMismatch(f"{path}, line {number}: not a row with the columns {','.join(columns)}")
        yield row


class RowWriter:
    """Appends rows to a stream in CSV (header first, when the stream is empty) or JSON lines.

    `stream` is a text stream opened for appending; the writer flushes after every row and
    closes the stream only when `owns_stream` is true.
    """

    def __init__(self, stream, columns, as_json, owns_stream=True):
        self._stream = stream
        self._columns = list(columns)
        self._as_json = as_json
        self._owns_stream = owns_stream
        if not as_json and _is_empty(stream):
            self._write_csv(self._columns)

    def write(self, row):
        if self._as_json:
            self._stream.write(json.dumps({column: row[column] for column in self._columns}) + "\n")
        else:
            self._write_csv(["" if row[column] is None else row[column] for column in self._columns])
        self._stream.flush()

    def close(self):
        if self._owns_stream:
            self._stream.close()

    def _write_csv(self, fields):
        line = io.StringIO()
        csv.writer(line, lineterminator="\n").writerow(fields)
        self._stream.write(line.getvalue())


def _is_empty(stream):
    try:
        return stream.tell() == 0  # a file opened for appending starts at its end
    except (OSError, ValueError):  # a pipe or a terminal: nothing written to it yet by us
        return True


def read_rows(path, as_json):
    """Every row of an output file as a dict of strings (CSV) or JSON values; for tests and tools."""
    with open(path, newline="", encoding="utf-8") as stream:
        if as_json:
            return [json.loads(line) for line in stream if line.strip()]
        return list(csv.DictReader(stream))
