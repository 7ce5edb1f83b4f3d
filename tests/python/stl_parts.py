"""Closed box parts written as binary STL files, built without the package under test.

`box_mesh(low, high, divisions)` is an axis-aligned box in millimetres whose six faces are each a
grid of `divisions` x `divisions` squares, two triangles per square (12·divisions² triangles), every
triangle wound counter-clockwise seen from outside. `write_stl(path, pieces)` writes one or more such
(vertices, faces) pieces into one binary STL file.
"""

import struct

import numpy as np


def box_mesh(low, high, divisions=1):
    """(vertices (n,3) float64, faces (m,3) int64) of a closed box from `low` to `high` (mm)."""
    low, high = np.asarray(low, dtype=np.float64), np.asarray(high, dtype=np.float64)
    steps = np.linspace(0.0, 1.0, divisions + 1)
    vertices, faces = [], []
    for axis in range(3):
        u_axis, v_axis = (axis + 1) % 3, (axis + 2) % 3
        for side, outward in ((low[axis], -1.0), (high[axis], 1.0)):
            base = len(vertices)
            for u in steps:
                for v in steps:
                    point = np.empty(3)
                    point[axis] = side
                    point[u_axis] = low[u_axis] + u * (high[u_axis] - low[u_axis])
                    point[v_axis] = low[v_axis] + v * (high[v_axis] - low[v_axis])
                    vertices.append(point)
            for i in range(divisions):
                for j in range(divisions):
                    a = base + i * (divisions + 1) + j
                    b, c, d = a + divisions + 1, a + 1, a + divisions + 2
                    # (u, v, axis) is right-handed, so a-b-d turns about +axis.
                    for triangle in ((a, b, d), (a, d, c)):
                        faces.append(triangle if outward > 0 else triangle[::-1])
    return np.array(vertices), np.array(faces, dtype=np.int64)


def write_stl(path, pieces):
    """Write the (vertices, faces) `pieces` as one binary STL file; returns the triangle count."""
    corners = np.concatenate([vertices[faces] for vertices, faces in pieces]).astype("<f4")
    normals = np.cross(corners[:, 1] - corners[:, 0], corners[:, 2] - corners[:, 0])
    normals /= np.linalg.norm(normals, axis=1, keepdims=True)
    records = np.zeros(len(corners), dtype=[("normal", "<f4", 3), ("corners", "<f4", (3, 3)), ("extra", "<u2")])
    records["normal"], records["corners"] = normals, corners
    with open(path, "wb") as stream:
        stream.write(b"generated box part".ljust(80, b" "))
        stream.write(struct.pack("<I", len(records)))
        stream.write(records.tobytes())
    return len(records)
