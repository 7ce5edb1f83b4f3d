"""Binary STL files of test meshes, written without the package under test."""

import struct

import numpy as np


def write_stl(path, mesh):
    """Write `mesh` (vertices (n,3) mm, faces (m,3) int) as a binary STL file; returns the
    triangle count."""
    vertices, faces = mesh
    corners = np.asarray(vertices)[np.asarray(faces)].astype("<f4")
    normals = np.cross(corners[:, 1] - corners[:, 0], corners[:, 2] - corners[:, 0])
    normals /= np.linalg.norm(normals, axis=1, keepdims=True)
    records = np.zeros(len(corners), dtype=[("normal", "<f4", 3), ("corners", "<f4", (3, 3)), ("extra", "<u2")])
    records["normal"], records["corners"] = normals, corners
    with open(path, "wb") as stream:
        stream.write(b"generated test part".ljust(80, b" "))
        stream.write(struct.pack("<I", len(records)))
        stream.write(records.tobytes())
    return len(records)
