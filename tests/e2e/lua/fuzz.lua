-- Script library fuzzer: calls the 73 functions with random argument counts and values, from the
-- level script, from every event the engine sends (keys, mouse, HitGround, StreamEnd, web page
-- Callback, collision callbacks, Script messages) and from coroutines, with level loads and
-- restarts in between. The table fuzz in setup.lua gives the seed and the number of calls; the
-- generator's state lives in a file of the working directory, so loads and restarts go on with it.

dofile("../Resource/Levels/check.lua")
local STATE_FILE = "fuzz_state.txt"
local total = tonumber(GetStringValue("setup", "fuzz", "calls")) or 1000
local verbose = GetFloatValue("setup", "fuzz", "verbose") ~= 0

-- The events met so far are counted too, so a run shows which ones it reached.
local state = loadfile(STATE_FILE)
state = state and state() or { seed = (tonumber(GetStringValue("setup", "fuzz", "seed")) or 1) % 2147483646 + 1,
                               done = 0, loads = 0, restarts = 0, events = {} }

local function eventList(separator)
  local seen = {}
  for kind, n in pairs(state.events) do seen[#seen + 1] = kind .. "=" .. n end
  table.sort(seen)
  return table.concat(seen, separator)
end

local function save()
  local f = io.open(STATE_FILE, "w")
  f:write(string.format("return { seed = %d, done = %d, loads = %d, restarts = %d, events = { %s } }\n",
                        state.seed, state.done, state.loads, state.restarts, eventList(", ")))
  f:close()
end

-- Park-Miller: exact in doubles, the same sequence everywhere.
local function rand(n)
  state.seed = (state.seed * 48271) % 2147483647
  return state.seed % n + 1
end
local function pick(list) return list[rand(#list)] end

local functions = {}
for name in string.gmatch([[
ShowText LogText GetTick GetSimulationTime coreLoadLevel CreateEntity CreateSceneNode AttachObject SetSkyBox
SetBackground SetFog AddCompositor AddResourceLocation SaveScreenshot ShutDown StartWebBrowser GetUrl
GetHash FastForward GetVersion GetFps GetBatchCount LeaveEditMode GetMousePosition GetRandomHash Fade
WriteReg ReadReg GetWindowProperty CreateCollisionSpace RayTest CollisionTest RegisterCollisionCallback
SetCameraDampening GetCameraRay SetPosition GetPosition SetRotation GetParent AddActor AddActorMessage
RemoveActor CreatePanel DestroyPanel AddElement RemoveElement SetElementCaption SetElementMaterial
PlayStream UnloadStream Play2DSound StopAllSounds StopSound SetMasterVolume CreateSpline AddSplinePoint
InterpolateSpline GetFloatValue GetStringValue ExecuteCmd GlobalCmd CreateNavi RemoveNavi HideNavi ShowNavi
SetTransparent SetMovable ExecuteNavi ZoomInNavi ZoomOutNavi ResetNavis RefreshNavi HasKeyboardFocus]], "%w+") do
  functions[#functions + 1] = name
end

local huge = string.rep("q", 1024 * 1024)
local binary = "a\0b\255\0\n'\"]]\\"
local known = {
  "LevelRoot", "_Hidden", "_FollowCamera1", "look_at_node", "_CameraNode", "Quibbo", "Ground", "World",
  "Props", "FuzzA", "FuzzB", "Crate.mesh", "Hills.mesh", "Flag.mesh", "Floor.mesh", "Flag.skeleton",
  "Windmill.glb", "Turn", "Windmill.glb/Sail", "FuzzModel1.glb", "FuzzModel2.gltf", "FuzzModel3.obj",
  "Hero/Blue", "Flash/White", "Intro/SkyBox", "Crate/Sides", "Sparkle", "Effects/BlackAndWhite",
  "Core/StatPanel", "Core/DebugOverlay", "OVE_Pause", "TPL_Fuzz", "Panel_1", "Panel_2", "camera",
  "window_width", "window_height", "lua", "setup", "Lua", "fuzz", "calls", "seed", "startlevel",
  "fuzzpage.html", "FuzzPage", "Tone.wav", "Short.wav", "LevelData", "General", "FileSystem", "Zip",
  "../Resource/Meshes", "../Resource/Levels/check.lua", "fuzz_shot.png", "nofolder/shot.png", "SetLocal",
  "SetGlobal", "Rotation", "FuzzBurst", "LogText('from a statement')", "error('fuzz error')",
  "FuzzBurst(2)", "\27Lua", "x = ", "coreLoadLevel('fuzz.lua')", "KeyPressed(1, '2')", "HitGround(3)",
  "Callback('x')", "StreamEnd()", "FuzzScript()", "FuzzCollide('a')", "12", "-7.5", "1e400", "nan", "0x10", " 3 ",
  "Software\\Fuzz", "Fuzz", "document.title='x'", "http://127.0.0.1:9/nothing"}
local made, removed = {}, {}
local isKnown = {}
for _, name in ipairs(known) do isKnown[name] = true end

-- Only new names: a known one (the event page, the hero) would come up far more often.
local function remember(list, name)
  if type(name) == "string" and #name < 64 and not isKnown[name] then
    list[#list + 1] = name
    if #list > 64 then table.remove(list, 1) end
  end
end

local function text()
  local r = rand(12)
  if r <= 5 then return pick(known) end
  if r <= 7 and #made > 0 then return pick(made) end
  if r == 8 and #removed > 0 then return pick(removed) end
  if r == 9 then return "f" .. rand(40) end
  if r == 10 then return "" end
  if r == 11 then return binary end
  return rand(40) == 1 and huge or string.rep("z", rand(300))
end

local numbers = { 0, -0.0, 1, -1, 2, 7, 0.5, -0.5, 20, 1000, 65535, 65536, 2147483647, 2147483648,
  -2147483648, -2147483649, 4294967295, 4294967296, 2^53, -2^63, 1e308, -1e308, 1e-310, 0/0, 1/0, -1/0 }
local someFunction = function() return 1 end

local function value()
  local r = rand(20)
  if r <= 7 then return text() end
  if r <= 13 then return pick(numbers) end
  if r <= 15 then return rand(200) - 100 end
  if r == 16 then return nil end
  if r == 17 then return rand(2) == 1 end
  if r == 18 then return rand(2) == 1 and {} or { 1, "a", x = {} } end
  if r == 19 then return rand(2) == 1 and someFunction or print end
  return coroutine.create(someFunction)
end

local depth = 0
local restartWanted = false

local function load(bounceOdds)
  state.loads = state.loads + 1
  coreLoadLevel(rand(bounceOdds) == 1 and "fuzz_bounce.lua" or "fuzz.lua")
end

local function restart()
  state.restarts = state.restarts + 1
  restartWanted = true
  ShutDown(1)
end

-- One random call. The calls that end or replace this level are steered so the run goes on:
-- a random ShutDown is followed by a restart, a random level name by this level (or its bounce).
local function call()
  if state.done >= total then return end
  state.done = state.done + 1
  local name = pick(functions)
  -- Restarts, loads and panel resets are kept rare: each wipes what the events come from. New
  -- web panels too: each is one more page for the one browser to load beside the event page.
  local rarity = ({ ShutDown = 300, coreLoadLevel = 150, ResetNavis = 200, CreateNavi = 10 })[name]
  if rarity and rand(rarity) > 1 then name = "GetVersion" end
  local count = rand(13) - 1
  local args = {}
  for i = 1, count do args[i] = value() end
  if verbose then
    local shown = {}
    for i = 1, count do
      shown[i] = type(args[i]) == "string" and string.format("%q", args[i]:sub(1, 40)) or tostring(args[i])
    end
    LogText("FUZZ " .. state.done .. " " .. name .. "(" .. table.concat(shown, ", ") .. ")")
  end
  local function run() return _G[name](unpack(args, 1, count)) end
  local before = GetTick()
  local results
  if rand(10) == 1 then results = { select(2, coroutine.resume(coroutine.create(run))) }
  else results = { run() } end
  if name == "CreatePanel" then remember(made, results[1]) end
  if string.find(name, "^Create") or name == "AddActor" or name == "AddResourceLocation" then
    remember(made, args[1]); remember(made, args[2])
  end
  if string.find(name, "^Remove") or name == "DestroyPanel" then remember(removed, args[1]) end
  -- A clock moved back would stop the steps that drive the fuzzer, and one far ahead leaves one
  -- frame a second while the world catches up: both are taken back.
  if name == "FastForward" then
    local moved = (GetTick() - before) % 2^32  -- the clock wraps at 32 bits
    if moved >= 2^31 then FastForward(2^32 - moved) elseif moved > 2000 then FastForward(-moved) end
  end
  if name == "ShutDown" then restart() save() end
  if name == "coreLoadLevel" then load(3) save() end
end

function FuzzBurst(n)
  if depth > 3 then return end
  depth = depth + 1
  for i = 1, tonumber(n) or 1 do call() end
  depth = depth - 1
end

-- The world the events come from: ground and hero for HitGround, two crates that always touch
-- for the collision callback, and FuzzTick, which a Script message brings back every step.
AddResourceLocation("LevelData", "../Resource/Meshes", "FileSystem")
CreateCollisionSpace("World", "")
CreateCollisionSpace("Props", "")
local function place(name, mesh, space, x, y, z)  -- messages: attach, position, collision, mesh
  AddActor(name)
  AddActorMessage(name, 0, 0, "LevelRoot", "", 0, 0, 0, 0)
  AddActorMessage(name, 0, 1, "SetLocal", "", x, y, z, 0)
  AddActorMessage(name, 0, 4, mesh, space, 0, 0, 0, 0)
  AddActorMessage(name, 0, 3, mesh, "", 0, 0, 0, 0)
end
place("Ground", "Hills.mesh", "World", 0, 0, 0)
place("Quibbo", "Crate.mesh", "Props", 0, 12, 0)
place("FuzzA", "Crate.mesh", "Props", 30, 0, 30)
place("FuzzB", "Crate.mesh", "Props", 30, 0.5, 30)
-- Each load shows one of the models the test damaged at random (most are refused), and collides with it.
local models = {}
for i = 1, 12 do models[i] = "FuzzModel" .. i .. ({ ".glb", ".gltf", ".obj" })[i % 3 + 1] end
place("FuzzModel", pick(models), "Props", -30, 0, -30)
RegisterCollisionCallback("FuzzA", "FuzzB", "FuzzCollide", rand(2) - 1)
at(0, "FuzzTick()")
PlayStream("Short.wav")
CreateNavi("FuzzPage", "fuzzpage.html", 200, 100, 10, 10)

function FuzzTick()
  if state.done >= total then
    if not restartWanted then
      LogText("FUZZ done " .. state.done .. " calls, " .. state.loads .. " loads, " .. state.restarts ..
              " restarts, rss " .. rss() .. " kB; events " .. eventList(" "))
      os.remove(STATE_FILE)
      ShutDown(0)
    end
    return
  end
  at(GetSimulationTime() + 20, "FuzzTick()")
  -- A few ms of calls a step, by the wall clock: a step that takes longer than its 20 ms leaves
  -- the frames behind, and the web page's events with them.
  local start = GetTick()
  repeat
    FuzzBurst(1)
  until (GetTick() - start) % 2^32 >= 3 or state.done >= total
  if rand(10) == 1 then  -- Quibbo jumps, to land with a HitGround
    local x, y, z = GetPosition("Quibbo", 1)
    SetPosition("Quibbo", x, y + 5, z)
  end
  if rand(20) == 1 then CreateNavi("FuzzPage", "fuzzpage.html", 200, 100, 10, 10) end
  if rand(20) == 1 then PlayStream("Short.wav") end
  if rand(50) == 1 then AddActorMessage("FuzzModel", GetSimulationTime(), rand(2) + 2, pick(models), "Props", 0, 0, 0, 0) end
  if rand(10) == 1 then
    AddActorMessage(pick({ "Quibbo", "FuzzA", "Ground" }), GetSimulationTime() + rand(200), 7, "FuzzScript()", "", 0, 0, 0, 0)
  end
  -- Every run, however short, loads a level at half of its calls and restarts at three quarters.
  if rand(1500) == 1 or (state.loads == 0 and state.done >= total / 2) then
    load(4)
  elseif rand(10000) == 1 or (state.restarts == 0 and state.done >= total * 3 / 4) then
    restart()
  end
  save()
end

local function on(kind, n)
  return function() state.events[kind] = (state.events[kind] or 0) + 1; FuzzBurst(n) end
end
KeyPressed, KeyReleased, EscPressed, Screenshot = on("key", 3), on("key", 1), on("esc", 2), on("screenshot", 1)
MousePressed, MouseReleased, HitGround = on("mouse", 3), on("mouse", 1), on("hit", 3)
FuzzCallback, FuzzCollide, FuzzScript = on("callback", 3), on("collide", 1), on("script", 2)
local streamEnd = on("stream", 3)
function StreamEnd() streamEnd(); PlayStream("Short.wav") end

LogText("FUZZ level at call " .. state.done .. ", rss " .. rss() .. " kB")
save()
FuzzBurst(20)
