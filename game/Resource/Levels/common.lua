-- What the playable levels share: Quibbo and his keys, the camera, gems, guards on splines, the
-- goal flag, the HUD, the pause menu, best times and the music. Not a level itself: a level loads
-- it with dofile, then calls StartLevel with its layout (see meadow.lua).
-- Everything the engine calls back by name (messages, collisions, pages) is global.

-- Message types, as the engine numbers them.
ATTACH, POSITION, ROTATION, MESH, COLLISION, VELOCITY, SPIN, SCRIPT, MATERIAL, SOUND, PARTICLES, ANIMATION =
  0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11

STORE = "Software\\TarnelQuibbo"  -- the player's own values: best times and options
local SPEED = 7                  -- Quibbo's walk, units per second
local HARD_LANDING = 4           -- a drop higher than this thuds and raises dust
local GEM_POINTS = 100
local CAMERA_BEHIND = 15         -- the camera's distance behind Quibbo, at his start along +Z

function send(actor, time, kind, text1, text2, x, y, z, value)
  AddActorMessage(actor, time, kind, text1 or "", text2 or "", x or 0, y or 0, z or 0, value or 0)
end

function now()
  return GetSimulationTime()
end

-- An actor on LevelRoot at (x, y, z) showing a mesh (if any), with a geom in a space (if any).
function place(name, mesh, space, x, y, z, hull)
  AddActor(name)
  send(name, 0, ATTACH, "LevelRoot")
  send(name, 0, POSITION, "SetLocal", "", x, y, z)
  if space then send(name, 0, COLLISION, hull or mesh, space) end
  if mesh then send(name, 0, MESH, mesh) end
end

-- The ground's height at (x, z): the first thing of "World" straight below 60 units up.
function groundAt(x, z)
  local _, y, _, name = RayTest("World", x, 60, z, 0, -1, 0, 120)
  if name == "" then return 0 end
  return y
end

-- A short boxed notice near the top of the screen, gone after a while or when the next comes.
local shown
function notice(text, ms)
  if shown then DestroyPanel(shown) end
  shown = CreatePanel(text, 270, 130)
  send("Director", now() + (ms or 2500), SCRIPT, "NoticeOver('" .. shown .. "')")
end
function NoticeOver(panel)
  if panel ~= shown then return end
  DestroyPanel(panel)
  shown = nil
end

local level        -- the layout StartLevel was given
local clock = 0    -- ms played, pauses left out
local paused, finished = false, false
local score, found, total = 0, 0, 0
local gems = {}    -- gem actor names not yet found
local held = {}    -- directions of the keys held down
local start        -- where Quibbo starts and returns to when a guard catches him
local airborne = true  -- from a jump or a drop until HitGround
local highest      -- the highest point of his current time in the air
local lastY        -- his height one step ago
local jump = 0     -- steps of a jump still rising
local lastFree     -- his last position outside every wall
local guards = {}
local lift
local statistics = false

-- Key codes: W, S, A, D and the arrows up, down, left, right; space; F1.
local DIRECTIONS = { [17] = {0, -1}, [31] = {0, 1}, [30] = {-1, 0}, [32] = {1, 0},
                     [200] = {0, -1}, [208] = {0, 1}, [203] = {-1, 0}, [205] = {1, 0} }
local SPACE, F1 = 57, 59

local function hud()
  SetElementCaption("HUD/Score", "Score: " .. score)
  SetElementCaption("HUD/Time", string.format("Time: %.1f s", clock / 1000))
  SetElementCaption("HUD/Gems", "Gems: " .. found .. " / " .. total)
end

-- Walks the way the held keys point, and turns his body to look that way.
local function steer()
  local dx, dz = 0, 0
  if not paused and not finished then
    for code in pairs(held) do
      dx, dz = dx + DIRECTIONS[code][1], dz + DIRECTIONS[code][2]
    end
  end
  local length = math.sqrt(dx * dx + dz * dz)
  if length > 0 then
    dx, dz = dx / length * SPEED, dz / length * SPEED
    SetRotation("QuibboBody", 0, 1, 0, math.deg(math.atan2(dx, dz)))
  end
  send("Quibbo", now(), VELOCITY, "", "", dx, 0, dz)
