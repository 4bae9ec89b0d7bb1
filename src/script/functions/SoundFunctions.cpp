// Script functions for the music stream and sound effects. With music off in setup.lua there is
// no sound system: they do nothing and Play2DSound returns 0.
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"
#include "sound/Sound.h"

namespace {

int PlayStream(lua_State* L, ScriptContext& engine) {
  engine.sound->playStream(engine.musicDir + argString(L, 1));
  return 0;
}

int UnloadStream(lua_State*, ScriptContext& engine) {
  engine.sound->unloadStream();
  return 0;
}

int Play2DSound(lua_State* L, ScriptContext& engine) {
  uint32_t channel = engine.sound->playSample(engine.musicDir + argString(L, 1), argInt(L, 2), argFlag(L, 3), false);
  // Pushed as signed 32 bits, the form StopSound reads back.
  lua_pushnumber(L, static_cast<int32_t>(channel));
  return 1;
}

int StopAllSounds(lua_State*, ScriptContext& engine) {
  engine.sound->stopAllSounds();
  return 0;
}

int StopSound(lua_State* L, ScriptContext& engine) {
  engine.sound->stopSound(static_cast<uint32_t>(argInt(L, 1)));
  return 0;
}

int SetMasterVolume(lua_State* L, ScriptContext& engine) {
  engine.sound->soundVolume = argInt(L, 1);
  engine.sound->musicVolume = argInt(L, 2);
  return 0;
}

}  // namespace

LibrarySlice soundFunctions() {
  return {
      {"PlayStream", PlayStream, need::Sound, ""},
      {"UnloadStream", UnloadStream, need::Sound, ""},
      {"Play2DSound", Play2DSound, need::Sound, "n"},
      {"StopAllSounds", StopAllSounds, need::Sound, ""},
      {"StopSound", StopSound, need::Sound, ""},
      {"SetMasterVolume", SetMasterVolume, need::Sound, ""},
  };
}
