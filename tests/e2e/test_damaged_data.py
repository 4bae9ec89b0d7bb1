"""Damaged game data: a mesh, a glTF model, a skeleton, a material script, a texture, a WAV, an OGG
and a page, each cut short in one run and replaced by junk in another, plus a setup.lua and a level
that never return, and glTF models that are wrong in each way the model loader names. Every damaged
file but the page (a browser shows any text), the cut WAV and the cut skeleton (their parts are
used) is refused with a line naming it, and the level runs on to its end. The damaged files are
made here from good ones."""
import ctypes
import ctypes.util
import os
import random
import unittest

from harness import GameTest, setup_script, wave_writer, write_tone
from make_gltf import UNSIGNED_BYTE, Gltf

# The level shows everything damaged, then loops for ever; its Script message, queued first,
# runs after the engine stopped the loop.
LEVEL = """
dofile("../Resource/Levels/check.lua")
at(600, "LogText('LEVEL RAN ON') ShutDown()")
AddResourceLocation("LevelData", "../Resource/Meshes", "FileSystem")
CreateCollisionSpace("World", "")
local ATTACH, POSITION, MESH, COLLISION, MATERIAL, ANIMATION = 0, 1, 3, 4, 8, 11
local function send(actor, time, kind, text1, text2, x, y, z, v)
  AddActorMessage(actor, time, kind, text1 or "", text2 or "", x or 0, y or 0, z or 0, v or 0)
end
local function place(name, mesh, z)
  AddActor(name)
  send(name, 0, ATTACH, "LevelRoot")
  send(name, 0, POSITION, "SetLocal", "", 0, 0, z)
  send(name, 0, MESH, mesh)
end
place("Crate", "Crate.mesh", -10)
send("Crate", 0, COLLISION, "Crate.mesh", "World")
place("Flag", "Flag.mesh", -20)
send("Flag", 0, ANIMATION, "Wave", "", 0, 0, 0, 1)
place("Floor", "Floor.mesh", -30)
place("Mill", "Windmill.glb", -40)
send("Mill", 0, COLLISION, "Windmill.glb", "World")
for _, model in ipairs({ "NoBuffer.gltf", "NoTexture.gltf", "NoMesh.gltf", "Lines.glb", "Bones.glb", "Unbound.glb",
                          "Huge.glb" }) do
  CreateEntity(model, model)
end
send("Floor", 0, MATERIAL, "Intro/Planks")
send("Floor", 20, MATERIAL, "Crate/Sides")
Play2DSound("Bad.wav", 255, 0)
PlayStream("Bad.ogg")
CreateNavi("Bad", "bad.html", 200, 100, 0, 0)
while true do end
"""

# What the run must refuse, and how its line names it.
DAMAGED = {
    "Meshes/Crate.mesh": "Crate.mesh",
    "Meshes/Windmill.glb": "Windmill.glb",
    "Meshes/Flag.skeleton": "Flag.skeleton",
    "Materials/World.material": "World.material",
    "Textures/planks.png": "planks.png",
    "Sounds/Bad.wav": "Bad.wav",
    "Sounds/Bad.ogg": "Bad.ogg",
}

# Words of the lines that refuse a file, the engine's and Ogre's.
REFUSED = ("rror", "ERROR", "Unable", "refused")

PAGE = "<html><body style='background:#246'><p>A page of the game, cut short here</p>" + "<div>" * 400 + "\n"


def triangle(gltf, **more):
    """A mesh of one triangle at the scene's root."""
    mesh = gltf.add("meshes", {"primitives": [gltf.primitive([(0, 0, 0), (1, 0, 0), (0, 1, 0)], None, [0, 1, 2], **more)]})
    gltf.doc["scenes"][0]["nodes"] = [gltf.add("nodes", {"mesh": mesh})]
    return gltf


