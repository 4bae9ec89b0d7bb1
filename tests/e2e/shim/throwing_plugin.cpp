// Test plug-in: its start throws a standard exception rather than an engine one, as a broken
// or foreign plug-in may. Named as the render system, it must cost one log line, not the process.
#include <stdexcept>

extern "C" void dllStartPlugin() {
  throw std::runtime_error("this plug-in refuses to start");
}

extern "C" void dllStopPlugin() {}
