// openWithShell through xdg-open, started with an argument vector: the target is never parsed
// by a shell, whatever a script or a web page puts in it.
#include "services/Shell.h"

#include "platform/Platform.h"

void openWithShell(const std::string& target) {
  // Empty targets open nothing, and a C argument would silently cut a target at a zero byte.
  if (target.empty() || target.find('\0') != std::string::npos)
    return;
  platform::launchDetached({"xdg-open", target});
}
