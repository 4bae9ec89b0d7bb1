// The log writer with its two hooks.
#include "core/Log.h"

#include <OgreLogManager.h>

#include <iostream>

namespace core {
namespace {

LogPrefix& prefixHook() {
  static LogPrefix hook;
  return hook;
}

LogSink& sinkHook() {
  static LogSink hook;
  return hook;
}

void writeToEngineLog(const std::string& line) {
  Ogre::LogManager* logs = Ogre::LogManager::getSingletonPtr();
  if (logs && logs->getDefaultLog())
    logs->getDefaultLog()->logMessage(line, Ogre::LML_NORMAL, false);
  else
    std::cerr << line << std::endl;
}

}  // namespace

void log(const std::string& message) {
  std::string prefix = prefixHook() ? prefixHook()() : std::string();
  std::string line = prefix.empty() ? message : prefix + " " + message;
  if (sinkHook())
    sinkHook()(line);
  else
    writeToEngineLog(line);
}

void setLogPrefix(LogPrefix prefix) {
  prefixHook() = std::move(prefix);
}

void setLogSink(LogSink sink) {
  sinkHook() = std::move(sink);
}

}  // namespace core
