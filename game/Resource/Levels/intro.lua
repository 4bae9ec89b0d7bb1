-- Intro: a valley with stone towers, trees and crates under a sky box, seen by a camera that
-- circles the plaza to the theme. After a while the picture fades to black and white and the
-- meadow, the first level, follows.

CreateSceneNode("", "LevelRoot")
Fade(1, 2)

-- Message types, as the engine numbers them.
local ATTACH, POSITION, SPIN, SCRIPT = 0, 1, 6, 7

local function send(actor, time, kind, text1, text2, x, y, z, value)
  AddActorMessage(actor, time, kind, text1 or "", text2 or "", x or 0, y or 0, z or 0, value or 0)
end

-- A mesh on its own node below LevelRoot.
local function prop(name, mesh, x, y, z, angle)
  CreateEntity(name, mesh)
  CreateSceneNode("LevelRoot", name)
  AttachObject(name, name)
  SetPosition(name, x, y, z)
  SetRotation(name, 0, 1, 0, angle or 0)
end

SetSkyBox("Intro/SkyBox")
SetFog(0.59, 0.65, 0.69, 50, 190)
prop("Ground", "Ground.mesh", 0, 0, 0)

for i, corner in ipairs({ { -14, -14 }, { 14, -14 }, { 14, 14 }, { -14, 14 } }) do
  prop("Tower" .. i, "Tower.mesh", corner[1], 0, corner[2], i * 20)
end

for i = 1, 18 do
  local angle = i / 18 * 2 * math.pi
  local radius = 30 + (i % 3) * 9
  prop("Tree" .. i, "Tree.mesh", math.cos(angle) * radius, -0.5, math.sin(angle) * radius, i * 37)
end

prop("Crate1", "Box.mesh", 3, 0, 2, 10)
prop("Crate2", "Box.mesh", 5.2, 0, 2.6, -15)
prop("Crate3", "Box.mesh", 4, 2, 2.3, 30)

-- The camera hangs on a rig that turns slowly around the plaza and looks at its centre.
CreateSceneNode("LevelRoot", "look_at_node")
SetPosition("look_at_node", 0, 3, 0)
AddActor("Rig")
send("Rig", 0, ATTACH, "LevelRoot")
send("Rig", 0, SCRIPT, "CreateSceneNode('Rig', '_FollowCamera1') SetPosition('_FollowCamera1', 0, 13, 44)")
send("Rig", 0, SPIN, "", "", 0, 1, 0, 6)

ShowText("Tarnel Quibbo - the valley")
PlayStream("Theme.wav")
function StreamEnd() end  -- the theme plays once here

AddActor("Director")
send("Director", 7000, SCRIPT, "AddCompositor('Effects/BlackAndWhite')")
send("Director", 8000, SCRIPT, "Fade(0, 1)")  -- dark when the meadow loads; it fades itself in
send("Director", 9000, SCRIPT, "coreLoadLevel('meadow.lua')")

-- Any key skips the intro; the mouse does nothing here.
function KeyPressed(code, text) coreLoadLevel("meadow.lua") end
function KeyReleased(code, text) end
function EscPressed() end
function Screenshot() end
function MousePressed(x, y, button) end
function MouseReleased(x, y, button) end
