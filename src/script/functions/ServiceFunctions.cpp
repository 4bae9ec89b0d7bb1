// Script functions that reach outside the game: browser, downloads, hashes, per-user values.
// Each is a thin reader of its arguments around one service in services/.
#include "platform/Platform.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptLibrary.h"
#include "services/Download.h"
#include "services/Sha256.h"
#include "services/Shell.h"
#include "services/ValueStore.h"

#include <ctime>

namespace {

int StartWebBrowser(lua_State* L, ScriptContext&) {
  openWithShell(argString(L, 1));
  return 0;
}

int GetUrl(lua_State* L, ScriptContext&) {
  return pushString(L, downloadUrl(argString(L, 1), argString(L, 2)));
}

int GetHash(lua_State* L, ScriptContext&) {
  std::string text = argString(L, 1);
  return pushString(L, hashText(text, argInt(L, 2)));
}

int GetRandomHash(lua_State* L, ScriptContext&) {
  std::string seed = std::to_string(static_cast<uint32_t>(std::time(nullptr))) +
                     std::to_string(platform::milliseconds());
  return pushString(L, hashText(seed, static_cast<int64_t>(seed.size())));
}

int WriteReg(lua_State* L, ScriptContext&) {
  std::string keyPath = argString(L, 1);
  std::string valueName = argString(L, 2);
  writeRegistryValue(keyPath, valueName, argInt(L, 3));
  return 0;
}

int ReadReg(lua_State* L, ScriptContext&) {
  std::string keyPath = argString(L, 1);
  lua_pushnumber(L, readRegistryValue(keyPath, argString(L, 2)));
  return 1;
}

}  // namespace

LibrarySlice serviceFunctions() {
  return {
      {"StartWebBrowser", StartWebBrowser, 0, ""},
      {"GetUrl", GetUrl, 0, "s"},
      {"GetHash", GetHash, 0, "s"},
      {"GetRandomHash", GetRandomHash, 0, "s"},
      {"WriteReg", WriteReg, 0, ""},
      {"ReadReg", ReadReg, 0, "n"},
  };
}
