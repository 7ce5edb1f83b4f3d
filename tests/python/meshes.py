"""Small numpy meshes and numpy reference geometry for the Python package's tests."""

import numpy as np


def box(lo, hi, n=1):
    """A closed axis-aligned box from corner lo to corner hi (mm), each face an n x n grid of squares
    split into two triangles, wound counter-clockwise seen from outside. Returns (vertices, faces);
    vertices on shared edges are repeated per face, as many exporters write them."""
    lo, hi = np.asarray(lo, float), np.asarray(hi, float)
    vertices, faces = [], []
    t = np.linspace(0.0, 1.0, n + 1)
    for axis in range(3):
        u, v = (axis + 1) % 3, (axis + 2) % 3
        for side, value in ((-1, lo[axis]), (1, hi[axis])):
            base = sum(len(p) for p in vertices)
            uu, vv = np.meshgrid(lo[u] + t * (hi[u] - lo[u]), lo[v] + t * (hi[v] - lo[v]), indexing="ij")
            points = np.empty(((n + 1) * (n + 1), 3))
            points[:, axis], points[:, u], points[:, v] = value, uu.ravel(), vv.ravel()
            vertices.append(points)
            i, j = np.meshgrid(np.arange(n), np.arange(n), indexing="ij")
            a = (i * (n + 1) + j).ravel()
            b, c, d = a + (n + 1), a + (n + 2), a + 1
            # (u, v, axis) is right-handed, so u then v turns counter-clockwise about +axis.
            quads = np.stack([np.stack([a, b, c], 1), np.stack([a, c, d], 1)], 1).reshape(-1, 3)
            if side < 0:
                quads = quads[:, ::-1]
            faces.append(quads + base)
    return np.concatenate(vertices), np.concatenate(faces)


def merge(*parts):
    """One (vertices, faces) from several."""
    vertices, faces, offset = [], [], 0
    for v, f in parts:
        vertices.append(v)
        faces.append(f + offset)
        offset += len(v)
    return np.concatenate(vertices), np.concatenate(faces)


def triangle_normals(vertices, faces):
    t = vertices[faces]
    n = np.cross(t[:, 1] - t[:, 0], t[:, 2] - t[:, 0])
    return n / np.linalg.norm(n, axis=1)[:, None]


def point_triangle_distances(points, triangles):
    """(q, m) distances from q points to m triangles ((m, 3, 3)): the plane distance where the
    point projects inside the triangle, else the distance to the nearest of the three edges."""
    p = points[:, None, :]
    a, b, c = (triangles[None, :, k, :] for k in range(3))

    def segment(s, e):
        d = e - s
        t = np.clip(np.einsum("qmk,qmk->qm", p - s, d) / np.einsum("qmk,qmk->qm", d, d), 0.0, 1.0)
        return np.linalg.norm(p - (s + t[..., None] * d), axis=2)

    edges = np.minimum(np.minimum(segment(a, b), segment(b, c)), segment(c, a))
    n = np.cross(b - a, c - a)
    inside = np.ones(edges.shape, bool)
    for s, e in ((a, b), (b, c), (c, a)):
        inside &= np.einsum("qmk,qmk->qm", np.cross(e - s, p - s), n) >= 0
    plane = np.abs(np.einsum("qmk,qmk->qm", p - a, n)) / np.linalg.norm(n, axis=2)
    return np.where(inside, np.minimum(plane, edges), edges)


def translation(x, y, z):
    m = np.eye(4)
    m[:3, 3] = (x, y, z)
    return m


def rotation_x(degrees):
    r = np.radians(degrees)
    m = np.eye(4)
    m[1:3, 1:3] = [[np.cos(r), -np.sin(r)], [np.sin(r), np.cos(r)]]
    return m
