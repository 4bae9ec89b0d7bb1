-- World demo: Quibbo drops onto uneven ground and walks a round, crates move and spin, a touch
-- flashes what was touched and clicks, a humming crate flies along a spline, a flag waves and
-- sparks rise, and the theme plays over and over.
-- The arrow keys or W, A, S, D walk Quibbo and space makes him jump; the camera follows him.
-- Escape pauses the walk and shows it; a click on the ground logs where it hit; F1 shows the
-- frame statistics. The HUD counts the crates he touched.

CreateSceneNode("", "LevelRoot")
Fade(1, 1)  -- the valley faded out before it loaded this level
SetSkyBox("Intro/SkyBox")
SetFog(0.59, 0.65, 0.69, 25, 110)
AddResourceLocation("LevelData", "../Resource/Meshes", "FileSystem")
CreateCollisionSpace("World", "")
CreateCollisionSpace("Props", "")
CreateCollisionSpace("Heroes", "")

-- Message types, as the engine numbers them.
local ATTACH, POSITION, MESH, COLLISION, VELOCITY, SPIN, SCRIPT, MATERIAL, SOUND, PARTICLES, ANIMATION =
  0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11

function send(actor, time, kind, text1, text2, x, y, z, value)
  AddActorMessage(actor, time, kind, text1 or "", text2 or "", x or 0, y or 0, z or 0, value or 0)
end

function now()
  return GetSimulationTime()
end

-- An actor on LevelRoot at (x, y, z) showing a mesh, with its geom in a space (if any).
function place(name, mesh, space, x, y, z)
  AddActor(name)
  send(name, 0, ATTACH, "LevelRoot")
  send(name, 0, POSITION, "SetLocal", "", x, y, z)
  if space then
    send(name, 0, COLLISION, mesh, space)
  end
  send(name, 0, MESH, mesh)
end

-- Ground and hero. Quibbo's geom stays out of "World", so his ground ray only finds the hills.
place("Ground", "Hills.mesh", "World", 0, 0, 0)
place("Quibbo", "Crate.mesh", "Heroes", 0, 12, 0)
send("Quibbo", 0, MATERIAL, "Hero/Blue")

function HitGround(height)
  LogText("Quibbo landed after a fall of " .. height)
  send("Quibbo", now(), MATERIAL, "Flash/White", "", 0, 0, 0, 0.3)
end

-- The camera hangs behind Quibbo and looks at him.
send("Quibbo", 0, SCRIPT, "FollowQuibbo()")
function FollowQuibbo()
  CreateSceneNode("Quibbo", "_FollowCamera1")
  CreateSceneNode("Quibbo", "look_at_node")
  SetPosition("_FollowCamera1", 0, 8, 25)
  SetPosition("look_at_node", 0, 1, 0)
end

-- Quibbo walks a square until a key takes over.
local walk = { {4, 0, 0}, {0, 0, -4}, {-4, 0, 0}, {0, 0, 4} }
local walking = true
function Walk(leg)
  if not walking then return end
  local v = walk[leg]
  send("Quibbo", now(), VELOCITY, "", "", v[1], v[2], v[3])
  send("Quibbo", now() + 3000, SCRIPT, "Walk(" .. (math.fmod(leg, 4) + 1) .. ")")
end
send("Quibbo", 2000, SCRIPT, "Walk(1)")

-- Key codes: W, S, A, D and the arrows up, down, left, right; space; F1.
local keys = { [17] = {0, 0, -6}, [31] = {0, 0, 6}, [30] = {-6, 0, 0}, [32] = {6, 0, 0},
               [200] = {0, 0, -6}, [208] = {0, 0, 6}, [203] = {-6, 0, 0}, [205] = {6, 0, 0} }
local SPACE, F1 = 57, 59
local paused = false
local statistics = false
function KeyPressed(code, text)
  if code == F1 then  -- the frame statistics on and off
    statistics = not statistics
    if statistics then AddElement("Core/StatPanel") else RemoveElement("Core/StatPanel") end
  end
  local v = keys[code]
  if v and not paused then
    walking = false
    send("Quibbo", now(), VELOCITY, "", "", v[1], v[2], v[3])
  elseif code == SPACE and not paused then
    -- Up into the air; the ground probe lets him fall back and calls HitGround.
    local x, y, z = GetPosition("Quibbo", 1)
    SetPosition("Quibbo", x, y + 4, z)
  end
end
function KeyReleased(code, text)
  if keys[code] then
    send("Quibbo", now(), VELOCITY, "", "", 0, 0, 0)
  end
end

