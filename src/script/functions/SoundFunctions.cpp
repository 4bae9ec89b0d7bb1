// Script functions for the music stream and sound effects. With music off in setup.lua there is
// no sound system: they do nothing and Play2DSound returns 0.
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"
#include "sound/Sound.h"

LibrarySlice soundFunctions() {
  return {
      {49, "PlayStream", "",
       [](lua_State* L, ScriptContext& engine) {
         if (engine.sound)
           engine.sound->playStream(engine.musicDir + argString(L, 1));
         return 0;
       }},
      {50, "UnloadStream", "",
       [](lua_State*, ScriptContext& engine) {
         if (engine.sound)
           engine.sound->unloadStream();
         return 0;
       }},
      {51, "Play2DSound", "n",
       [](lua_State* L, ScriptContext& engine) {
         uint32_t channel = 0;
         if (engine.sound)
           channel = engine.sound->playSample(engine.musicDir + argString(L, 1), argInt(L, 2), argFlag(L, 3), false);
         // Pushed as signed 32 bits, the form StopSound reads back.
         lua_pushnumber(L, static_cast<int32_t>(channel));
         return 1;
       }},
      {52, "StopAllSounds", "",
       [](lua_State*, ScriptContext& engine) {
         if (engine.sound)
           engine.sound->stopAllSounds();
         return 0;
       }},
      {53, "StopSound", "",
       [](lua_State* L, ScriptContext& engine) {
         if (engine.sound)
           engine.sound->stopSound(static_cast<uint32_t>(argInt(L, 1)));
         return 0;
       }},
      {54, "SetMasterVolume", "",
       [](lua_State* L, ScriptContext& engine) {
         if (engine.sound) {
           engine.sound->soundVolume = argInt(L, 1);
           engine.sound->musicVolume = argInt(L, 2);
         }
         return 0;
       }},
  };
}