end

function KeyPressed(code, text)
  if code == F1 then
    statistics = not statistics
    if statistics then AddElement("Core/StatPanel") else RemoveElement("Core/StatPanel") end
  elseif DIRECTIONS[code] then
    held[code] = true
    steer()
  elseif code == SPACE and not paused and not finished and jump == 0 and not airborne then
    jump = 10
  end
end

function KeyReleased(code, text)
  if held[code] then
    held[code] = nil
    steer()
  end
end

function EscPressed()
  if finished then return end
  if paused then Resume() else Pause() end
end

function Pause()
  paused = true
  steer()
  ShowNavi("PauseMenu", 1)
  LogText("Paused")
end

function Resume()
  if not paused then return end
  paused = false
  HideNavi("PauseMenu", 1)
  steer()
  LogText("Playing on")
end

function RestartLevel()
  coreLoadLevel(level.file)
end

-- A left click logs what of the world is under the pointer: handy when laying out a level.
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

function HitGround(height)
  local _, y = GetPosition("Quibbo", 1)
  local drop = (highest or y) - y
  airborne, highest = false, nil
  if drop > HARD_LANDING then
    LogText(string.format("Quibbo landed hard after a drop of %.1f", drop))
    send("Quibbo", now(), PARTICLES, "Dust")
    Play2DSound("Thud.wav", 230, 0)
  end
end

function OnGem(names)
  for _, name in ipairs(names) do
    if gems[name] then
      gems[name] = nil
      RemoveActor(name)  -- its twinkle stops with it
      found, score = found + 1, score + GEM_POINTS
      Play2DSound("Chime.wav", 220, 0)
      LogText("Quibbo found " .. name .. " (" .. found .. " of " .. total .. ")")
      hud()
      if found == level.need then
        notice(found < total and "The flag is open!\nMore gems, more points." or "All gems found!\nNow run to the flag.")
        send("Goal", now(), PARTICLES, "Sparkle")
      end
    end
  end
end

local caughtAt = -10000
function OnGuard(name)
  if finished or now() - caughtAt < 1000 then return end
  caughtAt = now()
  LogText("A guard caught Quibbo")
  Play2DSound("Bump.wav", 230, 0)
  SetPosition("Quibbo", start[1], start[2] + 4, start[3])
  lastFree = nil
  send("QuibboBody", now(), MATERIAL, "Flash/White", "", 0, 0, 0, 0.3)
end

local reminded = -10000
function OnGoal(name)
  if finished then return end
  if found < level.need then
    if now() - reminded > 3000 then
      reminded = now()
      notice("The flag opens when\n" .. level.need .. " gems are found.")
    end
    return
  end
  finished = true
  steer()
  local best = ReadReg(STORE, "Best_" .. level.name)
  local line = string.format("Time %.1f s", clock / 1000)
  if best < 0 or clock < best then
    WriteReg(STORE, "Best_" .. level.name, clock)
    line = line .. " - a new best!"
  else
    line = line .. string.format(" - best %.1f s", best / 1000)
  end
  LogText("Level " .. level.name .. " done: " .. line)
  notice(level.title .. " done!\n" .. line, 4000)
  send("Director", now() + 2500, SCRIPT, "Fade(0, 1)")
  send("Director", now() + 3600, SCRIPT, "coreLoadLevel('" .. level.next .. "')")
end

