// Creating and destroying the OIS input system and its devices, and the listener calls.
#include "input/InputHandler.h"

#include "core/Errors.h"
#include "core/Log.h"
#include "input/MouseRouter.h"
#include "platform/Platform.h"

#include <OISInputManager.h>
#include <OgreStringConverter.h>

#include <algorithm>

std::unique_ptr<InputHandler> InputHandler::create(void* display, unsigned long windowHandle, MouseRouter& mouse,
                                                   OIS::KeyListener& keys) {
  try {
    return std::unique_ptr<InputHandler>(new InputHandler(display, windowHandle, mouse, keys));
  } catch (...) {
    core::log("Error! No keyboard or mouse, the game runs without input: " + core::describeCurrentException());
    return nullptr;
  }
}

InputHandler::InputHandler(void* windowDisplay, unsigned long windowHandle, MouseRouter& mouseRouter,
                           OIS::KeyListener& keys)
    : router(mouseRouter), keys(keys), display(windowDisplay), window(windowHandle) {
  OIS::ParamList parameters;
  parameters.insert({"WINDOW", Ogre::StringConverter::toString(windowHandle)});
  parameters.insert({"w32_mouse", "DISCL_FOREGROUND"});
  parameters.insert({"w32_mouse", "DISCL_NONEXCLUSIVE"});
  parameters.insert({"x11_mouse_grab", "false"});
  parameters.insert({"x11_keyboard_grab", "false"});
  parameters.insert({"x11_mouse_hide", "false"});
  manager = OIS::InputManager::createInputSystem(parameters);
  try {
    mouse = static_cast<OIS::Mouse*>(manager->createInputObject(OIS::OISMouse, true));
    keyboardDevice = static_cast<OIS::Keyboard*>(manager->createInputObject(OIS::OISKeyboard, true));
    if (manager->getNumberOfDevices(OIS::OISJoyStick) > 0)
      joystick = static_cast<OIS::JoyStick*>(manager->createInputObject(OIS::OISJoyStick, true));
  } catch (...) {
    destroyDevices();
    throw;
  }
  // Key events carry the typed character's code.
  keyboardDevice->setTextTranslation(OIS::Keyboard::Unicode);
  // This OIS clears the window's cursor on its own connection and leaves the request unsent until
  // the mouse's first capture: made here, before any listener, so a cursor set later stays.
  mouse->capture();
  mouse->setEventCallback(this);
  keyboardDevice->setEventCallback(this);
  if (joystick)
    joystick->setEventCallback(this);
}

InputHandler::~InputHandler() {
  destroyDevices();
}

void InputHandler::destroyDevices() {
  // Through the manager: it also keeps a list of them, and would delete them a second time.
  for (OIS::Object* device : {static_cast<OIS::Object*>(mouse), static_cast<OIS::Object*>(keyboardDevice),
                              static_cast<OIS::Object*>(joystick)})
    if (device)
      manager->destroyInputObject(device);
  mouse = nullptr;
  keyboardDevice = nullptr;
  joystick = nullptr;
  OIS::InputManager::destroyInputSystem(manager);
  manager = nullptr;
}

void InputHandler::capture() {
  mouse->capture();
  keyboardDevice->capture();
  if (joystick)
    joystick->capture();
}

void InputHandler::setMouseArea(int width, int height) {
  const OIS::MouseState& state = mouse->getMouseState();
  state.width = width;
  state.height = height;
}

template <typename Deliver>
void InputHandler::atPointer(const OIS::MouseEvent& event, Deliver deliver) {
  OIS::MouseState state = event.state;
  int x = 0;
  int y = 0;
  // Kept inside the window's area, as OIS keeps its own.
  if (platform::pointerPosition(display, window, x, y)) {
    state.X.abs = std::clamp(x, 0, state.width);
    state.Y.abs = std::clamp(y, 0, state.height);
  }
  deliver(OIS::MouseEvent(const_cast<OIS::Object*>(event.device), state));
}

bool InputHandler::mouseMoved(const OIS::MouseEvent& event) {
  atPointer(event, [this](const OIS::MouseEvent& e) { router.mouseMoved(e); });
  return true;
}

bool InputHandler::mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button) {
  atPointer(event, [&](const OIS::MouseEvent& e) { router.mousePressed(e, button); });
  return true;
}

bool InputHandler::mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button) {
  atPointer(event, [&](const OIS::MouseEvent& e) { router.mouseReleased(e, button); });
  return true;
}

bool InputHandler::keyPressed(const OIS::KeyEvent& event) {
  if (event.key >= 0 && static_cast<size_t>(event.key) < pressedText.size())
    pressedText[event.key] = event.text;
  keys.keyPressed(event);
  return true;
}

bool InputHandler::keyReleased(const OIS::KeyEvent& event) {
  unsigned int text = event.text;
  if (event.key >= 0 && static_cast<size_t>(event.key) < pressedText.size())
    text = pressedText[event.key];
  keys.keyReleased(OIS::KeyEvent(const_cast<OIS::Object*>(event.device), event.key, text));
  return true;
}
