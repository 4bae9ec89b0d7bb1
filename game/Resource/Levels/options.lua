-- The player's options: effect and music volume and full screen. They are kept in the player's
-- own store and in setup.lua, which the engine reads at every start; a game folder that cannot be
-- written keeps the volumes in the store alone. Not a level: menu.lua loads it with dofile.

STORE = "Software\\TarnelQuibbo"
local SETUP = "../Resource/setup.lua"
-- The engine's keys in the order it reads them; others a maker added follow, sorted.
local ORDER = { "sleeptime", "window_width", "window_height", "fullscreen", "rendersystem", "shadows",
                "shadowdistance", "fsaa", "musicdir", "music", "soundvolume", "musicvolume",
                "startlevel", "resourcedir" }

local function readSetup()
  local chunk = loadfile(SETUP)
  local values = {}
  if chunk then
    setfenv(chunk, values)
    pcall(chunk)
  end
  return type(values.setup) == "table" and values.setup or {}
end

local function writeSetup(setup)
  local lines = { "-- Game configuration, read once at every start. The engine rewrites this file with",
                  "-- setup_lowres.lua or setup_lowres_nofsaa.lua when the window cannot be created as asked;",
                  "-- the options menu rewrites it with the player's choices.", "setup = {" }
  local keys, known = {}, {}
  for _, key in ipairs(ORDER) do known[key] = true keys[#keys + 1] = key end
  local extra = {}
  for key in pairs(setup) do
    if type(key) == "string" and not known[key] then extra[#extra + 1] = key end
  end
  table.sort(extra)
  for _, key in ipairs(extra) do keys[#keys + 1] = key end
  for _, key in ipairs(keys) do
    local value = setup[key]
    if type(value) == "number" then
      lines[#lines + 1] = string.format("  %s = %.14g,", key, value)
    elseif type(value) == "string" then
      lines[#lines + 1] = string.format("  %s = %q,", key, value)
    end
  end
  lines[#lines + 1] = "}"
  local file, why = io.open(SETUP, "w")
  if not file then
    LogText("Options: setup.lua cannot be written (" .. tostring(why) .. "); the volumes are kept for this player only")
    return false
  end
  file:write(table.concat(lines, "\n") .. "\n")
  file:close()
  return true
end

-- Volumes as the engine counts them (setup.lua's 0 to 5 times 51), the window as 0 or 1.
local function clampPercent(value)
  value = tonumber(value) or 0
  if value ~= value then return 0 end
  return math.max(0, math.min(100, math.floor(value + 0.5)))
end

-- The options in percent: the player's store first, then setup.lua.
function LoadOptions()
  local setup = readSetup()
  local options = { effects = clampPercent((tonumber(setup.soundvolume) or 4) * 20),
                    music = clampPercent((tonumber(setup.musicvolume) or 3) * 20),
                    fullscreen = tonumber(setup.fullscreen) == 1 and 1 or 0 }
  local effects, music = ReadReg(STORE, "EffectsVolume"), ReadReg(STORE, "MusicVolume")
  if effects ~= -9999 then options.effects = clampPercent(effects) end
  if music ~= -9999 then options.music = clampPercent(music) end
  return options
end

-- Sets the engine's volumes; a sound already playing keeps its own until it starts again.
function ApplyVolumes(options)
  SetMasterVolume(math.floor(options.effects * 2.55), math.floor(options.music * 2.55))
end

-- Stores the options; returns whether the window setting changed (it takes a restart).
function StoreOptions(options)
  WriteReg(STORE, "EffectsVolume", options.effects)
  WriteReg(STORE, "MusicVolume", options.music)
  local setup = readSetup()
  local restart = (tonumber(setup.fullscreen) == 1 and 1 or 0) ~= options.fullscreen
  setup.soundvolume = options.effects / 20
  setup.musicvolume = options.music / 20
  setup.fullscreen = options.fullscreen
  if not writeSetup(setup) then return false end
  LogText(string.format("Options saved: effects %d%%, music %d%%, full screen %d",
                        options.effects, options.music, options.fullscreen))
  return restart
end

function OptionsFrom(effects, music, fullscreen)
  return { effects = clampPercent(effects), music = clampPercent(music), fullscreen = fullscreen == 1 and 1 or 0 }
end