-- A guard walks its loop of (x, z) points over the ground in period ms, facing where it goes.
local function addGuard(index, loop)
  local name = "Guard" .. index
  CreateSpline(name)
  for _, p in ipairs(loop.points) do
    AddSplinePoint(name, p[1], groundAt(p[1], p[2]), p[2])
  end
  AddSplinePoint(name, loop.points[1][1], groundAt(loop.points[1][1], loop.points[1][2]), loop.points[1][2])
  local x, y, z = InterpolateSpline(name, 0)
  place(name, "Guard.mesh", "Guards", x, y, z, "Crate.mesh")
  guards[#guards + 1] = { name = name, period = loop.period }
end

local function moveGuards()
  for _, guard in ipairs(guards) do
    local t = math.fmod(clock, guard.period) / guard.period
    local x, y, z = InterpolateSpline(guard.name, t)
    local ax, _, az = InterpolateSpline(guard.name, math.fmod(t + 0.01, 1))
    SetPosition(guard.name, x, y, z)
    SetRotation(guard.name, 0, 1, 0, math.deg(math.atan2(ax - x, az - z)))
  end
end

-- Every step: the clock, the guards, the lift, a rising jump, and walls that push back.
function Tick()
  send("Director", now() + 20, SCRIPT, "Tick()")
  if paused or finished then return end
  clock = clock + 20
  if math.fmod(clock, 100) == 0 then hud() end
  moveGuards()
  if lift then
    SetPosition("Lift", InterpolateSpline("Lift", math.fmod(clock, lift.period) / lift.period))
  end
  local x, y, z = GetPosition("Quibbo", 1)
  if jump > 0 then
    -- The ground probe lowers him half a unit each step in the air; a jump lifts him more.
    if not airborne then airborne, highest = true, y end
    SetPosition("Quibbo", x, y + 0.5 + 0.05 * jump, z)
    jump = jump - 1
  elseif not airborne and lastY and y < lastY - 0.45 then
    airborne, highest = true, lastY  -- he walked off an edge
  end
  if airborne then highest = math.max(highest or y, y) end
  lastY = y
  if CollisionTest("Quibbo", "Walls") ~= "" then
    if lastFree then SetPosition("Quibbo", lastFree[1], y, lastFree[3]) end
  else
    lastFree = { x, y, z }
  end
end

-- The level's music: its tunes in turn, each start after the last one ends.
local track = 0
function NextTrack()
  track = math.fmod(track, #level.music) + 1
  PlayStream(level.music[track])
end
function StreamEnd()
  NextTrack()
end

-- layout: file, name, title, ground (mesh), sky, fog {r, g, b, near, far}, start {x, z},
-- goal {x, z}, need (gems that open the flag), gems {{x, z} or {x, z, y}, ...},
-- guards {{period = ms, points = {{x, z}, ...}}, ...},
-- trees (a ring of that many), music {tunes}, next (level file), and optionally
-- plateau {x, y, z} with lift {bottom = {x, y, z}, top = {x, y, z}, period = ms}, and a windmill
-- at mill {x, z}.
function StartLevel(layout)
  level = layout
  CreateSceneNode("", "LevelRoot")
  Fade(1, 1)
  SetSkyBox(layout.sky)
  SetFog(layout.fog[1], layout.fog[2], layout.fog[3], layout.fog[4], layout.fog[5])
  AddResourceLocation("LevelData", "../Resource/Meshes", "FileSystem")
  for _, space in ipairs({ "World", "Heroes", "Gems", "Guards", "Goal", "Walls" }) do
    CreateCollisionSpace(space, "")
  end
  AddActor("Director")
  place("Ground", layout.ground, "World", 0, 0, 0)
  if layout.plateau then
    local p = layout.plateau
    place("Plateau", "Plateau.mesh", "World", p[1], p[2], p[3])
    place("PlateauWall", nil, "Walls", p[1], p[2], p[3], "PlateauCore.mesh")
  end
  if layout.lift then
    place("Lift", "Platform.mesh", "World", layout.lift.bottom[1], layout.lift.bottom[2], layout.lift.bottom[3])
  end
  -- The rest needs the ground's geom, which the first step makes.
  send("Director", 0, SCRIPT, "SetUpLevel()")

  CreateNavi("PauseMenu", "pausemenu.html", GetWindowProperty("window_width"), GetWindowProperty("window_height"), 0, 0)
  AddElement("OVE_HUD")
  NextTrack()
end

function SetUpLevel()
  local layout = level
  -- The camera starts behind Quibbo (see _FollowCamera1 below); a tree there would fill the view.
  local cameraX, cameraZ = layout.start[1], layout.start[2] + CAMERA_BEHIND
  for i = 1, layout.trees do
    local angle = i / layout.trees * 2 * math.pi
    local radius = 52 + (i % 3) * 3
    local x, z = math.cos(angle) * radius, math.sin(angle) * radius
    if (x - cameraX) ^ 2 + (z - cameraZ) ^ 2 > 8 ^ 2 then
      CreateEntity("Tree" .. i, "Tree.mesh")
      CreateSceneNode("LevelRoot", "Tree" .. i)
      AttachObject("Tree" .. i, "Tree" .. i)
      SetPosition("Tree" .. i, x, groundAt(x, z) - 0.3, z)
      SetRotation("Tree" .. i, 0, 1, 0, i * 37)
    end
  end

  -- The windmill is a glTF model (tools/make_gltf.py): it shows, blocks and turns like a .mesh.
  if layout.mill then
    local mx, mz = layout.mill[1], layout.mill[2]
    place("Mill", "Windmill.glb", "Walls", mx, groundAt(mx, mz) - 0.2, mz)
    send("Mill", 0, ANIMATION, "Turn", "", 0, 0, 0, 1)
  end

  start = { layout.start[1], groundAt(layout.start[1], layout.start[2]), layout.start[2] }
  -- Quibbo is an invisible box the probe and the collisions know, carrying his turning body and the camera.
  place("Quibbo", nil, "Heroes", start[1], start[2] + 8, start[3], "Crate.mesh")
  AddActor("QuibboBody")
  send("QuibboBody", 0, ATTACH, "Quibbo")
  send("QuibboBody", 0, MESH, "Quibbo.mesh")
  send("QuibboBody", 0, ROTATION, "", "", 0, 1, 0, 180)  -- looking into the level
  send("Quibbo", 0, SCRIPT, "CreateSceneNode('Quibbo', '_FollowCamera1') SetPosition('_FollowCamera1', 0, 7, " .. CAMERA_BEHIND .. ")" ..
                            " CreateSceneNode('Quibbo', 'look_at_node') SetPosition('look_at_node', 0, 1.5, 0)")

  for i, g in ipairs(layout.gems) do
    local name = "Gem" .. i
    local y = g[3] or groundAt(g[1], g[2])
    place(name, "Gem.mesh", "Gems", g[1], y, g[2], "Crate.mesh")
    send(name, 0, SPIN, "", "", 0, 1, 0, 90)
    send(name, 0, SOUND, "Twinkle.wav", "Loop", 0, 0, 0, 150)
    gems[name] = true
    total = total + 1
  end

  for i, loop in ipairs(layout.guards) do addGuard(i, loop) end

  if layout.lift then
    lift = layout.lift
    CreateSpline("Lift")
    for _, p in ipairs({ lift.bottom, lift.bottom, lift.top, lift.top, lift.bottom }) do
      AddSplinePoint("Lift", p[1], p[2], p[3])
    end
  end

  local gx, gz = layout.goal[1], layout.goal[2]
  place("Goal", "Flag.mesh", "Goal", gx, groundAt(gx, gz), gz, "Crate.mesh")
  send("Goal", 0, ANIMATION, "Wave", "", 0, 0, 0, 1)

  RegisterCollisionCallback("Quibbo", "Gems", "OnGem", 1)
  RegisterCollisionCallback("Quibbo", "Guards", "OnGuard")
  RegisterCollisionCallback("Quibbo", "Goal", "OnGoal")
  hud()
  notice(layout.title .. "\nFind " .. layout.need .. " of the " .. total .. " gems, then the flag.", 3500)
  send("Director", 0, SCRIPT, "Tick()")
  LogText("Level " .. layout.name .. " ready")
end
