// Keyboard, mouse and joystick of the game window through OIS, buffered: capture() delivers
// every event that arrived since the last frame to the listeners below, which hand mouse events
// to the mouse routing and key events to the game states. Joystick events are accepted and
// dropped. No grabs and no hidden pointer, so the desktop stays usable around the window.
#pragma once

#include <OISJoyStick.h>
#include <OISKeyboard.h>
#include <OISMouse.h>

#include <array>
#include <memory>

namespace OIS {
class InputManager;
}
class MouseRouter;

class InputHandler : public OIS::MouseListener, public OIS::KeyListener, public OIS::JoyStickListener {
public:
  // The devices of the window (display: the window's own X connection); null, after one log
  // line, when the input system cannot be had (no X connection for it, a device that fails):
  // the game then runs without input.
  static std::unique_ptr<InputHandler> create(void* display, unsigned long windowHandle, MouseRouter& mouse,
                                              OIS::KeyListener& keys);
  ~InputHandler() override;
  InputHandler(const InputHandler&) = delete;
  InputHandler& operator=(const InputHandler&) = delete;

  // Mouse, keyboard, then the joystick if there is one; the listeners run inside.
  void capture();
  // The pixel area absolute mouse positions run over.
  void setMouseArea(int width, int height);
  const OIS::Keyboard* keyboard() const { return keyboardDevice; }

  bool mouseMoved(const OIS::MouseEvent& event) override;
  bool mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button) override;
  bool mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button) override;
  bool keyPressed(const OIS::KeyEvent& event) override;
  bool keyReleased(const OIS::KeyEvent& event) override;
  bool buttonPressed(const OIS::JoyStickEvent&, int) override { return true; }
  bool buttonReleased(const OIS::JoyStickEvent&, int) override { return true; }
  bool axisMoved(const OIS::JoyStickEvent&, int) override { return true; }
  bool sliderMoved(const OIS::JoyStickEvent&, int) override { return true; }
  bool povMoved(const OIS::JoyStickEvent&, int) override { return true; }

private:
  InputHandler(void* display, unsigned long windowHandle, MouseRouter& mouse, OIS::KeyListener& keys);
  void destroyDevices();
  // The event with the pointer's real position: this OIS adds absolute positions up from its
  // relative moves, which starts them 6 pixels off the pointer and loses track at every clip.
  template <typename Deliver>
  void atPointer(const OIS::MouseEvent& event, Deliver deliver);

  MouseRouter& router;
  OIS::KeyListener& keys;
  OIS::InputManager* manager = nullptr;
  OIS::Mouse* mouse = nullptr;
  OIS::Keyboard* keyboardDevice = nullptr;
  OIS::JoyStick* joystick = nullptr;  // only when the system has one
  void* display = nullptr;
  unsigned long window = 0;
  // The character each key typed when pressed: this OIS reports releases with none.
  std::array<unsigned int, 256> pressedText{};
};
