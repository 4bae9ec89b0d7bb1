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

LibrarySlice serviceFunctions() {
  return {
      {16, "StartWebBrowser", "",
       [](lua_State* L, ScriptContext&) {
         openWithShell(argString(L, 1));
         return 0;
       }},
      {17, "GetUrl", "s",
       [](lua_State* L, ScriptContext&) { return pushString(L, downloadUrl(argString(L, 1), argString(L, 2))); }},
      {18, "GetHash", "s",
       [](lua_State* L, ScriptContext&) {
         std::string text = argString(L, 1);
         return pushString(L, hashText(text, argInt(L, 2)));
       }},
      {25, "GetRandomHash", "s",
       [](lua_State* L, ScriptContext&) {
         std::string seed = std::to_string(static_cast<uint32_t>(std::time(nullptr))) +
                            std::to_string(platform::milliseconds());
         return pushString(L, hashText(seed, static_cast<int64_t>(seed.size())));
       }},
      {27, "WriteReg", "",
       [](lua_State* L, ScriptContext&) {
         std::string keyPath = argString(L, 1);
         std::string valueName = argString(L, 2);
         writeRegistryValue(keyPath, valueName, argInt(L, 3));
         return 0;
       }},
      {28, "ReadReg", "n",
       [](lua_State* L, ScriptContext&) {
         std::string keyPath = argString(L, 1);
         lua_pushnumber(L, readRegistryValue(keyPath, argString(L, 2)));
         return 1;
       }},
  };
}
