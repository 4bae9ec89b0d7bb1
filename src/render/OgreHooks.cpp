#include "render/OgreHooks.h"

#include "core/Errors.h"
#include "core/Log.h"

#include <OgreException.h>
#include <OgreLogManager.h>

#include <iostream>

namespace render {
namespace {

void writeToEngineLog(const std::string& line) {
  Ogre::LogManager* logs = Ogre::LogManager::getSingletonPtr();
  if (logs && logs->getDefaultLog())
    logs->getDefaultLog()->logMessage(line, Ogre::LML_NORMAL, false);
  else
    std::cerr << line << std::endl;
}

// Without Ogre's file and line decoration.
std::string describeOgreException(const std::exception& e) {
  const auto* ogre = dynamic_cast<const Ogre::Exception*>(&e);
  return ogre ? ogre->getDescription() : std::string();
}

}  // namespace

void useOgreForLogAndErrors() {
  core::setLogSink(writeToEngineLog);
  core::setExceptionDescriber(describeOgreException);
}

}  // namespace render
