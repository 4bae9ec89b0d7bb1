-- The main menu: an HTML page over the dusk background, to the theme. Play starts the valley's
-- intro and then the meadow, Options sets the volumes and the window, Quit ends the game.
dofile("../Resource/Levels/options.lua")

CreateSceneNode("", "LevelRoot")
SetBackground("Menu/Background")
Fade(1, 1)
AddActor("Director")

local options = LoadOptions()
ApplyVolumes(options)
LogText(string.format("Volumes: effects %d%%, music %d%%", options.effects, options.music))
PlayStream("Theme.wav")
function StreamEnd() PlayStream("Theme.wav") end

local width, height = GetWindowProperty("window_width"), GetWindowProperty("window_height")
CreateNavi("MainMenu", "mainmenu.html", width, height, 0, 0)
CreateNavi("Options", "options.html", width, height, 0, 0)
ShowNavi("MainMenu", 1)

-- The best times so far, from the player's store.
local best = {}
for _, level in ipairs({ { "meadow", "The meadow" }, { "ridge", "The ridge" } }) do
  local ms = ReadReg(STORE, "Best_" .. level[1])
  if ms > 0 then best[#best + 1] = string.format("%s: %.1f s", level[2], ms / 1000) end
end
if #best > 0 then
  ExecuteNavi("MainMenu", "showBest('Best times\\n" .. table.concat(best, "\\n") .. "')")
end

local leaving = false
function Play()
  if leaving then return end
  leaving = true
  HideNavi("MainMenu", 1)
  Fade(0, 1)
  AddActorMessage("Director", GetSimulationTime() + 1100, 7, "coreLoadLevel('intro.lua')", "", 0, 0, 0, 0)
end

function ShowOptions()
  if leaving then return end
  options = LoadOptions()
  ExecuteNavi("Options", string.format("setOptions(%d, %d, %d)", options.effects, options.music, options.fullscreen))
  HideNavi("MainMenu", 1)
  ShowNavi("Options", 1)
end

-- A slider let go: the new volumes at once, the music starting again to carry its own.
function PreviewOptions(effects, music, fullscreen)
  local preview = OptionsFrom(effects, music, fullscreen)
  ApplyVolumes(preview)
  Play2DSound("Chime.wav", 220, 0)
  if preview.music ~= options.music then PlayStream("Theme.wav") end
  options.music = preview.music
end

function SaveOptions(effects, music, fullscreen)
  options = OptionsFrom(effects, music, fullscreen)
  ApplyVolumes(options)
  if StoreOptions(options) then
    ShutDown(1)  -- the window is made at start
    return
  end
  CloseOptions(true)
end

function CloseOptions(saved)
  if leaving then return end
  if not saved then
    local heard = options.music
    options = LoadOptions()
    ApplyVolumes(options)
    if heard ~= options.music then PlayStream("Theme.wav") end
  end
  HideNavi("Options", 1)
  ShowNavi("MainMenu", 1)
end

-- Keys do nothing here; Escape leaves the options.
function KeyPressed(code, text) end
function KeyReleased(code, text) end
function EscPressed() CloseOptions() end
function Screenshot() SaveScreenshot("Screenshot.png") end
function MousePressed(x, y, button) end
function MouseReleased(x, y, button) end
