// Key statement texts, numbers written the way every engine statement writes them.
#include "states/KeyStatements.h"

#include <OISKeyboard.h>
#include <OgreStringConverter.h>

namespace {

std::string keyArguments(int key, unsigned int text) {
  return Ogre::StringConverter::toString(key) + ", '" + Ogre::StringConverter::toString(text) + "')";
}

}  // namespace

namespace key_statements {

std::vector<std::string> pressed(int key, unsigned int text) {
  std::vector<std::string> statements;
  if (key == OIS::KC_SYSRQ)
    statements.push_back("Screenshot()");
  if (key == OIS::KC_ESCAPE)
    statements.push_back("EscPressed()");
  statements.push_back("KeyPressed(" + keyArguments(key, text));
  return statements;
}

std::string released(int key, unsigned int text) {
  return "KeyReleased(" + keyArguments(key, text);
}

}  // namespace key_statements
