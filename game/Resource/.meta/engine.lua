---@meta
-- The engine's functions and the events it sends, for the Lua language server (LuaLS).
-- game/Resource/.luarc.json points the server here; nothing in the game loads this file.
-- docs/game-maker-guide.md says more about each one, with examples.
-- Arguments are never checked: a missing string reads as "", a missing number as 0, and no
-- function raises a Lua error; failures are log lines.

---@alias VmName
---| "lua"   # the level's Lua state
---| "setup" # the Lua state that ran setup.lua

---@alias ActorMessageType
---| 0  # Attach: text1 node to hang below, text2 "Keep"/"" keeps the world place
---| 1  # Position: text1 "SetLocal", "MoveLocal", "MoveParent", "MoveWorld", other: world position; x, y, z
---| 2  # Rotation: text1 "SetLocal", "SetParent", "AddLocal", "AddParent", "AddWorld"; axis x, y, z; value degrees
---| 3  # Mesh: text1 mesh or "" to remove; text2 starting with "1": face the velocity
---| 4  # Collision: text1 mesh for the geom or ""; text2 collision space
---| 5  # Velocity: text1 "AddLocal", "AddParent", other: world; x, y, z units per second
---| 6  # Spin: text1 as Velocity; axis x, y, z; value degrees per second
---| 7  # Script: text1 a Lua statement
---| 8  # Material: text1 material or "CastNoShadow"; text2 sub-entity index or ""; value seconds, 0 for good
---| 9  # Sound: text1 sound file or "" to stop; text2 "Loop"; value volume 0 to 256
---| 10 # Particles: text1 template, "FadeOut" or ""
---| 11 # Animation: text1 animation or ""; value speed

-- Core and scene

---Puts the text on the debug line of the frame statistics.
---@param text string
function ShowText(text) end

---Writes one line to the log.
---@param text string
function LogText(text) end

---The game clock in ms since the current level started to load.
---@return integer ms
function GetTick() end

---The simulation time in ms: 0 at the level's load, 20 more each step.
---@return integer ms
function GetSimulationTime() end

---Loads the level resourcedir .. level at the end of this frame; the last call of a frame wins.
---@param level string file name, extension included, e.g. "world.lua"
function coreLoadLevel(level) end

---Makes an entity of a mesh, attached to no node.
---@param name string
---@param mesh string e.g. "Tower.mesh"
function CreateEntity(name, mesh) end

---Makes a scene node at its parent's origin.
---@param parent string "" for the root of the scene
---@param name string
function CreateSceneNode(parent, name) end

---Hangs an entity on a scene node.
---@param node string
---@param entity string
function AttachObject(node, entity) end

---A sky box of the material, 500 units away.
---@param material string
function SetSkyBox(material) end

---Fills the screen behind the scene with a material until another is set.
---@param material string
function SetBackground(material) end

---Linear fog from near to far units from the camera.
---@param red number 0 to 1
---@param green number 0 to 1
---@param blue number 0 to 1
---@param near integer
---@param far integer
function SetFog(red, green, blue, near, far) end

---One full-screen compositor, replacing the one before; "" removes it.
---@param name string
function AddCompositor(name) end

---Adds a folder or zip file to a resource group and loads the group; collision meshes come from "LevelData".
---@param group string
---@param location string e.g. "../Resource/Meshes"
---@param locationType "FileSystem"|"Zip"
function AddResourceLocation(group, location, locationType) end

---Writes the window's picture to a file (relative to Bin/); the extension picks the format.
---@param file string
function SaveScreenshot(file) end

---Ends the game after this frame; with a flag other than 0 it starts again.
---@param restart? number
function ShutDown(restart) end

---Opens an address or a file with the desktop's own program.
---@param target string
function StartWebBrowser(target) end

---Downloads the maker's web address with path appended; to a file when file is not "".
---@param path string
---@param file string
---@return string text the text, "OK", or an error text starting with "ERROR - "
function GetUrl(path, file) end

