#!/usr/bin/env python3
"""Generates the intro level's meshes as Ogre .mesh.xml text (run by the build; deterministic).

Usage: make_meshes.py OUTPUT_DIR
Ground: a rolling 48 x 48 grid; Tower: a stone pillar with a cap; Tree: trunk and foliage as two
sub-meshes; Box: a planked crate. All carry normals and texture coordinates.
"""
import math
import os
import sys


def mesh_xml(submeshes):
    """submeshes: list of (material, vertices [(pos, normal, uv)], triangles [(a, b, c)])."""
    out = ["<mesh>", "  <submeshes>"]
    for material, vertices, triangles in submeshes:
        out.append('    <submesh material="%s" usesharedvertices="false" use32bitindexes="false" '
                   'operationtype="triangle_list">' % material)
        out.append('      <faces count="%d">' % len(triangles))
        out.extend('        <face v1="%d" v2="%d" v3="%d" />' % t for t in triangles)
        out.append("      </faces>")
        out.append('      <geometry vertexcount="%d">' % len(vertices))
        out.append('        <vertexbuffer positions="true" normals="true" texture_coords="1" '
                   'texture_coord_dimensions_0="2">')
        for (px, py, pz), (nx, ny, nz), (u, v) in vertices:
            out.append('          <vertex><position x="%.4f" y="%.4f" z="%.4f" />'
                       '<normal x="%.4f" y="%.4f" z="%.4f" /><texcoord u="%.4f" v="%.4f" /></vertex>'
                       % (px, py, pz, nx, ny, nz, u, v))
        out.append("        </vertexbuffer>")
        out.append("      </geometry>")
        out.append("    </submesh>")
    out.append("  </submeshes>")
    out.append("</mesh>")
    return "\n".join(out) + "\n"


def normalise(v):
    length = math.sqrt(sum(c * c for c in v)) or 1.0
    return tuple(c / length for c in v)


def ground(size=400.0, cells=48, tiles=24.0):
    def height(x, z):
        return 1.6 * math.sin(x * 0.06) * math.cos(z * 0.05) + 0.8 * math.sin((x + z) * 0.11)

    vertices, triangles = [], []
    step = size / cells
    for j in range(cells + 1):
        for i in range(cells + 1):
            x, z = -size / 2 + i * step, -size / 2 + j * step
            dx = height(x + 0.5, z) - height(x - 0.5, z)
            dz = height(x, z + 0.5) - height(x, z - 0.5)
            vertices.append(((x, height(x, z), z), normalise((-dx, 1.0, -dz)),
                             (i / cells * tiles, j / cells * tiles)))
    for j in range(cells):
        for i in range(cells):
            a = j * (cells + 1) + i
            b, c, d = a + 1, a + cells + 1, a + cells + 2
            triangles += [(a, c, b), (b, c, d)]
    return [("Intro/Grass", vertices, triangles)]


def box(half_x, half_y, half_z, y0=0.0, uv_scale=(1.0, 1.0)):
    """A box standing on y0, each face with its own vertices so normals stay sharp."""
    vertices, triangles = [], []
    faces = [((1, 0, 0), (0, 0, -1), (0, 1, 0)), ((-1, 0, 0), (0, 0, 1), (0, 1, 0)),
             ((0, 0, 1), (1, 0, 0), (0, 1, 0)), ((0, 0, -1), (-1, 0, 0), (0, 1, 0)),
             ((0, 1, 0), (1, 0, 0), (0, 0, -1)), ((0, -1, 0), (1, 0, 0), (0, 0, 1))]
    half = (half_x, half_y, half_z)
    for normal, right, up in faces:
        base = len(vertices)
        for su, sv in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
            p = [normal[k] * half[k] + right[k] * su * half[k] + up[k] * sv * half[k] for k in range(3)]
            p[1] += y0 + half_y
            vertices.append((tuple(p), normal, ((su + 1) / 2 * uv_scale[0], (1 - sv) / 2 * uv_scale[1])))
        triangles += [(base, base + 1, base + 2), (base, base + 2, base + 3)]
    return vertices, triangles


def cone(radius, height, y0, sides, tiles):
    vertices, triangles = [], []
    slope = radius / height
    for i in range(sides + 1):
        angle = 2 * math.pi * i / sides
        c, s = math.cos(angle), math.sin(angle)
        normal = normalise((c, slope, s))
        vertices.append(((radius * c, y0, radius * s), normal, (i / sides * tiles, 1.0)))
        vertices.append(((0.0, y0 + height, 0.0), normal, (i / sides * tiles, 0.0)))
    for i in range(sides):
        a = 2 * i
        triangles.append((a, a + 1, a + 2))
    return vertices, triangles


def cylinder(radius, height, sides):
    vertices, triangles = [], []
    for i in range(sides + 1):
        angle = 2 * math.pi * i / sides
        c, s = math.cos(angle), math.sin(angle)
        vertices.append(((radius * c, 0.0, radius * s), (c, 0.0, s), (i / sides, 2.0)))
        vertices.append(((radius * c, height, radius * s), (c, 0.0, s), (i / sides, 0.0)))
    for i in range(sides):
        a = 2 * i
        triangles += [(a, a + 1, a + 2), (a + 2, a + 1, a + 3)]
    return vertices, triangles


def merge(*parts):
    vertices, triangles = [], []
    for v, t in parts:
        base = len(vertices)
        vertices += v
        triangles += [(a + base, b + base, c + base) for a, b, c in t]
    return vertices, triangles


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    meshes = {
        "Ground": ground(),
        "Tower": [("Intro/Stone", *merge(box(2.0, 7.0, 2.0, uv_scale=(1.0, 3.5)),
                                         box(2.6, 0.6, 2.6, y0=14.0, uv_scale=(1.0, 0.3))))],
        "Tree": [("Intro/Bark", *cylinder(0.45, 3.5, 10)),
                 ("Intro/Leaves", *merge(cone(2.8, 4.5, 2.5, 14, 3.0), cone(2.0, 3.5, 5.0, 14, 3.0)))],
        "Box": [("Intro/Planks", *box(1.0, 1.0, 1.0))],
    }
    for name, submeshes in meshes.items():
        with open(os.path.join(out, name + ".mesh.xml"), "w") as f:
            f.write(mesh_xml(submeshes))


if __name__ == "__main__":
    main()
