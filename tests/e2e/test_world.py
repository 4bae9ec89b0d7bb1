"""The world through the real executable: collision callbacks, the camera, and the world's script
functions as level scripts use them."""
import unittest

from harness import GameTest

# Common start of every level here: checks, the level anchor, meshes for collision, and an
# actor "Clock" whose Script messages run the checks at given simulation times.
PRELUDE = """
dofile("../Resource/Levels/check.lua")
CreateSceneNode("", "LevelRoot")
AddResourceLocation("LevelData", "../Resource/Meshes", "FileSystem")
AddActor("Clock")
function at(time, statement)
  AddActorMessage("Clock", time, 7, statement, "", 0, 0, 0, 0)
end
function crate(name, x, space)
  AddActor(name)
  AddActorMessage(name, 0, 0, "LevelRoot", "", 0, 0, 0, 0)
  AddActorMessage(name, 0, 1, "SetLocal", "", x, 0, 0, 0)
  AddActorMessage(name, 0, 3, "Crate.mesh", "", 0, 0, 0, 0)
  AddActorMessage(name, 0, 4, "Crate.mesh", space, 0, 0, 0, 0)
end
"""


class WorldTest(GameTest):
    def test_collision_callback_fires_every_step_while_touching(self):
        self.game.level("test.lua", PRELUDE + """
CreateCollisionSpace("Props", "")
crate("Left", -1.5, "")
crate("Right", 0, "Props")
crate("Far", 20, "Props")
calls, times, tables = 0, {}, {}
function Touching(name)
  calls = calls + 1
  times[calls] = GetSimulationTime()
  check_equal("touching name " .. calls, name, "Right")
end
function TouchingAll(names)
  tables[table.getn(tables) + 1] = table.getn(names) .. names[1]
end
RegisterCollisionCallback("Left", "Props", "Touching")
RegisterCollisionCallback("Left", "Props", "TouchingAll", 1)
-- Moved away in the step of time 200, before that step's callbacks.
AddActorMessage("Left", 200, 1, "SetLocal", "", -10, 0, 0, 0)
function Finish()
  check_equal("calls while touching", calls, 9)
  local consecutive = true
  for i = 1, calls do consecutive = consecutive and times[i] == 20 * i end
  check("one call per step", consecutive, table.concat(times, ","))
  check_equal("table form", table.concat(tables, ","), "1Right,1Right,1Right,1Right,1Right,1Right,1Right,1Right,1Right")
  ShutDown()
end
at(400, "Finish()")
""")
        result = self.run_game()
        self.assertPasses(result, "calls while touching", "one call per step", "table form")

    def test_camera_position_and_ray(self):
        self.game.level("test.lua", PRELUDE + """
CreateSceneNode("LevelRoot", "_FollowCamera1")
CreateSceneNode("LevelRoot", "look_at_node")
CreateSceneNode("LevelRoot", "camera")
SetPosition("_FollowCamera1", 0, 10, 40)
SetPosition("camera", 5, 5, 5)
function Finish()
  local x, y, z = GetPosition("camera")
  check_near("camera x", x, 0, 0.01)
  check_near("camera y", y, 10, 0.01)
  check_near("camera z", z, 40, 0.01)
  local ox, oy, oz, dx, dy, dz = GetCameraRay(GetWindowProperty("window_width") / 2, GetWindowProperty("window_height") / 2)
  local length = math.sqrt(10 * 10 + 40 * 40)
  check_near("ray looks at look_at_node", dx * 0 + dy * -10 / length + dz * -40 / length, 1, 0.001)
  check_near("ray starts near the camera", oy, 10, 1)
  ShutDown()
end
at(300, "Finish()")
""")
        result = self.run_game()
        self.assertPasses(result, "camera x", "camera y", "camera z", "ray looks at look_at_node",
                          "ray starts near the camera")

    def test_world_functions_from_a_level(self):
        self.game.level("test.lua", PRELUDE + """
CreateCollisionSpace("World", "")
CreateCollisionSpace("Inner", "World")
crate("Low", 0, "World")
crate("High", 0, "Inner")
AddActorMessage("High", 0, 1, "SetLocal", "", 0, 5, 0, 0)
CreateSceneNode("LevelRoot", "Parent")
CreateSceneNode("Parent", "Child")
SetPosition("Parent", 1, 2, 3)
SetPosition("Child", 10, 0, 0)
SetRotation("Child", 0, 0, 1, 45)
SetRotation("Child", 0, 1, 0, 90)
CreateSpline("Path")
AddSplinePoint("Path", 0, 0, 0)
AddSplinePoint("Path", 10, 0, 0)
CreateSpline("Path")
AddActorMessage("Nobody", 0, 1, "", "", 0, 0, 0, 0)
AddActorMessage("Clock", 0, 12, "", "", 0, 0, 0, 0)
AddActorMessage("Clock", 0, 0, "NoSuchNode", "", 0, 0, 0, 0)
at(20, "NoSuchFunction()")
function Rays()
  local x, y, z, name = RayTest("World", 0.5, 50, 0, 0, -1, 0, 100)
  check_equal("ray hits the nearer crate", name, "High")
  check_near("ray hit height", y, 7.2)
  x, y, z, name = RayTest("World", 0.5, 50, 0, 0, 0, 0, 100)
  check_equal("zero direction hits nothing", name, "")
  x, y, z, name = RayTest("Empty", 0.5, 50, 0, 0, -1, 0, 100)
  check_equal("unknown space hits nothing", name .. x .. y .. z, "000")
  check_equal("nothing touches yet", CollisionTest("Low", "Inner"), "")
end
at(100, "Rays()")
-- High comes down onto Low's plank.
AddActorMessage("High", 150, 1, "SetLocal", "", 0.5, 2.1, 0, 0)
function Finish()
  check_equal("collision test", CollisionTest("Low", "Inner"), "High")
  local x, y, z = GetPosition("Child", 1)
  check_equal("local position", x .. "," .. y .. "," .. z, "10,0,0")
  x, y, z = GetPosition("Child", 0.5)
  check_equal("world position", x .. "," .. y .. "," .. z, "11,2,3")
  -- The parent turned twice in one frame: each read sees the turn just made.
  SetRotation("Parent", 0, 1, 0, 90)
  x, y, z = GetPosition("Child")
  check("world position after a turn of the parent", math.abs(x - 1) + math.abs(y - 2) + math.abs(z + 7) < 1e-3,
        x .. "," .. y .. "," .. z)
  SetRotation("Parent", 0, 1, 0, 180)
  x, y, z = GetPosition("Child")
  check("world position after a second turn", math.abs(x + 9) + math.abs(y - 2) + math.abs(z - 3) < 1e-3,
        x .. "," .. y .. "," .. z)
  check_equal("parent", GetParent("Child"), "Parent")
  check_equal("parent of an unknown node", GetParent("NoSuchNode"), "")
  x, y, z = InterpolateSpline("Path", 0.5)
  check_near("spline midpoint", x, 5)
  x, y, z = InterpolateSpline("NoPath", 0.5)
  check_equal("unknown spline", x .. y .. z, "000")
  check_equal("simulation time", GetSimulationTime(), 200)
  ShutDown()
end
at(200, "Finish()")
""")
        result = self.run_game()
        self.assertPasses(result, "ray hits the nearer crate", "ray hit height", "zero direction hits nothing",
                          "unknown space hits nothing", "nothing touches yet", "collision test", "local position", "world position",
                          "world position after a turn of the parent", "world position after a second turn",
                          "parent", "parent of an unknown node", "spline midpoint", "unknown spline",
                          "simulation time")
        self.assertEqual(result.count("ERROR. No such actor found: Nobody"), 1)
        self.assertEqual(result.count("Error. Unknown ActorMessageType: 12"), 1)
        self.assertEqual(result.count("ERROR. Trying to attach actor to non existing scenenode: NoSuchNode"), 1)
        self.assertEqual(result.count("ERROR. Duplicate Spline name: Path"), 1)


if __name__ == "__main__":
    unittest.main()
