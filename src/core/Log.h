// The engine's one log: every subsystem writes its lines here. The application decides what goes
// in front of each line (the simulation time) and where lines end up (the engine's log file).
#pragma once

#include <functional>
#include <string>

namespace core {

// Writes one line: the prefix (if any), then the message.
void log(const std::string& message);

// Returns the text put in front of every line, or "" for none.
using LogPrefix = std::function<std::string()>;
void setLogPrefix(LogPrefix prefix);

// Receives each finished line; without one, lines go to stderr. The application sends them to
// the engine's log file.
using LogSink = std::function<void(const std::string&)>;
void setLogSink(LogSink sink);

}  // namespace core
