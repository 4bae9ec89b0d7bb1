-- Title: the game's name over the dusk background while the theme starts, then the main menu.
-- It is the start level, which runs before the web panels exist: the menu is the next level.
-- The background stays behind every later level; their sky boxes cover it.

CreateSceneNode("", "LevelRoot")
SetBackground("Menu/Background")
CreatePanel("Tarnel Quibbo\nA walk in the valley", 290, 200)
PlayStream("Theme.wav")
function StreamEnd() end

AddActor("Director")
AddActorMessage("Director", 2000, 7, "Fade(0, 1)", "", 0, 0, 0, 0)
AddActorMessage("Director", 3000, 7, "coreLoadLevel('menu.lua')", "", 0, 0, 0, 0)

-- Any key goes on at once; the mouse does nothing here.
function KeyPressed(code, text) coreLoadLevel("menu.lua") end
function KeyReleased(code, text) end
function EscPressed() end
function Screenshot() end
function MousePressed(x, y, button) end
function MouseReleased(x, y, button) end
