// Input and the game states inside GameApp: the OIS devices of the render window, the mouse's way
// through the web panels to the scripts, and the state stack with PlayState on top. The start
// level is loaded before any of this exists.
#include "app/GameApp.h"

#include "gui/GameGui.h"
#include "input/InputHandler.h"
#include "input/MouseRouter.h"
#include "input/WebPanelInput.h"
#include "script/ScriptHost.h"
#include "sound/Sound.h"
#include "states/EditState.h"
#include "states/PlayState.h"

#include <Ogre.h>

namespace {
const char clickSound[] = "Tarnel_Quibbo_Sound02_Click01.wav";
const int clickVolume = 200;

// The web panels as the mouse sees them.
class NaviPanels final : public WebPanelInput {
public:
  explicit NaviPanels(GameGui& gui) : gui(gui) {}
  uint64_t getTopNavi(int x, int y) override { return gui.getTopNavi(x, y); }
  void injectMouseWheel(int relativeZ) override { gui.injectMouseWheel(relativeZ); }
  void injectMouseMove(int x, int y) override { gui.injectMouseMove(x, y); }
  void injectMouseDown(int button) override { gui.injectMouseDown(button); }
  void injectMouseUp(int button) override { gui.injectMouseUp(button); }

private:
  GameGui& gui;
};

}  // namespace

void GameApp::createInput() {
  webPanels = std::make_unique<NaviPanels>(*Gui);
  MouseTargets targets;
  targets.panels = webPanels.get();
  targets.runStatement = [this](const std::string& statement) { runScript(statement); };
  targets.playClick = [this] {
    if (sound)
      sound->playSample(context.musicDir + clickSound, clickVolume, false, false);
  };
  targets.stateMouseMoved = [this](const OIS::MouseEvent& event) {
    if (GameState* top = states.top())
      top->mouseMoved(event);
  };
  mouse = std::make_unique<MouseRouter>(std::move(targets));
  context.mousePosition = [this] { return ScriptContext::MousePosition{mouse->x(), mouse->y(), mouse->panel()}; };

  InputTargets input;
  input.mouseMoved = [this](const OIS::MouseEvent& event) { mouse->mouseMoved(event); };
  input.mousePressed = [this](const OIS::MouseEvent& event, OIS::MouseButtonID button) {
    mouse->mousePressed(event, button);
  };
  input.mouseReleased = [this](const OIS::MouseEvent& event, OIS::MouseButtonID button) {
    mouse->mouseReleased(event, button);
  };
  input.keyPressed = [this](const OIS::KeyEvent& event) {
    if (GameState* top = states.top())
      top->keyPressed(event);
  };
  input.keyReleased = [this](const OIS::KeyEvent& event) {
    if (GameState* top = states.top())
      top->keyReleased(event);
  };
  handler = InputHandler::create(windowDisplay, windowHandle, std::move(input));
  // Once: a later resize leaves the area as it was.
  if (handler)
    handler->setMouseArea(static_cast<int>(renderWindow->getWidth()), static_cast<int>(renderWindow->getHeight()));
}

void GameApp::initStates() {
  StateContext shared;
  shared.camera = camera.get();
  shared.scene = sceneManager;
  shared.runStatement = [this](const std::string& statement) { runScript(statement); };
  shared.showText = [this](const std::string& text) { showText(text); };
  shared.isKeyDown = [this](OIS::KeyCode key) { return handler && handler->isKeyDown(key); };
  editState = std::make_unique<EditState>(shared);
  playState = std::make_unique<PlayState>(std::move(shared));
  states.push(*playState);
  context.leaveEditMode = [this] { states.leaveIfOnTop(*editState); };
}
