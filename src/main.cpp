// Entry function: build a GameApp, run it, destroy it, and again while the run asks for a
// restart. Exits with 1 when the engine could not start (no window, no render system).
#include "app/GameApp.h"
#include "render/OgreHooks.h"
#include "render/Renderer.h"

#include <OgreLogManager.h>
#include <ode/ode.h>

#include <memory>

int main() {
  // One log for the whole process: the engine root adopts it, so a restart does not wipe the
  // earlier run's lines, and errors in setup.lua, which runs before the root exists, are kept.
  Ogre::LogManager logs;
  logs.createLog(Renderer::logFileName(), true, true);
  render::useOgreForLogAndErrors();
  dInitODE2(0);
  bool restart = true;
  bool failed = false;
  while (restart) {
    auto app = std::make_unique<GameApp>();
    restart = app->run();
    failed = app->startupFailed();
  }
  dCloseODE();
  return failed ? 1 : 0;
}