function EscPressed()
  paused = not paused
  if paused then
    walking = false
    send("Quibbo", now(), VELOCITY, "", "", 0, 0, 0)
    AddElement("OVE_Pause")
    LogText("Paused")
  else
    RemoveElement("OVE_Pause")
    LogText("Playing on")
  end
end

-- A left click casts a ray from the camera through the pointer onto the ground.
function MousePressed(x, y, button)
  if button ~= 0 then return end
  local ox, oy, oz, dx, dy, dz = GetCameraRay(x, y)
  local hx, hy, hz, name = RayTest("World", ox, oy, oz, dx, dy, dz, 500)
  if name == "" then
    LogText("The click at " .. x .. ", " .. y .. " hit nothing")
  else
    LogText(string.format("The click at %d, %d hit %s at %.1f, %.1f, %.1f", x, y, name, hx, hy, hz))
  end
end
function MouseReleased(x, y, button) end

function Screenshot()
  SaveScreenshot("Screenshot.png")
  LogText("Screenshot saved as Screenshot.png")
end

-- Crates that move and spin; touching one flashes it once per contact.
place("Spinner", "Crate.mesh", "Props", 12, 0.5, -6)
send("Spinner", 0, SPIN, "AddLocal", "", 0, 1, 0, 90)
place("Mover", "Crate.mesh", "Props", -8, 1.5, 6)
function Shuttle(direction)
  send("Mover", now(), VELOCITY, "AddParent", "", 3 * direction, 0, 0)
  send("Mover", now() + 4000, SCRIPT, "Shuttle(" .. -direction .. ")")
end
send("Mover", 0, SCRIPT, "Shuttle(1)")

-- The HUD: touches so far and the seconds since the level began.
local score = 0
AddElement("OVE_HUD")
SetElementCaption("HUD/Score", "Score: 0")
function Clock()
  SetElementCaption("HUD/Time", "Time: " .. math.floor(now() / 1000))
  send("Quibbo", now() + 1000, SCRIPT, "Clock()")
end
send("Quibbo", 0, SCRIPT, "Clock()")

local touching = {}
function OnTouch(names)
  local now_touching = {}
  for _, name in ipairs(names) do
    now_touching[name] = true
    if not touching[name] then
      LogText("Quibbo touches " .. name)
      send(name, now(), MATERIAL, "Flash/White", "", 0, 0, 0, 0.5)
      Play2DSound("Tarnel_Quibbo_Sound02_Click01.wav", 200, 0)
      score = score + 1
      SetElementCaption("HUD/Score", "Score: " .. score)
    end
  end
  touching = now_touching
end
RegisterCollisionCallback("Quibbo", "Props", "OnTouch", 1)
-- The callback only runs while something touches; this forgets contacts that ended.
function ForgetTouches()
  if CollisionTest("Quibbo", "Props") == "" then touching = {} end
  send("Quibbo", now() + 20, SCRIPT, "ForgetTouches()")
end
send("Quibbo", 0, SCRIPT, "ForgetTouches()")

-- A crate flying a loop along a spline, placed anew every step.
CreateSpline("Loop")
for _, p in ipairs({ {-12, 6, -12}, {12, 8, -12}, {12, 5, 12}, {-12, 9, 12}, {-12, 6, -12} }) do
  AddSplinePoint("Loop", p[1], p[2], p[3])
end
place("Flyer", "Crate.mesh", nil, -12, 6, -12)
send("Flyer", 0, SOUND, "Hum.wav", "Loop", 0, 0, 0, 256)  -- follows the crate, louder as it nears
function Fly()
  local t = math.fmod(now(), 12000) / 12000
  SetPosition("Flyer", InterpolateSpline("Loop", t))
  send("Flyer", now() + 20, SCRIPT, "Fly()")
end
send("Flyer", 0, SCRIPT, "Fly()")

-- A waving flag with sparks rising from its foot, switched off and on again now and then.
place("Flag", "Flag.mesh", nil, 5, 1, 5)
send("Flag", 0, ANIMATION, "Wave", "", 0, 0, 0, 1)
send("Flag", 0, PARTICLES, "Sparkle")
function Sparks(on)
  send("Flag", now(), PARTICLES, on and "Sparkle" or "FadeOut")
  send("Flag", now() + 5000, SCRIPT, on and "Sparks(false)" or "Sparks(true)")
end
send("Flag", 5000, SCRIPT, "Sparks(false)")

-- The theme starts again each time it ends.
PlayStream("Theme.wav")
function StreamEnd()
  PlayStream("Theme.wav")
end
