// Entry function: build a GameApp, run it, destroy it, and again while the run asks for a
// restart. Exits with 1 when the engine could not start (no window, no render system).
#include "app/GameApp.h"

#include <ode/ode.h>

#include <memory>

int main() {
  dInitODE2(0);
  bool restart = true;
  bool failed = false;
  while (restart) {
    auto app = std::make_unique<GameApp>();
    restart = app->run();
    failed = app->startupFailed;
  }
  dCloseODE();
  return failed ? 1 : 0;
}