---SHA-256 of the first length bytes of text.
---@param text string
---@param length integer
---@return string hex 64 lower-case hex digits
function GetHash(text, length) end

---Moves the game clock forward (back when negative); the simulation catches up.
---@param ms integer
function FastForward(ms) end

---@return string version "Version: 0.34"
function GetVersion() end

---@return number fps the frame rate of the last frame
function GetFps() end

---@return number batches the batches the last frame drew
function GetBatchCount() end

---Ends the edit camera if it is on top (this build has no way into it).
function LeaveEditMode() end

---The pointer's last position in window pixels, and whether a web panel is under it.
---@return integer x
---@return integer y
---@return number panel 0 when no web panel is under the pointer
function GetMousePosition() end

---@return string hex a fresh random-looking 64-digit token
function GetRandomHash() end

---Fades the picture from (fadeIn 1) or to (fadeIn 0) black; duration in units of 20 frames.
---@param fadeIn number
---@param duration number
function Fade(fadeIn, duration) end

---Keeps a whole number for the player across runs.
---@param key string
---@param name string
---@param value integer
function WriteReg(key, name, value) end

---@param key string
---@param name string
---@return integer value what WriteReg kept, or -9999
function ReadReg(key, name) end

---@param name "window_width"|"window_height"
---@return number pixels -1 for any other name
function GetWindowProperty(name) end

-- Actors, collision, splines, scene nodes, camera

---@param name string
---@param parent string "" for a top-level space
function CreateCollisionSpace(name, parent) end

---The nearest hit of a ray in a collision space.
---@param space string
---@param x number
---@param y number
---@param z number
---@param dx number
---@param dy number
---@param dz number
---@param length number
---@return number x
---@return number y
---@return number z
---@return string node "" when nothing is hit
function RayTest(space, x, y, z, dx, dy, dz, length) end

---Whether two spaces or actors' geoms touch.
---@param first string
---@param second string
---@return string node a touching scene node, "" when nothing touches
function CollisionTest(first, second) end

---Each step while first and second touch, runs functionName('node') or, with asTable, functionName({'a', 'b'}).
---@param first string
---@param second string
---@param functionName string
---@param asTable? number
function RegisterCollisionCallback(first, second, functionName, asTable) end

---How softly the camera glides after _FollowCamera1 (0.5 at start).
---@param dampening number
function SetCameraDampening(dampening) end

---The ray from the camera through a window pixel.
---@param x number
---@param y number
---@return number ox
---@return number oy
---@return number oz
---@return number dx
---@return number dy
---@return number dz
function GetCameraRay(x, y) end

---Places a scene node relative to its parent.
---@param node string
---@param x number
---@param y number
---@param z number
function SetPosition(node, x, y, z) end

---A scene node's world position, or relative to its parent with localFlag 1; "camera" is the camera.
---@param node string
---@param localFlag? integer
---@return number x
---@return number y
---@return number z
function GetPosition(node, localFlag) end

---Turns a scene node to an angle about an axis, forgetting earlier turns.
---@param node string
---@param ax number
---@param ay number
---@param az number
---@param degrees number
function SetRotation(node, ax, ay, az, degrees) end

---@param node string
---@return string parent "" for a node without one
function GetParent(node) end

---@param name string
function AddActor(name) end

---Queues a message for an actor, due at a simulation time.
---@param actor string
---@param time integer simulation ms
---@param type ActorMessageType
---@param text1 string
---@param text2 string
---@param x number
---@param y number
---@param z number
---@param value number
function AddActorMessage(actor, time, type, text1, text2, x, y, z, value) end

---Removes an actor with its node, entity, geom and sound.
---@param name string
function RemoveActor(name) end

---@param name string
function CreateSpline(name) end

---@param spline string
---@param x number
---@param y number
---@param z number
function AddSplinePoint(spline, x, y, z) end

