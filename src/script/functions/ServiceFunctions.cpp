// Script functions that reach outside the game: browser, downloads, hashes, per-user values.
// Each is a thin reader of its arguments around one service in services/.
#include "platform/Platform.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptGuard.h"
#include "script/functions/ScriptLibrary.h"
#include "services/Download.h"
#include "services/Sha256.h"
#include "services/Shell.h"
#include "services/ValueStore.h"

#include <ctime>

namespace {

int StartWebBrowser(lua_State* L) {
  return guarded(L, "StartWebBrowser", "", [&] {
    openWithShell(argString(L, 1));
    return 0;
  });
}

int GetUrl(lua_State* L) {
  return guarded(L, "GetUrl", "s", [&] {
    std::string result = downloadUrl(argString(L, 1), argString(L, 2));
    lua_pushlstring(L, result.data(), result.size());
    return 1;
  });
}

int GetHash(lua_State* L) {
  return guarded(L, "GetHash", "s", [&] {
    std::string text = argString(L, 1);
    lua_pushstring(L, hashText(text, argInt(L, 2)).c_str());
    return 1;
  });
}

int GetRandomHash(lua_State* L) {
  return guarded(L, "GetRandomHash", "s", [&] {
    std::string seed = std::to_string(static_cast<uint32_t>(std::time(nullptr))) +
                       std::to_string(platform::milliseconds());
    lua_pushstring(L, hashText(seed, static_cast<int64_t>(seed.size())).c_str());
    return 1;
  });
}

int WriteReg(lua_State* L) {
  return guarded(L, "WriteReg", "", [&] {
    std::string keyPath = argString(L, 1);
    std::string valueName = argString(L, 2);
    writeRegistryValue(keyPath, valueName, argInt(L, 3));
    return 0;
  });
}

int ReadReg(lua_State* L) {
  return guarded(L, "ReadReg", "n", [&] {
    std::string keyPath = argString(L, 1);
    lua_pushnumber(L, readRegistryValue(keyPath, argString(L, 2)));
    return 1;
  });
}

}  // namespace

std::vector<ScriptFunction> serviceFunctions() {
  return {
      {"StartWebBrowser", StartWebBrowser},
      {"GetUrl", GetUrl},
      {"GetHash", GetHash},
      {"GetRandomHash", GetRandomHash},
      {"WriteReg", WriteReg},
      {"ReadReg", ReadReg},
  };
}
