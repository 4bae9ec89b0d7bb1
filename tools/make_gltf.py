#!/usr/bin/env python3
"""Writes the game's glTF 2.0 models (run by the build; deterministic), as a modelling tool would
export them: metres, +Y up, the front along +Z, counter-clockwise faces.

Usage: make_gltf.py OUTPUT_DIR
Windmill.glb: a tower with a turning rotor of four sails, one skinned mesh over two joints
("Tower", "Rotor") with the animation "Turn"; the sails' stripes are a PNG inside the file.
The writer (Gltf) is also what the tests make their own and their damaged models with.
"""
import json
import math
import os
import struct
import sys
import zlib

FLOAT, UNSIGNED_BYTE, UNSIGNED_SHORT, UNSIGNED_INT = 5126, 5121, 5123, 5125
FORMATS = {FLOAT: "f", UNSIGNED_BYTE: "B", UNSIGNED_SHORT: "H", UNSIGNED_INT: "I"}
WIDTHS = {"SCALAR": 1, "VEC2": 2, "VEC3": 3, "VEC4": 4, "MAT4": 16}


def png(width, height, pixel):
    """PNG bytes of an RGB picture; pixel(x, y) gives (r, g, b)."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


class Gltf:
    """A glTF 2.0 document with one binary buffer, built a part at a time."""

    def __init__(self):
        self.doc = {"asset": {"version": "2.0", "generator": "make_gltf.py"}, "scene": 0, "scenes": [{"nodes": []}],
                    "nodes": [], "meshes": [], "materials": [], "accessors": [], "bufferViews": [], "buffers": []}
        self.data = bytearray()

    def view(self, data, target=None):
        while len(self.data) % 4:
            self.data.append(0)
        view = {"buffer": 0, "byteOffset": len(self.data), "byteLength": len(data)}
        if target:
            view["target"] = target
        self.data += data
        self.doc["bufferViews"].append(view)
        return len(self.doc["bufferViews"]) - 1

    def accessor(self, values, kind, component=FLOAT, target=None, bounds=False):
        """values: a flat list; kind: SCALAR, VEC2, ...; the index of the new accessor."""
        data = struct.pack("<%d%s" % (len(values), FORMATS[component]), *values)
        accessor = {"bufferView": self.view(data, target), "componentType": component,
                    "count": len(values) // WIDTHS[kind], "type": kind}
        if bounds:
            width = WIDTHS[kind]
            accessor["min"] = [min(values[i::width]) for i in range(width)]
            accessor["max"] = [max(values[i::width]) for i in range(width)]
        self.doc["accessors"].append(accessor)
        return len(self.doc["accessors"]) - 1

    def primitive(self, positions, normals, indices, material=None, uvs=None, joints=None, weights=None, mode=None):
        """positions and normals as lists of 3-tuples, uvs of 2-tuples, joints and weights of 4-tuples."""
        flat = lambda rows: [c for row in rows for c in row]  # noqa: E731
        attributes = {"POSITION": self.accessor(flat(positions), "VEC3", target=34962, bounds=True)}
        if normals:
            attributes["NORMAL"] = self.accessor(flat(normals), "VEC3", target=34962)
        if uvs:
            attributes["TEXCOORD_0"] = self.accessor(flat(uvs), "VEC2", target=34962)
        if joints:
            attributes["JOINTS_0"] = self.accessor(flat(joints), "VEC4", UNSIGNED_BYTE, target=34962)
            attributes["WEIGHTS_0"] = self.accessor(flat(weights), "VEC4", target=34962)
        wide = len(positions) > 65535
        primitive = {"attributes": attributes,
                     "indices": self.accessor(list(indices), "SCALAR", UNSIGNED_INT if wide else UNSIGNED_SHORT, 34963)}
        if material is not None:
            primitive["material"] = material
        if mode is not None:
            primitive["mode"] = mode
        return primitive

    def add(self, part, item):
        self.doc.setdefault(part, []).append(item)
        return len(self.doc[part]) - 1

    def image(self, data, mime="image/png"):
        return self.add("images", {"bufferView": self.view(data), "mimeType": mime})

    def finish(self, uri=None):
        """The document's JSON with its buffer named: inside a .glb, or the file uri beside it."""
        buffer = {"byteLength": len(self.data)}
        if uri:
            buffer["uri"] = uri
        self.doc["buffers"] = [buffer]
        return {k: v for k, v in self.doc.items() if v != []}

    def glb(self):
        text = json.dumps(self.finish(), separators=(",", ":")).encode()
        text += b" " * (-len(text) % 4)
        data = bytes(self.data) + b"\0" * (-len(self.data) % 4)
        chunks = struct.pack("<I4s", len(text), b"JSON") + text + struct.pack("<I4s", len(data), b"BIN\0") + data
        return struct.pack("<4sII", b"glTF", 2, 12 + len(chunks)) + chunks

    def write(self, path):
        """A .glb, or a .gltf with its buffer in a .bin beside it."""
        if path.endswith(".glb"):
            with open(path, "wb") as f:
                f.write(self.glb())
            return
        binary = os.path.splitext(os.path.basename(path))[0] + ".bin"
        with open(os.path.join(os.path.dirname(path), binary), "wb") as f:
            f.write(self.data)
        with open(path, "w") as f:
            json.dump(self.finish(binary), f, indent=1)


