// Where the engine's calls into the scripts go: every event becomes the text of one Lua statement
// run in the "lua" VM. World, panels, input and states hold one of these, not the script host.
#pragma once

#include <string>

class ScriptSink {
public:
  // Runs the statement at once; its errors are the script host's to report.
  virtual void run(const std::string& statement) = 0;

protected:
  ~ScriptSink() = default;
};