def bad_models(meshes):
    """Models wrong in one way each, and the reason the engine's line gives."""
    triangle(Gltf()).write(os.path.join(meshes, "NoBuffer.gltf"))
    os.remove(os.path.join(meshes, "NoBuffer.bin"))
    textured = Gltf()
    textured.add("images", {"uri": "missing.png"})
    textured.add("textures", {"source": 0})
    textured.add("materials", {"pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}})
    triangle(textured, material=0).write(os.path.join(meshes, "NoTexture.gltf"))
    Gltf().write(os.path.join(meshes, "NoMesh.gltf"))
    triangle(Gltf(), mode=1).write(os.path.join(meshes, "Lines.glb"))
    # Eight joints weigh every vertex, through a second set of joints and weights; and a skin
    # without its inverse bind matrices.
    for name, bound in (("Bones.glb", True), ("Unbound.glb", False)):
        bones = triangle(Gltf())
        joints = [bones.add("nodes", {"name": "J%d" % i}) for i in range(8)]
        attributes = bones.doc["meshes"][0]["primitives"][0]["attributes"]
        for k in (0, 1):
            attributes["JOINTS_%d" % k] = bones.accessor([4 * k + j for _ in range(3) for j in range(4)], "VEC4",
                                                         UNSIGNED_BYTE)
            attributes["WEIGHTS_%d" % k] = bones.accessor([0.125] * 12, "VEC4")
        skin = {"joints": joints}
        if bound:
            skin["inverseBindMatrices"] = bones.accessor([1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0] * 8,
                                                         "MAT4")
        bones.doc["nodes"][0]["skin"] = bones.add("skins", skin)
        bones.doc["scenes"][0]["nodes"] += joints
        bones.write(os.path.join(meshes, name))
    huge = triangle(Gltf())
    huge.doc["accessors"][0]["count"] = 2 ** 31
    huge.write(os.path.join(meshes, "Huge.glb"))
    return {"NoBuffer.gltf": "missing file NoBuffer.bin", "NoTexture.gltf": "missing texture missing.png",
            "NoMesh.gltf": "refused: ", "Lines.glb": "mesh 0 is made of points or lines, not triangles",
            "Bones.glb": "has more than 4 bones", "Unbound.glb": "a skin without an inverse bind matrix",
            "Huge.glb": "out of range"}


def write_ogg(path, seconds=1.0, rate=22050):
    """A Vorbis tone through the system's libsndfile, the library the engine decodes with."""
    lib = ctypes.CDLL(ctypes.util.find_library("sndfile") or "libsndfile.so.1")

    class Info(ctypes.Structure):
        _fields_ = [("frames", ctypes.c_int64), ("samplerate", ctypes.c_int), ("channels", ctypes.c_int),
                    ("format", ctypes.c_int), ("sections", ctypes.c_int), ("seekable", ctypes.c_int)]

    lib.sf_open.restype = ctypes.c_void_p
    lib.sf_open.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.POINTER(Info)]
    lib.sf_write_short.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_short), ctypes.c_int64]
    lib.sf_close.argtypes = [ctypes.c_void_p]
    info = Info(0, rate, 1, 0x200000 | 0x0060, 0, 0)  # SF_FORMAT_OGG | SF_FORMAT_VORBIS
    handle = lib.sf_open(path.encode(), 0x20, ctypes.byref(info))  # SFM_WRITE
    if not handle:
        raise RuntimeError("libsndfile cannot write " + path)
    count = int(seconds * rate)
    samples = (ctypes.c_short * count)(*[(i * 37 % 2000) - 1000 for i in range(count)])
    lib.sf_write_short(handle, samples, count)
    lib.sf_close(handle)


class DamagedData(GameTest):
    def run_damaged(self, how, plays_on):
        game, rng = self.game, random.Random(how)
        write_tone(os.path.join(game.resource, "Sounds", "Bad.wav"), 0.5)
        write_ogg(os.path.join(game.resource, "Sounds", "Bad.ogg"))
        game.write("GUI/bad.html", PAGE)
        reasons = bad_models(os.path.join(game.resource, "Meshes"))
        for path in [os.path.join(game.resource, p) for p in list(DAMAGED) + ["GUI/bad.html"]]:
            with open(path, "rb") as f:
                data = f.read()
            with open(path, "wb") as f:
                f.write(data[:len(data) * 2 // 5] if how == "truncated" else bytes(rng.randrange(256) for _ in data))
        # The setup script sets its table, then never returns.
        game.write("setup.lua", setup_script(music=1, soundvolume=5, musicvolume=5, musicdir="../Resource/Sounds/")
                   + "while true do end\n")
        game.level("test.lua", LEVEL)
        env, _ = wave_writer(game)
        result = self.run_game(env=env, timeout=240)
        messages = result.messages()
        self.assertIn("LEVEL RAN ON", messages, result.log[-4000:])
        self.assertEqual(result.returncode, 0, result.output[-3000:])
        stops = [m for m in messages if m.startswith("script stopped: it ran")]
        self.assertEqual(len(stops), 2, "the setup script and the level are both stopped")
        for path, name in DAMAGED.items():
            if path in plays_on:
                continue
            refusals = [l for l in result.lines if name in l and any(w in l for w in REFUSED)]
            self.assertTrue(refusals, "no line refuses the damaged " + path)
        # One line of the engine's each, with the model's reason.
        for model, reason in reasons.items():
            lines = [m for m in messages if m.startswith("CreateEntity: Model %s refused: " % model)]
            self.assertEqual(len(lines), 1, (model, lines))
            self.assertIn(reason, lines[0])

    def test_files_cut_short(self):
        # libsndfile corrects a cut WAV's length to what is there, and that part plays; Ogre reads
        # a cut skeleton's chunks up to the end of the file, and the bones it got move.
        self.run_damaged("truncated", plays_on={"Sounds/Bad.wav", "Meshes/Flag.skeleton"})

    def test_files_of_junk(self):
        self.run_damaged("garbage", plays_on=set())


if __name__ == "__main__":
    unittest.main()