def box(lo, hi, uv_scale=(1.0, 1.0)):
    """A box from corner lo to corner hi, each face with its own corners, counter-clockwise outside."""
    positions, normals, uvs, indices = [], [], [], []
    for axis in range(3):
        for side in (-1, 1):
            u, v = (axis + 1) % 3, (axis + 2) % 3
            if side < 0:
                u, v = v, u
            base = len(positions)
            for su, sv in ((0, 0), (1, 0), (1, 1), (0, 1)):
                p = [0.0, 0.0, 0.0]
                p[axis] = hi[axis] if side > 0 else lo[axis]
                p[u] = lo[u] + su * (hi[u] - lo[u])
                p[v] = lo[v] + sv * (hi[v] - lo[v])
                positions.append(tuple(p))
                n = [0.0, 0.0, 0.0]
                n[axis] = float(side)
                normals.append(tuple(n))
                uvs.append((su * uv_scale[0], (1 - sv) * uv_scale[1]))
            indices += [base, base + 1, base + 2, base, base + 2, base + 3]
    return positions, normals, uvs, indices


def merge(*parts):
    positions, normals, uvs, indices = [], [], [], []
    for p, n, t, i in parts:
        indices += [k + len(positions) for k in i]
        positions += p
        normals += n
        uvs += t
    return positions, normals, uvs, indices


def quaternion_z(angle):
    return [0.0, 0.0, math.sin(angle / 2), math.cos(angle / 2)]


def windmill():
    hub = (0.0, 5.6, 0.9)
    g = Gltf()
    wood = g.add("materials", {"name": "Wood", "pbrMetallicRoughness": {
        "baseColorFactor": [0.95, 0.5, 0.15, 1.0], "metallicFactor": 0.0}})
    stripes = png(16, 16, lambda x, y: (230, 40, 30) if (x // 4) % 2 == 0 else (245, 240, 225))
    g.add("samplers", {"magFilter": 9729, "minFilter": 9729})
    g.add("textures", {"sampler": 0, "source": g.image(stripes)})
    sail = g.add("materials", {"name": "Sail", "doubleSided": True, "pbrMetallicRoughness": {
        "baseColorTexture": {"index": 0}, "metallicFactor": 0.0}})

    # The tower stands on the origin; the sails turn in the XY plane in front of it.
    tower = merge(box((-0.8, 0.0, -0.8), (0.8, 5.2, 0.8)), box((-1.0, 5.2, -1.0), (1.0, 6.2, 1.0)))
    sails = [box((-0.15, -0.15, 0.0), (0.15, 0.15, 0.4))]
    for k in range(4):
        angle = k * math.pi / 2
        c, s = math.cos(angle), math.sin(angle)
        p, n, t, i = box((0.3, -0.35, 0.05), (3.2, 0.35, 0.12))
        turn = lambda v: (v[0] * c - v[1] * s, v[0] * s + v[1] * c, v[2])  # noqa: E731
        sails.append(([turn(v) for v in p], [turn(v) for v in n], t, i))
    sails = merge(*sails)
    # The rotor rests turned by an eighth, its sails an X; the mesh holds them there, round the hub.
    rest = math.pi / 4
    c, s = math.cos(rest), math.sin(rest)
    sail_positions = [(x * c - y * s + hub[0], x * s + y * c + hub[1], z + hub[2]) for x, y, z in sails[0]]
    sail_normals = [(x * c - y * s, x * s + y * c, z) for x, y, z in sails[1]]

    body = [g.primitive(tower[0], tower[1], tower[3], wood, tower[2],
                        [(0, 0, 0, 0)] * len(tower[0]), [(1.0, 0.0, 0.0, 0.0)] * len(tower[0])),
            g.primitive(sail_positions, sail_normals, sails[3], sail, sails[2],
                        [(1, 0, 0, 0)] * len(sails[0]), [(1.0, 0.0, 0.0, 0.0)] * len(sails[0]))]
    mesh = g.add("meshes", {"name": "Windmill", "primitives": body})
    # Nodes: 0 the model, 1 its tower joint, 2 the rotor joint at the hub, 3 the skinned body.
    g.add("nodes", {"name": "Windmill", "children": [1, 3]})
    g.add("nodes", {"name": "Tower", "children": [2]})
    g.add("nodes", {"name": "Rotor", "translation": list(hub), "rotation": quaternion_z(rest)})
    g.add("nodes", {"name": "Body", "mesh": mesh, "skin": 0})
    # Inverse bind matrices, column by column: the tower's is the identity, the rotor's undoes its
    # rest turn and place.
    identity = [1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0]
    back = (-(c * hub[0] + s * hub[1]), -(-s * hub[0] + c * hub[1]), -hub[2])
    rotor_inverse = [c, -s, 0, 0, s, c, 0, 0, 0, 0, 1.0, 0, back[0], back[1], back[2], 1.0]
    g.add("skins", {"joints": [1, 2], "skeleton": 1, "inverseBindMatrices": g.accessor(identity + rotor_inverse, "MAT4")})
    g.doc["scenes"][0]["nodes"] = [0]

    # A quarter turn a second, counter-clockwise seen from the front.
    times = [0.0, 1.0, 2.0, 3.0, 4.0]
    rotations = [q for k in range(5) for q in quaternion_z(rest + k * math.pi / 2)]
    g.add("animations", {"name": "Turn", "samplers": [{
        "input": g.accessor(times, "SCALAR", bounds=True), "output": g.accessor(rotations, "VEC4"),
        "interpolation": "LINEAR"}], "channels": [{"sampler": 0, "target": {"node": 2, "path": "rotation"}}]})
    return g


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    windmill().write(os.path.join(out, "Windmill.glb"))


if __name__ == "__main__":
    main()