---@param spline string
---@param t number 0 to 1
---@return number x
---@return number y
---@return number z
function InterpolateSpline(spline, t) end

-- Overlay panels, sound, web panels

---A text box at (x, y) of an 800 x 600 screen; a text starting with "TPL" copies that template at (x, y) from 0 to 1.
---@param text string
---@param x number
---@param y number
---@return string panel its name, for DestroyPanel
function CreatePanel(text, x, y) end

---@param panel string
function DestroyPanel(panel) end

---Shows an "OVE" overlay or a top-level overlay element.
---@param name string
function AddElement(name) end

---@param name string
function RemoveElement(name) end

---@param element string
---@param caption string UTF-8
function SetElementCaption(element, caption) end

---@param element string
---@param material string
function SetElementMaterial(element, material) end

---Plays the music stream (file in musicdir); StreamEnd() follows its end.
---@param file string
function PlayStream(file) end

function UnloadStream() end

---Plays an effect (file in musicdir).
---@param file string
---@param volume integer 0 to 256
---@param loop? number
---@return integer handle for StopSound, 0 on failure
function Play2DSound(file, volume, loop) end

function StopAllSounds() end

---@param handle integer
function StopSound(handle) end

---@param effects integer 0 to 255
---@param music integer 0 to 255
function SetMasterVolume(effects, music) end

---A number field of a global table in a Lua state.
---@param vm VmName
---@param table string
---@param key string
---@return number value 0 when there is none
function GetFloatValue(vm, table, key) end

---@param vm VmName
---@param table string
---@param key string
---@return string value "" when there is none
function GetStringValue(vm, table, key) end

---Runs a statement in a Lua state.
---@param vm VmName
---@param statement string
function ExecuteCmd(vm, statement) end

---Stores a text that survives level loads and returns the one stored before.
---@param text string
---@return string previous
function GlobalCmd(text) end

---Makes a hidden web panel of a page in Resource/GUI or at an address starting with "http".
---@param name string
---@param page string
---@param width integer
---@param height integer
---@param left integer
---@param top integer
function CreateNavi(name, page, width, height, left, top) end

---@param name string
function RemoveNavi(name) end

---@param name string
---@param fade integer 1 fades over half a second
function HideNavi(name, fade) end

---@param name string
---@param fade integer 1 fades over half a second
function ShowNavi(name, fade) end

---@param name string
---@param transparent integer
function SetTransparent(name, transparent) end

---@param name string
---@param movable integer
function SetMovable(name, movable) end

---@param name string
---@param javascript string
function ExecuteNavi(name, javascript) end

---@param name string
function ZoomInNavi(name) end

---@param name string
function ZoomOutNavi(name) end

---Destroys every web panel.
function ResetNavis() end

---@param name string
function RefreshNavi(name) end

---@return integer|nil focus 1 while a web panel has the keyboard focus; nil before the panels exist
function HasKeyboardFocus() end

-- Events: the functions the engine calls in your level. Define those your level gets.

---A key went down.
---@param code integer the key code (A 30, Escape 1, space 57, F1 59)
---@param text string the typed character's code as a number, "0" for none
function KeyPressed(code, text) end

---A key came up; text is what its press typed.
---@param code integer
---@param text string
function KeyReleased(code, text) end

---Escape went down (before its KeyPressed).
function EscPressed() end

---Print Screen went down (before its KeyPressed).
function Screenshot() end

---A mouse button went down, not over a web panel.
---@param x integer window pixels
---@param y integer
---@param button integer 0 left, 1 right, 2 middle
function MousePressed(x, y, button) end

---A mouse button came up, not over a web panel.
---@param x integer
---@param y integer
---@param button integer
function MouseReleased(x, y, button) end

---The hero Quibbo landed after a fall of more than 0.4 units.
---@param height number
function HitGround(height) end

---The music stream played to its end.
function StreamEnd() end

---Gets every script error message; the engine's own logs "Scripting error" and shows it.
---@param message string
function _ALERT(message) end
