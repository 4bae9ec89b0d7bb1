// The one guard every script function body runs in. Lua cannot unwind C++ frames, so no C++
// exception may escape into it: an engine exception becomes one log line naming the function,
// and the function returns its documented defaults instead.
#pragma once

#include "app/GameApp.h"

#include <OgreException.h>

extern "C" {
#include <lua.h>
}

#include <exception>
#include <string>

// defaults: one character per result pushed on failure, 'n' for 0 and 's' for "".
template <class Body>
int guarded(lua_State* L, const char* function, const char* defaults, Body&& body) {
  int base = lua_gettop(L);
  std::string failure;
  try {
    return body();
  } catch (const Ogre::Exception& e) {
    failure = e.getDescription();
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "unknown exception";
  }
  lua_settop(L, base);
  GameApp::log(std::string(function) + ": " + failure);
  int pushed = 0;
  for (const char* d = defaults; *d; ++d, ++pushed) {
    if (*d == 's')
      lua_pushstring(L, "");
    else
      lua_pushnumber(L, 0);
  }
  return pushed;
}
