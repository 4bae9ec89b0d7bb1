// How every script function reads its arguments: by position, never a type check, never a Lua
// error. A missing or unusable argument reads as "" or 0; numbers go through Convert.h.
#pragma once

#include "core/Convert.h"

extern "C" {
#include <lua.h>
}

#include <cstdint>
#include <string>

// String argument; a number arrives as its text, anything else as "".
inline std::string argString(lua_State* L, int index) {
  size_t length = 0;
  const char* text = lua_isstring(L, index) ? lua_tolstring(L, index, &length) : nullptr;
  return text ? std::string(text, length) : std::string();
}

// Number argument; a numeric string arrives as its value, anything else as 0.
inline double argNumber(lua_State* L, int index) {
  return lua_tonumber(L, index);
}

inline int32_t argInt(lua_State* L, int index) {
  return convert::toInt32(argNumber(L, index));
}

inline uint32_t argUInt(lua_State* L, int index) {
  return convert::toUInt32(argNumber(L, index));
}

inline float argFloat(lua_State* L, int index) {
  return convert::toFloat(argNumber(L, index));
}

// Flag: any number other than 0 is true (NaN included: it is not 0).
inline bool argFlag(lua_State* L, int index) {
  return argNumber(L, index) != 0.0;
}

// Integer flag: truncated toward zero first, so 0.5 is false.
inline bool argIntFlag(lua_State* L, int index) {
  return argInt(L, index) != 0;
}

// A string result, zero bytes included.
inline int pushString(lua_State* L, const std::string& text) {
  lua_pushlstring(L, text.data(), text.size());
  return 1;
}
