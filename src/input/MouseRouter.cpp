// Mouse routing between the web panels, the scripts and the top game state. Each press and
// release asks the panels afresh, so a press on a panel and its release beside it give the
// panel a mouse-down and the scripts a MouseReleased.
#include "input/MouseRouter.h"

#include <OgreStringConverter.h>

void MouseRouter::mouseMoved(const OIS::MouseEvent& event) {
  const OIS::MouseState& mouse = event.state;
  lastX = mouse.X.abs;
  lastY = mouse.Y.abs;
  panelUnderMouse = targets.panels->getTopNavi(lastX, lastY);
  if (mouse.Z.rel != 0)
    targets.panels->injectMouseWheel(mouse.Z.rel);
  targets.panels->injectMouseMove(lastX, lastY);
  targets.stateMouseMoved(event);
}

void MouseRouter::movePanelsTo(const OIS::MouseState& mouse) {
  if (mouse.X.abs == lastX && mouse.Y.abs == lastY)
    return;
  lastX = mouse.X.abs;
  lastY = mouse.Y.abs;
  panelUnderMouse = targets.panels->getTopNavi(lastX, lastY);
  targets.panels->injectMouseMove(lastX, lastY);
}

void MouseRouter::mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button) {
  movePanelsTo(event.state);
  if (!guiMousePressed(event, button))
    targets.runStatement(statement("MousePressed", event.state.X.abs, event.state.Y.abs, button));
}

void MouseRouter::mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button) {
  const OIS::MouseState& mouse = event.state;
  movePanelsTo(mouse);
  if (targets.panels->getTopNavi(mouse.X.abs, mouse.Y.abs))
    targets.panels->injectMouseUp(button);
  else
    targets.runStatement(statement("MouseReleased", mouse.X.abs, mouse.Y.abs, button));
}

bool MouseRouter::guiMousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button) {
  const uint64_t panel = targets.panels->getTopNavi(event.state.X.abs, event.state.Y.abs);
  // Every left press clicks, over a panel or not.
  if (button == OIS::MB_Left)
    targets.playClick();
  if (!panel)
    return false;
  targets.panels->injectMouseDown(button);
  return true;
}

std::string MouseRouter::statement(const char* function, int x, int y, int button) {
  return std::string(function) + "(" + Ogre::StringConverter::toString(x) + ", " +
         Ogre::StringConverter::toString(y) + ", " + Ogre::StringConverter::toString(button) + ")";
}
