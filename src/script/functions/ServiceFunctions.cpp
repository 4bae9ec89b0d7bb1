// Script functions that reach outside the game: browser, downloads, hashes, per-user values.
#include "script/functions/ScriptLibrary.h"

std::vector<ScriptFunction> serviceFunctions() {
  return {};
}
