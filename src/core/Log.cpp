// The log writer with its two hooks.
#include "core/Log.h"

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

}  // namespace

void log(const std::string& message) {
  std::string prefix = prefixHook() ? prefixHook()() : std::string();
  std::string line = prefix.empty() ? message : prefix + " " + message;
  if (sinkHook())
    sinkHook()(line);
  else
    std::cerr << line << std::endl;
}

void setLogPrefix(LogPrefix prefix) {
  prefixHook() = std::move(prefix);
}

void setLogSink(LogSink sink) {
  sinkHook() = std::move(sink);
}

}  // namespace core
