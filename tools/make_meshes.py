#!/usr/bin/env python3
"""Generates the game's meshes as Ogre .mesh.xml text (run by the build; deterministic).

Usage: make_meshes.py OUTPUT_DIR
Ground: a rolling 48 x 48 grid; Tower: a stone pillar with a cap; Tree: trunk and foliage as two
sub-meshes; Box: a planked crate. Meadow and Ridge: the two levels' hills. Quibbo: the hero, an
egg with eyes and feet looking along +Z; Gem: what he collects; Guard: a spiked ball; Platform:
a plank lift; Plateau: a stone block and PlateauCore, a shorter one inside it that stands for its
walls. All carry normals and texture coordinates.
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


def intro_height(x, z):
    return 1.6 * math.sin(x * 0.06) * math.cos(z * 0.05) + 0.8 * math.sin((x + z) * 0.11)


def meadow_height(x, z):
    return 2.2 * math.sin(x * 0.07) * math.cos(z * 0.06) + 0.9 * math.sin((x - z) * 0.13) + 0.4 * math.cos(z * 0.31)


def ridge_height(x, z):
    return 3.0 * math.sin(x * 0.05 + 1.0) * math.sin(z * 0.07) + 1.0 * math.cos((x + 2 * z) * 0.09)


def ground(size=400.0, cells=48, tiles=24.0, height=intro_height, material="Intro/Grass"):
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
    return [(material, vertices, triangles)]


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


def ellipsoid(centre, radii, rings=12, sides=16):
    """A UV ellipsoid; its faces wind counter-clockwise seen from outside."""
    vertices, triangles = [], []
    for j in range(rings + 1):
        theta = math.pi * j / rings
        for i in range(sides + 1):
            phi = 2 * math.pi * i / sides
            n = (math.sin(theta) * math.sin(phi), math.cos(theta), math.sin(theta) * math.cos(phi))
            p = tuple(centre[k] + radii[k] * n[k] for k in range(3))
            normal = normalise(tuple(n[k] / radii[k] for k in range(3)))
            vertices.append((p, normal, (i / sides, j / rings)))
    for j in range(rings):
        for i in range(sides):
            a = j * (sides + 1) + i
            b, c, d = a + 1, a + sides + 1, a + sides + 2
            triangles += [(a, c, b), (b, c, d)]
    return vertices, triangles


def octahedron(radius, y):
    """Eight flat-shaded faces around (0, y, 0), pointed up and down."""
    tips = [(0, radius * 1.4, 0), (0, -radius * 1.4, 0)]
    ring = [(radius, 0, 0), (0, 0, radius), (-radius, 0, 0), (0, 0, -radius)]
    vertices, triangles = [], []
    for top, tip in ((True, tips[0]), (False, tips[1])):
        for i in range(4):
            a, b = ring[i], ring[(i + 1) % 4]
            if not top:
                a, b = b, a
            corners = [tip, b, a]
            u = [b[k] - tip[k] for k in range(3)]
            v = [a[k] - tip[k] for k in range(3)]
            normal = normalise((u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]))
            base = len(vertices)
            for (px, py, pz), uv in zip(corners, ((0.5, 0.0), (1.0, 1.0), (0.0, 1.0))):
                vertices.append(((px, py + y, pz), normal, uv))
            triangles.append((base, base + 1, base + 2))
    return vertices, triangles


def spikes(radius, length, y):
    """Six cones pointing out of a ball of that radius around (0, y, 0)."""
    parts = []
    for axis in ((1, 0, 0), (-1, 0, 0), (0, 1, 0), (0, 0, 1), (0, 0, -1), (0.7, 0.7, 0.0)):
        vertices, triangles = cone(0.25, length, 0.0, 8, 1.0)
        # Rotates +Y onto the axis, then moves the cone's foot onto the ball.
        ax = normalise(axis)
        helper = (1, 0, 0) if abs(ax[1]) > 0.9 else (0, 1, 0)
        side = normalise((helper[1] * ax[2] - helper[2] * ax[1], helper[2] * ax[0] - helper[0] * ax[2],
                          helper[0] * ax[1] - helper[1] * ax[0]))
        other = (ax[1] * side[2] - ax[2] * side[1], ax[2] * side[0] - ax[0] * side[2], ax[0] * side[1] - ax[1] * side[0])

        def turn(v):
            return tuple(v[0] * side[k] + v[1] * ax[k] + v[2] * other[k] for k in range(3))

        moved = []
        for p, n, uv in vertices:
            q = turn(p)
            moved.append(((q[0] + ax[0] * radius * 0.9, q[1] + ax[1] * radius * 0.9 + y, q[2] + ax[2] * radius * 0.9),
                          turn(n), uv))
        parts.append((moved, triangles))
    return merge(*parts)


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
        "Meadow": ground(120.0, 40, 12.0, meadow_height, "Level/Meadow"),
        "Ridge": ground(120.0, 40, 12.0, ridge_height, "Level/Ridge"),
        "Quibbo": [("Hero/Body", *ellipsoid((0, 1.0, 0), (0.75, 0.95, 0.7))),
                   ("Hero/Eye", *merge(ellipsoid((-0.28, 1.35, 0.55), (0.2, 0.24, 0.16), 8, 10),
                                       ellipsoid((0.28, 1.35, 0.55), (0.2, 0.24, 0.16), 8, 10))),
                   ("Hero/Pupil", *merge(ellipsoid((-0.26, 1.33, 0.69), (0.09, 0.11, 0.05), 6, 8),
                                         ellipsoid((0.26, 1.33, 0.69), (0.09, 0.11, 0.05), 6, 8))),
                   ("Hero/Feet", *merge(ellipsoid((-0.35, 0.12, 0.15), (0.25, 0.12, 0.38), 6, 10),
                                        ellipsoid((0.35, 0.12, 0.15), (0.25, 0.12, 0.38), 6, 10)))],
        "Gem": [("Gem/Glow", *octahedron(0.5, 1.2))],
        "Guard": [("Guard/Shell", *ellipsoid((0, 1.0, 0), (0.9, 0.9, 0.9))),
                  ("Guard/Spike", *spikes(0.9, 0.7, 1.0)),
                  ("Hero/Eye", *ellipsoid((0, 1.25, 0.72), (0.3, 0.3, 0.2), 8, 10)),
                  ("Hero/Pupil", *ellipsoid((0, 1.25, 0.9), (0.12, 0.12, 0.05), 6, 8))],
        "Platform": [("Intro/Planks", *box(2.5, 0.25, 2.5, y0=-0.5))],
        "Plateau": [("Intro/Stone", *box(6.0, 8.0, 6.0, uv_scale=(2.0, 2.5)))],
        "PlateauCore": [("Intro/Stone", *box(6.0, 7.7, 6.0))],
    }
    for name, submeshes in meshes.items():
        with open(os.path.join(out, name + ".mesh.xml"), "w") as f:
            f.write(mesh_xml(submeshes))


if __name__ == "__main__":
    main()
